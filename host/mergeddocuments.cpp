#include "host/mergeddocuments.h"

#include <algorithm>
#include <iostream>
#include <set>

#include "host/officeapplication.h"
#include "store/tagunion.h"
#include "resources/strings.h"
#include "store/taggingdatabase.h"

namespace quillmark {

namespace {

constexpr int kIdsKeywordsKept = 161, kIdsDatabaseUnreadable = 162, kIdsDatabaseUnwritten = 163,
              kIdsKeywordsLimited = 164;

// String `id` with its "%s" replaced by `values`, in order.
std::string WithValues(int id, std::initializer_list<std::string> values)
{
    std::string text = LoadResString(id);
    std::size_t from = 0;
    for (const std::string& value : values) {
        const auto at = text.find("%s", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

std::string WithValue(int id, const std::string& value) { return WithValues(id, {value}); }

// `tags` without those in `leftOut`.
TagList Without(const TagList& tags, const TagList& leftOut)
{
    if (leftOut.empty()) return tags;
    const std::set<std::string> out(leftOut.begin(), leftOut.end());
    TagList kept;
    for (const std::string& tag : tags)
        if (!out.contains(tag)) kept.push_back(tag);
    return kept;
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
    const std::string fileNameTag = OfficeApplication::GetFileNameTag(fullName);
    const TagList stored = database.GetFileItem(fullName).tags;
    const LimitedTags limited = LimitFileTags(keywords, stored);
    NoteLimited(spIdentity, fullName, limited);
    TagUnion::ForOpenedDocument(stored, limited.tags, fileNameTag, bChanged);
    // An unreadable database answered with no record at all: nothing is known to be held.
    bool bMerged = !database.ReadFailed();
    // Made again under the lock from the freshest record: another program's
    // change since the read above is kept.
    if (bMerged && bChanged) bMerged = TagUnion::StoreForOpenedDocument(database, fullName, limited.tags, fileNameTag);
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
        if (!database.ReadFailed()) {
            // What the database could not take stays in the file, after the stored tags.
            const std::set<std::string> current(keywords.begin(), keywords.end());
            for (const std::string& tag : Untaken(spIdentity))
                if (current.contains(tag)) stored.push_back(tag);
            return stored;
        }
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
    const LimitedTags limited =
        LimitFileTags(Without(savedTags, Untaken(spIdentity)), database.GetFileItem(fullName).tags);
    NoteLimited(spIdentity, fullName, limited);
    return database.SetFileTags(fullName, limited.tags);
}

void MergedDocuments::NoteLimited(const ComPtr<IUnknown>& spIdentity, const std::string& fullName,
                                  const LimitedTags& limited)
{
    if (!limited.Limited()) return;
    if (spIdentity) {
        auto it = std::find_if(m_untaken.begin(), m_untaken.end(),
                               [&](const auto& entry) { return entry.first.Get() == spIdentity.Get(); });
        if (it == m_untaken.end()) it = m_untaken.insert(m_untaken.end(), {spIdentity, {}});
        const std::set<std::string> known(it->second.begin(), it->second.end());
        for (const std::string& tag : limited.untaken)
            if (!known.contains(tag)) it->second.push_back(tag);
        if (Find(m_toldLimited, spIdentity) >= 0) return;
        m_toldLimited.push_back(spIdentity);
    }
    std::cerr << "quillmark: "
              << WithValues(kIdsKeywordsLimited, {fullName, std::to_string(kMaxTagCharacters),
                                                  std::to_string(kMaxTagsFromFile), std::to_string(limited.nCut),
                                                  std::to_string(limited.nLeftOut)})
              << std::endl;
}

const TagList& MergedDocuments::Untaken(const ComPtr<IUnknown>& spIdentity) const
{
    static const TagList kNone;
    if (!spIdentity) return kNone;
    for (const auto& [spDoc, tags] : m_untaken)
        if (spDoc.Get() == spIdentity.Get()) return tags;
    return kNone;
}

void MergedDocuments::Forget(const ComPtr<IUnknown>& spIdentity)
{
    Put(m_merged, spIdentity, false);
    Put(m_failed, spIdentity, false);
    Put(m_told, spIdentity, false);
    Put(m_toldLimited, spIdentity, false);
    std::erase_if(m_untaken, [&](const auto& entry) { return entry.first.Get() == spIdentity.Get(); });
}

} // namespace quillmark
