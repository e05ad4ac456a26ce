#pragma once
// The shell verbs the Browse Tags dialogs use on a listed file: "explore" its
// folder in the file manager, and "open" it in the desktop's default application.
// Both go through the current prompts (ui/prompts.h), which tell the person when
// a request cannot be carried out.
#include <string>

#include "platform/files/paths.h"

class QWidget;

namespace quillmark {

using files::FolderOfPath;

// Shows the folder of `path` in the file manager; true when the request was handed on.
bool ShowFileInExplorer(QWidget* pOwner, const std::string& path);
// Opens the file `path` with the desktop's default application for it.
bool OpenWithDesktop(QWidget* pOwner, const std::string& path);

} // namespace quillmark
