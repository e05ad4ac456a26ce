#include "store/filesystemtags.h"

#include "platform/files/files.h"
#include "platform/files/filesystem.h"
#include "store/utf8.h"

#include <set>

namespace quillmark::fstags {

bool Write(const std::string& path, const TagList& tags) { return Write(files::FileSystem::Current(), path, tags); }

bool Write(files::FileSystem& fs, const std::string& path, const TagList& tags)
{
    std::string value;
    std::set<std::string_view> written;
    for (const std::string& tag : tags) {
        if (tag.empty() || !written.insert(tag).second)
            continue;
        if (!value.empty())
            value += ',';
        value += tag;
    }
    if (value.empty())
        return files::SetAttribute(fs, path, kAttribute, std::nullopt);
    return files::SetAttribute(fs, path, kAttribute, value);
}

TagList Read(const std::string& path)
{
    const std::optional<std::string> value = files::GetAttribute(path, kAttribute);
    if (!value || !utf8::IsXmlText(*value))
        return {};
    TagList tags;
    for (std::string& tag : SplitTags(*value))
        if (!tag.empty() && tag.find_first_of("\r\n") == std::string::npos)
            tags.push_back(std::move(tag));
    return tags;
}

} // namespace quillmark::fstags
