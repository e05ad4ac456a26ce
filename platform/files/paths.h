#pragma once
// Full paths as the product knows them: Windows drive and network paths, and
// POSIX paths, and making a relative path absolute without resolving links.
#include <string>
#include <string_view>

namespace quillmark::files {

// A full path contains ":\" or "\\" (Windows) or starts with "/".
bool IsFullPath(std::string_view path);

// `path` lies inside `folder` (exact, case-sensitive): it starts with the folder's
// text and the folder ends there, at a separator or at the end of the path.
bool IsInFolder(std::string_view path, std::string_view folder);

// A full path (and the empty text) is returned exactly as given; a relative one
// is made absolute against `workingDir` (default: WorkingDirectory()) without
// resolving links or "..". Empty, with errno set, when the working folder is unknown.
std::string MakeFullPath(const std::string& path, const std::string& workingDir = {});

// The folder part of `path`: everything before its last "/" ("." when it has
// none, "/" for a file in the root).
std::string FolderOf(const std::string& path);

// The file name of `path`: everything after its last "\" or "/" (both separate
// folders when a name is taken from a path).
std::string NameOf(std::string_view path);

// The folder of `path` as it is shown and opened, its counterpart: everything
// before its last "/" or "\" (that separator alone for a file in the root; ""
// when it has none).
std::string FolderOfPath(std::string_view path);

// The process's working directory, from $PWD when it names the same folder
// (so the user's spelling through links is kept), else getcwd(). Empty, with errno
// set, when it cannot be determined (a deleted folder, say).
std::string WorkingDirectory();

} // namespace quillmark::files
