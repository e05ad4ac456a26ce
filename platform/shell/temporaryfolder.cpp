#include "platform/shell/temporaryfolder.h"

#include "platform/files/paths.h"
#include "platform/shell/folders.h"

#include <optional>

namespace quillmark::shell {

bool IsInTemporaryFolder(const std::string& path)
{
    const std::string tempFolder = GetTempFolder();
    const std::optional<std::string> shortPath = GetShortPathName(path);
    // A file that does not exist (yet) has no short form: its path as given counts.
    const std::string& comparedPath = shortPath ? *shortPath : path;
    if (comparedPath.starts_with(tempFolder))
        return true;
    // $TMPDIR itself may be spelled through a link.
    if (const std::optional<std::string> shortTemp = GetShortPathName(tempFolder))
        if (files::IsInFolder(comparedPath, *shortTemp))
            return true;
    return files::IsInFolder(path, GetBrowserCacheFolder());
}

} // namespace quillmark::shell
