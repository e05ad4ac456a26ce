#include "ui/controls/desktop.h"

#include "platform/shell/opener.h"

namespace quillmark {

bool ShellOpen(const std::string& target)
{
    return shell::OpenUrl(target);
}

} // namespace quillmark
