#pragma once
// The dialog templates: every dialog's id, caption, size and font, and its controls
// (id, kind, text, rectangle, styles), in dialog units as a resource editor would
// give them. The ui builder (ui/dialogbuilder.h) turns a template into widgets.
//
// Adding a dialog: add its template to the table in dialogtemplates.cpp (controls
// in tab order, which is also their creation order), then derive a class from
// ui/templatedialog.h that names the template id and finds its controls by id.
#include <string>
#include <vector>

namespace quillmark {

// The id of a control that nobody refers to (a group box's or a plain static's).
inline constexpr int kNoControlId = -1;

enum class ControlKind {
    Button,   // push button
    Edit,     // single-line edit
    Static,   // plain static text
    Label,    // static text drawn by the label control (ui/controls/label.h)
    Picture,  // static showing a bitmap
    Frame,    // static frame (a placeholder for child panels)
    Group,    // group box
    CheckBox,
    Radio,
    Progress, // progress bar
    List,     // report-style list with columns
};

// Styles a template gives a control; what is not listed is the kind's usual look.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleDefault = 1u << 0,     // button: the default push button (Enter presses it)
    kStyleTabStop = 1u << 1,     // takes the focus with Tab
    kStyleBorder = 1u << 2,      // edit, progress, frame: drawn with a border
    kStyleAutoHScroll = 1u << 3, // edit: scrolls horizontally instead of wrapping
    kStyleNoHideSel = 1u << 4,   // edit: the selection stays shown without the focus
    kStyleGroup = 1u << 5,       // radio: first button of its group
    kStyleCentre = 1u << 6,      // static: centred text
    kStyleRight = 1u << 7,       // static: right-aligned text
    kStyleNoWrap = 1u << 8,      // static: left-aligned on one line
    kStyleReadOnly = 1u << 9,    // edit
    kStyleHidden = 1u << 10,     // created hidden
    kStyleSortAscending = 1u << 11, // list
    kStyleSingleSel = 1u << 12,  // list: one row selected at most
};

struct ControlTemplate {
    int id = kNoControlId;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    unsigned styles = kStyleNone;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;              // empty for a child panel
    int cx = 0, cy = 0;               // dialog units
    std::string fontFace = "MS Shell Dlg";
    int fontPoints = 8;
    bool bChild = false;              // a child panel placed inside another dialog
    std::vector<ControlTemplate> controls;
};

// Dialog ids of the templates.
inline constexpr int IDD_TAGVIEWFORM = 101;
inline constexpr int IDD_TAGDIALOG = 108;
inline constexpr int IDD_ABOUT = 202;
inline constexpr int IDD_TAGVIEWPROGRESS = 203;
inline constexpr int IDD_OPTIONS = 204;
inline constexpr int IDD_POWERPOINTBROWSETAGDIALOG = 109;
inline constexpr int IDD_SLIDEPREVIEW = 205;
inline constexpr int IDD_BROWSEPROGRESS = 206;
inline constexpr int IDD_WORDBROWSETAGDIALOG = 207;
inline constexpr int IDD_PROPERTIES = 230;

// Bitmap ids: the two products' logos (118 x 63 pixels).
inline constexpr int IDB_LOGO_PALLISTER = 203;
inline constexpr int IDB_LOGO_QUILLMARK = 205;

// The template with dialog id `id`; null when there is none.
const DialogTemplate* FindDialogTemplate(int id);

} // namespace quillmark
