#pragma once
// The controls' way to the desktop: requests go to the current URL opener
// (platform/shell/opener.h), which the add-in routes through its prompts
// (ui/prompts.h) once it has connected.
#include <string>

namespace quillmark {

// The shell's "open" verb for `target` (a web address); true when the request was handed on.
bool ShellOpen(const std::string& target);

} // namespace quillmark
