#include "ui/shellactions.h"

#include "ui/prompts.h"

namespace quillmark {

bool ShowFileInExplorer(QWidget* pOwner, const std::string& path)
{
    return CurrentPrompts().Shell(pOwner, ShellVerb::Explore, path);
}

bool OpenWithDesktop(QWidget* pOwner, const std::string& path)
{
    return CurrentPrompts().Shell(pOwner, ShellVerb::Open, path);
}

} // namespace quillmark
