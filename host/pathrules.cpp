#include "host/pathrules.h"

#include "platform/files/paths.h"

namespace quillmark {

bool IsFilePath(std::string_view fullName) { return files::IsFullPath(fullName); }

bool IsInFolder(std::string_view path, std::string_view folder) { return files::IsInFolder(path, folder); }

} // namespace quillmark
