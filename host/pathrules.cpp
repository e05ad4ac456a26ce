#include "host/pathrules.h"

#include "platform/files/paths.h"

namespace quillmark {

bool IsFilePath(std::string_view fullName) { return files::IsFullPath(fullName); }

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
