#pragma once
// What a scripting host offers the add-in's dialogs, and how a host reads them.
//
// Dialog controls carry two dynamic Qt properties, set when they are built: their
// control id (an int; kNoControlId for none) and their kind ("button", "edit",
// "label", "static", "link", "checkbox", "radio", "group", "progress", "picture",
// "frame", "list"). A host walks a dialog's widgets and reads them, as a test tool
// reads the ids and classes of a dialog's windows.
//
// A host that runs scripts hangs a ScriptHooks object on the application object
// (QCoreApplication property kScriptHooksProperty holding the pointer as a
// quintptr) before it loads add-ins. The add-in looks once, when it connects: with
// hooks it answers message boxes and open-file dialogs from the script instead of
// showing them, hands shell requests to the script instead of carrying them out,
// and reports every progress status. Without them everything is real. The interface is pure virtual, as COM interfaces are, so that the two
// separately linked sides meet only here.
#include <string>

namespace quillmark::automation {

inline constexpr const char* kControlIdProperty = "quillmarkControlId";
inline constexpr const char* kControlKindProperty = "quillmarkControlKind";
inline constexpr const char* kScriptHooksProperty = "quillmarkScriptHooks";

class ScriptHooks {
public:
    // A message box: returns the queued answer, "ok", "cancel", "yes" or "no".
    // `buttons` names the buttons ("ok", "okcancel", "yesno", "yesnocancel"),
    // `icon` its icon ("question", "information", "warning", "error", "none").
    virtual std::string MessageBox(const std::string& caption, const std::string& text, const std::string& buttons,
                                   const std::string& icon) = 0;
    // An open-file dialog with `filter` (descriptions joined by ";;"), default
    // `extension`, starting in `folder`: true with `path` set, false when cancelled.
    virtual bool OpenFile(const std::string& filter, const std::string& extension, const std::string& folder,
                          std::string& path) = 0;
    // A request to the desktop shell: `verb` is "open", "explore" or "properties".
    virtual void Shell(const std::string& verb, const std::string& target) = 0;
    // A progress panel shows `text` at `position` (0..100).
    virtual void Status(int position, const std::string& text) = 0;

protected:
    ~ScriptHooks() = default;
};

} // namespace quillmark::automation
