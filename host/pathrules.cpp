#include "host/pathrules.h"

namespace quillmark {

bool IsFilePath(std::string_view fullName)
{
    if (fullName.find(":\\") != std::string_view::npos) return true;
    if (fullName.find("\\\\") != std::string_view::npos) return true;
    return !fullName.empty() && fullName.front() == '/';
}

bool IsInFolder(std::string_view path, std::string_view folder)
{
    if (folder.empty() || !path.starts_with(folder)) return false;
    if (path.size() == folder.size()) return true;
    const char last = folder.back();
    if (last == '/' || last == '\\') return true;
    const char next = path[folder.size()];
    return next == '/' || next == '\\';
}

} // namespace quillmark
