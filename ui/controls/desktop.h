#pragma once
// The add-in's way to the desktop: requests to the shell go to the host's script
// when the host runs one (recorded there, never carried out), else to platform/shell.
#include <string>

namespace quillmark::automation {
class ScriptHooks;
}

namespace quillmark {

// The hooks of a scripting host (officeapi/scripthooks.h); null without one.
automation::ScriptHooks* HostScriptHooks();

// The shell's "open" verb for `target` (a web address); true when the request was handed on.
bool ShellOpen(const std::string& target);

} // namespace quillmark
