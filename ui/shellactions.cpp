#include "ui/shellactions.h"

#include "officeapi/scripthooks.h"
#include "platform/shell/opener.h"
#include "ui/controls/desktop.h"

namespace quillmark {

std::string FolderOfPath(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return {};
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

bool ShowFileInExplorer(const std::string& path)
{
    const std::string folder = FolderOfPath(path);
    if (folder.empty()) return false;
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        pHooks->Shell("explore", folder);
        return true;
    }
    return shell::CurrentUrlOpener().ShowItem(path);
}

bool OpenWithDesktop(const std::string& path)
{
    if (path.empty()) return false;
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        pHooks->Shell("open", path);
        return true;
    }
    return shell::CurrentUrlOpener().OpenFile(path);
}

} // namespace quillmark
