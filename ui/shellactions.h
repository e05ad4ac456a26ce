#pragma once
// The shell verbs the Browse Tags dialogs use on a listed file: "explore" its
// folder in the file manager, and "open" it in the desktop's default application.
// A host that runs a script gets the request in its transcript instead
// (officeapi/scripthooks.h); otherwise it goes to platform/shell.
#include <string>

namespace quillmark {

// The folder of `path`: everything before its last "/" or "\" ("" when it has none).
std::string FolderOfPath(const std::string& path);

// Shows the folder of `path` in the file manager; true when the request was handed on.
bool ShowFileInExplorer(const std::string& path);
// Opens the file `path` with the desktop's default application for it.
bool OpenWithDesktop(const std::string& path);

} // namespace quillmark
