#include "ui/shellactions.h"

#include "ui/prompts.h"

namespace quillmark {

std::string FolderOfPath(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return {};
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

bool ShowFileInExplorer(QWidget* pOwner, const std::string& path)
{
    return CurrentPrompts().Shell(pOwner, ShellVerb::Explore, path);
}

bool OpenWithDesktop(QWidget* pOwner, const std::string& path)
{
    return CurrentPrompts().Shell(pOwner, ShellVerb::Open, path);
}

} // namespace quillmark
