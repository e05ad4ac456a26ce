#include "host/mergeddocuments.h"

#include <iostream>

#include "host/officeapplication.h"
#include "host/tagunion.h"
#include "resources/strings.h"
#include "store/taggingdatabase.h"

namespace quillmark {

namespace {

constexpr int kIdsKeywordsKept = 161, kIdsDatabaseUnreadable = 162, kIdsDatabaseUnwritten = 163;

// String `id` with its "%s" replaced by `value`.
std::string WithValue(int id, const std::string& value)
{
    std::string text = LoadResString(id);
    if (const auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

} // namespace

long MergedDocuments::Find(const std::vector<ComPtr<IUnknown>>& docs, const ComPtr<IUnknown>& spIdentity)
{
    for (std::size_t i = 0; i < docs.size(); ++i)
        if (docs[i].Get() == spIdentity.Get()) return static_cast<long>(i);
    return -1;
}

void MergedDocuments::Put(std::vector<ComPtr<IUnknown>>& docs, const ComPtr<IUnknown>& spIdentity, bool bIn)
{
    const long at = Find(docs, spIdentity);
    if (bIn && at < 0) docs.push_back(spIdentity);
    if (!bIn && at >= 0) docs.erase(docs.begin() + at);
}

bool MergedDocuments::Merge(TaggingDatabase& database, const ComPtr<IUnknown>& spIdentity,
                            const std::string& fullName, const TagList& keywords, bool& bChanged)
{
    const TagUnion unionTags = TagUnion::ForOpenedDocument(database.GetFileItem(fullName).tags, keywords,
                                                           OfficeApplication::GetFileNameTag(fullName), bChanged);
    // An unreadable database answered with no record at all: nothing is known to be held.
    bool bMerged = !database.ReadFailed();
    if (bMerged && bChanged) bMerged = database.SetFileTags(fullName, unionTags.Tags());
    if (spIdentity) {
        Put(m_merged, spIdentity, bMerged);
        Put(m_failed, spIdentity, !bMerged);
        if (bMerged) Put(m_told, spIdentity, false);
    }
    return bMerged;
}

std::optional<TagList> MergedDocuments::TagsForSave(TaggingDatabase& database, const ComPtr<IUnknown>& spIdentity,
                                                    const std::string& fullName, const TagList& keywords)
{
    bool bChanged = false;
    if (IsMerged(spIdentity) || Merge(database, spIdentity, fullName, keywords, bChanged)) {
        TagList stored = database.GetFileItem(fullName).tags;
        if (!database.ReadFailed()) return stored;
    }
    // Keywords the save keeps are not what the database holds: the record of the
    // saved document is merged with them, never replaced by them.
    if (spIdentity) {
        Put(m_merged, spIdentity, false);
        Put(m_failed, spIdentity, true);
    }
    if (Find(m_told, spIdentity) < 0) {
        if (spIdentity) m_told.push_back(spIdentity);
        std::string reason = LoadResString(database.ReadFailed() ? kIdsDatabaseUnreadable : kIdsDatabaseUnwritten);
        if (!database.LastError().empty()) reason += " (" + database.LastError() + ")";
        std::cerr << "quillmark: " << WithValue(kIdsKeywordsKept, fullName) << ' ' << reason << std::endl;
    }
    return std::nullopt;
}

bool MergedDocuments::RecordSaved(TaggingDatabase& database, const ComPtr<IUnknown>& spIdentity,
                                  const std::string& fullName, const TagList& keywords, const TagList& savedTags)
{
    if (Find(m_failed, spIdentity) >= 0) {
        bool bChanged = false;
        return Merge(database, spIdentity, fullName, keywords, bChanged);
    }
    return database.SetFileTags(fullName, savedTags);
}

void MergedDocuments::Forget(const ComPtr<IUnknown>& spIdentity)
{
    Put(m_merged, spIdentity, false);
    Put(m_failed, spIdentity, false);
    Put(m_told, spIdentity, false);
}

} // namespace quillmark
