#pragma once
// How a host's full name tells a saved file from a document that has none yet.
#include <string_view>

namespace quillmark {

// A full path as the file layer knows it (drive, network or POSIX path). A
// never-saved document's bare name ("Document1") is none.
bool IsFilePath(std::string_view fullName);

// `path` lies inside `folder`: files::IsInFolder (platform/files/paths.h).
bool IsInFolder(std::string_view path, std::string_view folder);

} // namespace quillmark
