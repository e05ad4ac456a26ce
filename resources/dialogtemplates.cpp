// The dialog templates of the add-in, as its resource script lays them out.
#include "resources/dialogtemplates.h"

#include <map>

namespace quillmark {

namespace {

using K = ControlKind;

const std::map<int, DialogTemplate>& Templates()
{
    static const std::map<int, DialogTemplate> templates = [] {
        std::map<int, DialogTemplate> table;
        auto add = [&table](DialogTemplate t) { table.emplace(t.id, std::move(t)); };

        // Tag: the frame with the placeholder both panels are laid over.
        add({IDD_TAGDIALOG, "Tag", 251, 68, "MS Shell Dlg", 8, false,
             {
                 {217, K::Frame, "", 7, 7, 237, 35, kStyleNone},
                 {1, K::Button, "Tag", 194, 47, 50, 14, kStyleTabStop},
                 {2, K::Button, "Cancel", 139, 47, 50, 14, kStyleTabStop},
             }});
        // Tag: the entry form.
        add({IDD_TAGVIEWFORM, "", 237, 35, "MS Shell Dlg", 8, true,
             {
                 {204, K::Label, "", 0, 0, 237, 10, kStyleNone},
                 {205, K::Label, "", 0, 10, 234, 8, kStyleNone},
                 {203, K::Edit, "", 0, 21, 237, 14, kStyleBorder | kStyleTabStop | kStyleAutoHScroll | kStyleNoHideSel},
             }});
        // Tag: the progress panel.
        add({IDD_TAGVIEWPROGRESS, "", 237, 31, "MS Shell Dlg", 8, true,
             {
                 {218, K::Label, "", 0, 2, 237, 9, kStyleNone},
                 {216, K::Progress, "", 0, 13, 236, 14, kStyleBorder},
             }});
        // Options.
        add({IDD_OPTIONS, "Preferences", 240, 110, "MS Shell Dlg", 8, false,
             {
                 {kNoControlId, K::Group, "PowerPoint Preferences", 7, 7, 226, 40, kStyleNone},
                 {225, K::Radio, "Create preview after tagging each Preseantation ", 13, 19, 175, 10,
                  kStyleGroup | kStyleTabStop},
                 {226, K::Radio, "Create preview as needed when browsing for Presentations", 13, 30, 200, 10,
                  kStyleNone},
                 {kNoControlId, K::Group, "Global Preferences", 7, 52, 226, 31, kStyleNone},
                 {219, K::CheckBox, "Automatically add the document filename as tag", 15, 65, 211, 10,
                  kStyleGroup | kStyleTabStop},
                 {1, K::Button, "OK", 183, 89, 50, 14, kStyleDefault | kStyleTabStop},
                 {2, K::Button, "Cancel", 129, 89, 50, 14, kStyleTabStop},
             }});
        // About.
        add({IDD_ABOUT, "Preferences", 256, 98, "MS Shell Dlg", 8, false,
             {
                 {236, K::Picture, "", 7, 7, 79, 39, kStyleNone},
                 {220, K::Label, "", 93, 7, 156, 15, kStyleNone},
                 {221, K::Static, "", 93, 20, 156, 17, kStyleNone},
                 // Wider than the 78 units the address was laid out for: an address
                 // has no blank to wrap at, and ours would be cut off.
                 {224, K::Label, "", 7, 50, 160, 11, kStyleNoWrap},
                 {1, K::Button, "OK", 199, 77, 50, 14, kStyleDefault | kStyleTabStop},
             }});
        // Browse Tags for documents.
        add({IDD_WORDBROWSETAGDIALOG, "Browse Tags", 194, 212, "MS Shell Dlg", 8, false,
             {
                 {1, K::Button, "Open Document", 113, 191, 74, 14, kStyleDefault | kStyleTabStop},
                 {2, K::Button, "Cancel", 58, 191, 50, 14, kStyleTabStop},
                 {203, K::Edit, "", 7, 7, 125, 14, kStyleBorder | kStyleTabStop | kStyleAutoHScroll},
                 {208, K::Button, "Search", 137, 7, 50, 14, kStyleTabStop},
                 {206, K::List, "", 7, 28, 180, 157, kStyleBorder | kStyleTabStop | kStyleSingleSel},
             }});
        // Browse Tags for presentations: the frame both panels are laid over.
        add({IDD_POWERPOINTBROWSETAGDIALOG, "Browse Tags", 414, 223, "MS Shell Dlg", 8, false,
             {
                 {1, K::Button, "Open Document", 263, 202, 78, 14, kStyleTabStop},
                 {2, K::Button, "Cancel", 208, 202, 50, 14, kStyleTabStop},
                 {206, K::List, "", 7, 35, 180, 157, kStyleBorder | kStyleTabStop | kStyleSingleSel},
                 {203, K::Edit, "", 7, 7, 125, 14, kStyleBorder | kStyleTabStop | kStyleAutoHScroll},
                 {208, K::Button, "Search", 137, 7, 50, 14, kStyleTabStop},
                 {211, K::Button, "Insert Slide", 346, 202, 61, 14, kStyleTabStop},
                 {213, K::Label, "", 279, 7, 128, 8, kStyleNoWrap},
                 {kNoControlId, K::Static, "Presentations:", 7, 25, 48, 8, kStyleNoWrap},
                 {227, K::Frame, "", 193, 25, 214, 175, kStyleNone},
             }});
        // Browse Tags for presentations: the progress panel.
        add({IDD_BROWSEPROGRESS, "", 215, 169, "MS Shell Dlg", 8, true,
             {
                 {218, K::Label, "", 0, 66, 215, 9, kStyleNone},
                 {216, K::Progress, "", 0, 75, 215, 14, kStyleBorder},
             }});
        // Browse Tags for presentations: the slide preview pane.
        add({IDD_SLIDEPREVIEW, "", 215, 168, "MS Shell Dlg", 8, true,
             {
                 {kNoControlId, K::Static, "Preview:", 0, 0, 29, 8, kStyleNoWrap},
                 {209, K::Picture, "", 0, 9, 214, 148, kStyleBorder},
                 {215, K::Label, "< Prev", 0, 159, 22, 8, kStyleNoWrap},
                 {214, K::Label, "Next >", 25, 159, 23, 8, kStyleNoWrap},
                 {212, K::Label, "", 128, 160, 83, 8, kStyleNoWrap},
             }});
        // A listed file's properties.
        add({IDD_PROPERTIES, "Properties", 260, 218, "MS Shell Dlg", 8, false,
             {
                 {kNoControlId, K::Static, "Name:", 7, 9, 50, 8, kStyleNoWrap},
                 {240, K::Edit, "", 60, 7, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Folder:", 7, 21, 50, 8, kStyleNoWrap},
                 {241, K::Edit, "", 60, 19, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Type:", 7, 33, 50, 8, kStyleNoWrap},
                 {242, K::Edit, "", 60, 31, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Size:", 7, 45, 50, 8, kStyleNoWrap},
                 {243, K::Edit, "", 60, 43, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Modified:", 7, 57, 50, 8, kStyleNoWrap},
                 {244, K::Edit, "", 60, 55, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Created:", 7, 69, 50, 8, kStyleNoWrap},
                 {245, K::Edit, "", 60, 67, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Accessed:", 7, 81, 50, 8, kStyleNoWrap},
                 {246, K::Edit, "", 60, 79, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Stored tags:", 7, 93, 50, 8, kStyleNoWrap},
                 {247, K::Edit, "", 60, 91, 193, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Group, "Summary", 7, 106, 246, 86, kStyleNone},
                 {kNoControlId, K::Static, "Title:", 13, 119, 44, 8, kStyleNoWrap},
                 {248, K::Edit, "", 60, 117, 187, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Subject:", 13, 131, 44, 8, kStyleNoWrap},
                 {249, K::Edit, "", 60, 129, 187, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Author:", 13, 143, 44, 8, kStyleNoWrap},
                 {250, K::Edit, "", 60, 141, 187, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Keywords:", 13, 155, 44, 8, kStyleNoWrap},
                 {251, K::Edit, "", 60, 153, 187, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {kNoControlId, K::Static, "Comments:", 13, 167, 44, 8, kStyleNoWrap},
                 {252, K::Edit, "", 60, 165, 187, 12, kStyleReadOnly | kStyleTabStop | kStyleAutoHScroll},
                 {253, K::Static, "", 13, 179, 234, 10, kStyleNoWrap},
                 {1, K::Button, "OK", 203, 197, 50, 14, kStyleDefault | kStyleTabStop},
             }});
        return table;
    }();
    return templates;
}

} // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    const auto& table = Templates();
    auto it = table.find(id);
    return it == table.end() ? nullptr : &it->second;
}

} // namespace quillmark
