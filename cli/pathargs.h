#pragma once
// How the command line turns a PATH argument into the full path that is stored.
#include <string>

namespace quillmark::cli {

// A full path contains ":\" or "\\" (Windows) or starts with "/".
bool IsFullPath(const std::string& path);

// A full path is returned exactly as given; a relative one is made absolute
// against `workingDir` without resolving links or "..".
std::string MakeFullPath(const std::string& path, const std::string& workingDir);

// The process's working directory, from $PWD when it names the same folder
// (so the user's spelling through links is kept), else getcwd().
std::string WorkingDirectory();

} // namespace quillmark::cli
