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
