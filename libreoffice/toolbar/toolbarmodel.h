#pragma once
// The Quillmark tool bar as LibreOffice shows it, in plain C++ (no UNO types, so
// that the office core can build one from its command bars).
//
// Every item carries a command URL of the vnd.quillmark: protocol, which the
// extension of ours inside the office forwards to our process:
//   vnd.quillmark:click?id=ID   a button, or an entry of a drop-down
//   vnd.quillmark:menu?id=ID    a drop-down item itself (it only opens its entries)
//   vnd.quillmark:search        the search text field; the forwarded dispatch carries
//                               the entered text as its argument "Text"
// ID is the caller's name for the control, percent-encoded in the URL. A control the
// add-in disabled has "&disabled" after its ID: the office asks the extension for
// each command's state, and the extension answers "disabled" for those, so the
// item is drawn greyed and cannot be clicked.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::libreoffice {

// Where the tool bar lives in every document frame.
inline constexpr std::string_view kToolBarResource = "private:resource/toolbar/custom_quillmark";
inline constexpr std::string_view kCommandProtocol = "vnd.quillmark:";
inline constexpr std::string_view kSearchCommand = "vnd.quillmark:search";

struct ToolBarItem {
    enum class Kind { Button, DropDown, TextField };
    Kind kind = Kind::Button;
    std::string strCommand; // vnd.quillmark:...
    std::string strLabel;   // as the office shows it: "~" before the mnemonic
    std::string strTooltip;
    bool bBeginGroup = false;             // a separator before the item
    std::vector<ToolBarItem> vecEntries;  // the entries of a drop-down, in order

    bool operator==(const ToolBarItem&) const = default;
};

struct ToolBar {
    std::string strTitle; // the tool bar's name in the office's View > Toolbars
    std::vector<ToolBarItem> vecItems;

    bool operator==(const ToolBar&) const = default;
};

// An Office caption as a LibreOffice label: the accelerator "&x" becomes "~x", a
// literal "&&" one "&", a literal "~" "~~" (the office's own escape); a lone "&"
// at the end is dropped, as Office does not show it either.
std::string MnemonicLabel(std::string_view caption);

// vnd.quillmark:click?id=ID and vnd.quillmark:menu?id=ID for the control `id`,
// followed by "&disabled" when it is not enabled.
std::string ClickCommand(std::string_view id, bool bEnabled = true);
std::string MenuCommand(std::string_view id, bool bEnabled = true);

// A command URL as it came back from the office.
struct ForwardedCommand {
    std::string strVerb; // "click", "menu", "search"
    std::string strId;   // decoded; "" for search
    std::string strText; // the "Text" argument of a search; "" otherwise

    bool operator==(const ForwardedCommand&) const = default;
};

// Nullopt when `url` is not one of ours or is malformed (bad percent escape,
// unknown verb, click/menu without an id, anything after the id but "&disabled").
std::optional<ForwardedCommand> ParseCommand(std::string_view url);

} // namespace quillmark::libreoffice
