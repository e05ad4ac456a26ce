#include "host/previewfolder.h"

#include <cstdio>

#include "platform/files/files.h"
#include "resources/strings.h"
#include "store/appsettings.h"

namespace quillmark {

namespace {
constexpr int kIdsSlideFileFormat = 115; // "Slide%d.jpg"
} // namespace

std::string PreviewFolder(const AppSettings& settings, const std::string& md5)
{
    return settings.DatabasePath + md5;
}

std::vector<std::string> PreviewImageNames(const std::string& folder)
{
    return files::ListFiles(folder, "*.jpg", files::NameCase::Ignore);
}

std::string FindSlideImage(const std::string& folder, int slide)
{
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, LoadResString(kIdsSlideFileFormat).c_str(), slide);
    // The wanted name holds no wildcard characters, so it can serve as its own pattern.
    const std::vector<std::string> names = files::ListFiles(folder, wanted, files::NameCase::Ignore);
    return names.empty() ? std::string() : folder + "/" + names.front();
}

} // namespace quillmark
