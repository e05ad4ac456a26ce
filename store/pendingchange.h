#pragma once
// One change to the tag database as it is being made: the RecordEditor that
// TaggingDatabase::Change hands out, over the index of the file read under
// the lock. It keeps the change's edits twice: as the steps taken (replayed on
// a document tree) and as their outcome against the index (records dropped,
// previews changed, records appended), from which a splice is planned.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/files/files.h"
#include "platform/files/filesystem.h"
#include "store/fileitem.h"
#include "store/fingerprint.h"
#include "store/recordeditor.h"
#include "store/tagindex.h"

using xmlDoc = struct _xmlDoc;

namespace quillmark {

// A record as listings give it: path, name, md5, preview date and every tag;
// written over `item`, whose strings keep their room.
void FillListedItem(const TagIndex& index, std::uint32_t record, FileItem& item);
FileItem ListedItemOf(const TagIndex& index, std::uint32_t record);

// Text the XML file cannot hold (bad UTF-8, control characters) would make
// the whole file unreadable: it is refused before anything changes (false,
// with the reason given as the database's warning).
bool Storable(const FileItem& item);

// The edits of one change, kept twice: as the steps taken (replayed on a
// document tree) and as their outcome against the index (records dropped,
// previews changed, records appended), from which the pieces are planned.
class PendingChange final : public RecordEditor {
public:
    struct Step {
        enum Kind { Write, Preview, Remove } kind = Write;
        std::string key;
        FileItem item;        // Write
        Time previewDate = 0; // Preview
    };
    struct Appended {
        std::string key;
        FileItem item;
        bool live = true;
        std::optional<Time> preview; // set later in the same change
    };

    PendingChange(const TagIndex& index, files::FileSystem& fs) : m_index(index), m_fs(fs) {}

    TagList Tags(const std::string& path) const override
    {
        TagList tags;
        for (const Entry& entry : Entries(quillmark::GetMd5Hex(path))) {
            if (!entry.original) {
                const TagList& own = m_appended[entry.number].item.tags;
                tags.insert(tags.end(), own.begin(), own.end());
                continue;
            }
            ForEachTag(m_index.MarkedTags(entry.number), [&](std::string_view tag, bool isTag) {
                if (isTag)
                    tags.emplace_back(tag);
            });
        }
        return tags;
    }

    bool Contains(const std::string& path) const override { return !Entries(quillmark::GetMd5Hex(path)).empty(); }

    void ForEach(const std::function<void(const FileItem&)>& each) const override
    {
        const std::size_t count = m_index.Records().size();
        for (std::uint32_t i = 0; i < count; ++i)
            if (m_index.Records()[i].live)
                each(ListedItemOf(m_index, i));
    }

    bool SetTags(const std::string& path, const TagList& tags) override
    {
        FileItem item;
        item.path = path;
        item.tags = tags;
        if (const auto times = files::GetFileTimes(m_fs, path)) {
            item.writeDate = times->writeTime;
            item.accessDate = times->accessTime;
            item.createDate = times->createTime;
        }
        return Write(item);
    }

    bool Write(const FileItem& item) override
    {
        if (!Storable(item))
            return false;
        std::string key = quillmark::GetMd5Hex(item.path);
        std::vector<Entry>& entries = Entries(key);
        DropFirst(entries);
        entries.push_back({false, static_cast<std::uint32_t>(m_appended.size())});
        m_appended.push_back({key, item, true, std::nullopt});
        m_steps.push_back({Step::Write, std::move(key), item, 0});
        return true;
    }

    bool Remove(const std::string& path) override
    {
        std::string key = quillmark::GetMd5Hex(path);
        std::vector<Entry>& entries = Entries(key);
        if (entries.empty())
            return false;
        DropFirst(entries);
        m_steps.push_back({Step::Remove, std::move(key), {}, 0});
        return true;
    }

    bool SetPreviewDate(const std::string& md5, Time previewDate) override
    {
        const std::vector<Entry>& entries = Entries(md5);
        if (entries.empty())
            return false;
        const Entry first = entries.front();
        if (first.original)
            m_previews[first.number] = previewDate;
        else
            m_appended[first.number].preview = previewDate;
        m_steps.push_back({Step::Preview, md5, {}, previewDate});
        return true;
    }

    bool Empty() const { return m_steps.empty(); }
    // Takes the change's steps, in order, on a document tree, as the tree
    // writer does; false when one cannot be taken.
    bool ReplayOn(xmlDoc* doc) const;

    std::vector<Step> m_steps;
    std::vector<Appended> m_appended;
    std::unordered_set<std::uint32_t> m_dropped;     // stored records removed
    std::unordered_map<std::uint32_t, Time> m_previews; // stored records with a new preview date

private:
    // A record with a key: a stored one (its number in the index) or one this
    // change appended (its place in m_appended).
    struct Entry {
        bool original = true;
        std::uint32_t number = 0;
    };

    // The records keyed `key`, in file order, as this change leaves them.
    std::vector<Entry>& Entries(const std::string& key) const
    {
        const auto [it, added] = m_keys.try_emplace(key);
        if (added)
            for (std::int32_t r = m_index.First(key); r >= 0; r = m_index.NextSameKey(static_cast<std::uint32_t>(r)))
                it->second.push_back({true, static_cast<std::uint32_t>(r)});
        return it->second;
    }

    // A write or removal replaces the first record with the key, as the tree does.
    void DropFirst(std::vector<Entry>& entries)
    {
        if (entries.empty())
            return;
        const Entry first = entries.front();
        if (first.original)
            m_dropped.insert(first.number);
        else
            m_appended[first.number].live = false;
        entries.erase(entries.begin());
    }

    const TagIndex& m_index;
    files::FileSystem& m_fs;
    mutable std::unordered_map<std::string, std::vector<Entry>> m_keys;
};

} // namespace quillmark
