#include "store/tagunion.h"

#include "store/taggingdatabase.h"

#include <utility>

namespace quillmark {

std::string FileNameTag(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return {};
    std::string name = path.substr(0, dot);
    const std::size_t separator = name.find_last_of("\\/");
    if (separator != std::string::npos) name.erase(0, separator + 1);
    return name;
}

TagUnion::TagUnion(TagList tags) : m_tags(std::move(tags)), m_setHeld(m_tags.begin(), m_tags.end()) {}

bool TagUnion::Add(const std::string& tag)
{
    if (tag.empty() || !m_setHeld.insert(tag).second) return false;
    m_tags.push_back(tag);
    return true;
}

TagUnion TagUnion::ForOpenedDocument(TagList storedTags, const TagList& embeddedTags,
                                     const std::string& fileNameTag, bool& bChanged)
{
    TagUnion unionTags(std::move(storedTags));
    bChanged = false;
    for (const std::string& tag : embeddedTags)
        bChanged |= unionTags.Add(tag);
    bChanged |= unionTags.Add(fileNameTag);
    return unionTags;
}

bool TagUnion::StoreForOpenedDocument(TaggingDatabase& database, const std::string& path,
                                      const TagList& embeddedTags, const std::string& fileNameTag)
{
    return database.UpdateFileTags(path, [&](const TagList& stored) {
        bool bChanged = false;
        return ForOpenedDocument(stored, embeddedTags, fileNameTag, bChanged).Tags();
    });
}

TagUnion TagUnion::ForRelocatedDocument(TagList locatedTags, const TagList& oldTags,
                                        const std::string& fileNameTag)
{
    bool bChanged = false;
    return ForOpenedDocument(std::move(locatedTags), oldTags, fileNameTag, bChanged);
}

TagUnion TagUnion::ForSavedDocument(TagList embeddedTags, const std::string& fileNameTag)
{
    TagUnion unionTags(std::move(embeddedTags));
    unionTags.Add(fileNameTag);
    return unionTags;
}

} // namespace quillmark
