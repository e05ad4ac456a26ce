#include "host/mergeddocuments.h"

#include <algorithm>
#include <iostream>
#include <map>
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

// What a save writes into Keywords: the stored tags, each cut tag replaced in its
// place by the keyword it was cut from, then the keywords left out; only those
// of `untaken` that the document's `keywords` still hold.
TagList WithUntaken(const TagList& stored, const TagList& untaken, const TagList& keywords)
{
    if (untaken.empty()) return stored;
    const std::set<std::string> current(keywords.begin(), keywords.end());
    std::map<std::string, std::string> originalOf; // cut tag -> the keyword it was cut from
    TagList leftOut;
    for (const std::string& tag : untaken) {
        if (!current.contains(tag)) continue;
        const std::string cut = CutTag(tag);
        if (cut == tag || !originalOf.emplace(cut, tag).second) leftOut.push_back(tag);
    }
    TagList written;
    for (const std::string& tag : stored) {
        const auto it = originalOf.find(tag);
        if (it == originalOf.end() || it->second.empty()) {
            written.push_back(tag);
            continue;
        }
        written.push_back(it->second);
        it->second.clear(); // a second occurrence stays the stored tag
    }
    // A cut tag the record no longer holds: its keyword stays in the file, last.
    for (const auto& entry : originalOf)
        if (!entry.second.empty()) leftOut.push_back(entry.second);
    written.insert(written.end(), leftOut.begin(), leftOut.end());
    return written;
}

// The reverse for a record written from saved Keywords: a keyword the database did
// not take becomes the tag it was cut to where `record` holds that, and is dropped
// otherwise, so that a tag the user removed does not come back.
TagList WithoutUntaken(const TagList& saved, const TagList& untaken, const TagList& record)
{
    if (untaken.empty()) return saved;
    const std::set<std::string> out(untaken.begin(), untaken.end());
    const std::set<std::string> held(record.begin(), record.end());
    TagList tags;
    for (const std::string& tag : saved) {
        if (!out.contains(tag)) {
            tags.push_back(tag);
            continue;
        }
        std::string cut = CutTag(tag);
        if (cut != tag && held.contains(cut)) tags.push_back(std::move(cut));
    }
    return tags;
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
        const TagList stored = database.GetFileItem(fullName).tags;
        if (!database.ReadFailed()) return WithUntaken(stored, Untaken(spIdentity), keywords);
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
    if (Find(m_fromFile, spIdentity) < 0) return database.SetFileTags(fullName, savedTags);
    const TagList record = database.GetFileItem(fullName).tags;
    const LimitedTags limited = LimitFileTags(WithoutUntaken(savedTags, Untaken(spIdentity), record), record);
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
    Put(m_fromFile, spIdentity, false);
    std::erase_if(m_untaken, [&](const auto& entry) { return entry.first.Get() == spIdentity.Get(); });
}

} // namespace quillmark
