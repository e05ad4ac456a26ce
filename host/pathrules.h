#pragma once
// How a host's full name tells a saved file from a document that has none yet.
#include <string_view>

namespace quillmark {

// A full path as the file layer knows it (drive, network or POSIX path). A
// never-saved document's bare name ("Document1") is none.
bool IsFilePath(std::string_view fullName);

// `path` lies inside `folder` (exact, case-sensitive): it starts with the folder's
// text and the folder ends there, at a separator or at the end of the path.
bool IsInFolder(std::string_view path, std::string_view folder);

} // namespace quillmark
