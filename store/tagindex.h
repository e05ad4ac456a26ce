#pragma once
// The tag database held in memory as a compact index: one entry per record with
// its texts and where its bytes stand in the file, one block of every record's
// case-folded tags for the search (store/casefold.h), and a map from fingerprint to record.
#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/column.h"
#include "store/indexmapping.h"
#include "store/recordxml.h"

namespace quillmark {

class TagIndex {
public:
    // Ends each tag in the search block; XML text never holds it, so a search
    // text cannot match across two tags or two records.
    static constexpr char kSeparator = '\x01';
    // Ends each tag among a record's texts: the tag's element was named "tag",
    // or it was another element (listed by searches, not a tag to the others).
    static constexpr char kTagMark = '\x01';
    static constexpr char kOtherMark = '\x02';

    // How the formatter lays out the root's children: as they were read (the
    // root holds text, so records made in memory are written compact), or
    // indented (the root holds no text: everything was made in memory).
    enum class Layout { AsRead, Indented };

    // Saved as it stands in the index file: no padding inside, nothing that
    // depends on the process that reads it.
    struct Record {
        std::uint64_t text = 0; // attribute values in Attr order, then the marked tags
        std::uint64_t block = 0; // case-folded tags in the search block
        std::uint64_t begin = 0, end = 0; // the element's bytes in the file (0, 0 once dropped)
        std::array<std::uint32_t, kAttrCount> length{};
        std::uint32_t tagsLength = 0;
        std::uint32_t blockLength = 0;
        std::uint32_t startTag = 0;       // length of its start tag (all of it when empty)
        std::int32_t nextSameKey = -1; // the next live record with the same md5
        std::array<Attr, kAttrCount> order{};
        std::uint8_t count = 0;
        bool live = true;
        std::array<std::uint8_t, 3> unused{};
    };
    static_assert(sizeof(Record) == 88, "a record is saved as it stands, without padding");

    void Clear();
    // True while the arrays view a mapped index file.
    bool IsMapped() const { return m_pMapping != nullptr; }
    // Makes room for a file of `fileBytes` bytes, so that reading it rarely
    // moves what was read (space not used is never touched).
    void Reserve(std::uint64_t fileBytes);
    // Gives the fingerprint map the size its entries need, once a file is read
    // (Reserve guessed from the file's size): the map is saved with the index.
    void FitKeyMap() { m_hexKeys.Fit(); }

    // Adds a record after all others. `markedTags` holds each tag followed by
    // kTagMark or kOtherMark. Returns its number.
    std::uint32_t Append(const AttrList& attrs, std::string_view markedTags);
    // Drops a record (its number stays taken until Compact).
    void Remove(std::uint32_t record);
    // Gives a record new attributes, keeping its place and tags.
    void SetAttributes(std::uint32_t record, const AttrList& attrs);
    // Packs the index when many records were dropped; renumbers records.
    void CompactIfSparse();

    // The first live record whose md5 is `key`, or -1.
    std::int32_t First(std::string_view key) const;
    std::int32_t NextSameKey(std::uint32_t record) const { return RecordAt(record).nextSameKey; }

    // Every record. An index that views a mapped file checks all of it first
    // (see VerifyAll); one record is better read with RecordAt.
    std::span<const Record> Records() const
    {
        if (m_pMapping && !m_pMapping->AllChecked())
            VerifyAll();
        return m_records.View();
    }
    // One record, checked against its checksum and for sound offsets when mapped.
    const Record& RecordAt(std::uint32_t record) const;
    bool IsLive(std::uint32_t record) const { return RecordAt(record).live; }
    std::size_t RecordCount() const { return m_records.size(); }
    // The records to change in place (the index made its own first).
    std::vector<Record>& MutableRecords()
    {
        Materialize();
        return m_records.Own();
    }
    // Checks every byte of a mapped index and every offset it holds; throws
    // IndexDamaged when something is wrong. Nothing to do for an index in memory.
    void VerifyAll() const;
    std::size_t LiveCount() const { return m_records.size() - m_dead; }
    std::string_view Value(std::uint32_t record, Attr attr) const;
    AttrList Attributes(std::uint32_t record) const;
    std::string_view MarkedTags(std::uint32_t record) const;
    // The record's "writedate" / "thumbwritedate" as a time; 0 when absent or not a date.
    std::int64_t WriteDate(std::uint32_t record) const;
    std::int64_t PreviewDate(std::uint32_t record) const;

    // Calls `hit(record)`, in record order, for every live record with a tag
    // that contains `lowerText` (already folded like the block).
    template <class Hit> void Search(std::string_view lowerText, Hit hit) const;

    // Facts about the file the index was read from or last written as.
    bool m_bCanonical = true;          // the file is byte for byte what the formatter writes for it
    Layout m_layout = Layout::Indented;
    std::uint64_t m_rootClose = 0;     // where "</documents>" starts (records present or root holds text)
    std::uint64_t m_fileSize = 0;

private:
    friend struct IndexImage; // saves and restores every member (store/indexfile.cpp)
    struct HexKey {
        std::uint64_t high = 0, low = 0;
        bool operator==(const HexKey&) const = default;
    };
    // Fingerprint to first record, open addressing: one probe usually reaches
    // the entry, where a node-based map follows two pointers.
    class KeyMap {
    public:
        friend struct IndexImage;
        friend class TagIndex;
        void Clear();
        void Reserve(std::size_t count);
        void Fit();
        // `mapping`, when the slots are mapped, checks each slot probed.
        const std::int32_t* Find(const HexKey& key, const IndexMapping* mapping = nullptr) const;
        // The entry for `key`, added with -1 when missing.
        std::int32_t& Entry(const HexKey& key);
        void Erase(const HexKey& key);

    private:
        struct Slot {
            HexKey key;
            std::int32_t value = -1;
            bool used = false;
        };
        std::size_t Home(const HexKey& key) const { return static_cast<std::size_t>(key.high ^ key.low) & m_mask; }
        void Grow(std::size_t capacity);
        Column<std::vector<Slot>> m_slots;
        std::size_t m_mask = 0;
        std::size_t m_count = 0;
    };
    static bool ParseKey(std::string_view key, HexKey& hex);
    std::int32_t* Head(std::string_view key);
    // Copies a mapped index into memory of its own (checked first), before a change.
    void Materialize();
    // Throws IndexDamaged unless `record` holds offsets inside the arrays.
    void CheckSound(std::uint32_t number, const Record& record) const;
    void CheckTexts(std::string_view texts) const;
    void Link(std::uint32_t record);
    void Unlink(std::uint32_t record);
    void AddTexts(Record& record, const AttrList& attrs);

    Column<std::vector<Record>> m_records; // in file order
    Column<std::vector<std::uint64_t>> m_blockStarts; // each record's `block`, packed for the search
    std::size_t m_dead = 0;
    Column<std::string> m_arena;
    Column<std::string> m_block;
    std::shared_ptr<const IndexMapping> m_pMapping; // the index file the columns view, when they do
    // Dates read from a record's text on first use (reading one asks the time
    // zone), by record number, in pages made as they are needed: one lookup
    // does not pay for every record. A cache: a copy starts empty, and it is
    // forgotten when records are renumbered.
    struct Dates {
        std::int64_t writeDate = 0, previewDate = 0;
        std::uint8_t read = 0; // bit 1: writeDate, bit 2: previewDate
    };
    class DateCache {
    public:
        DateCache() = default;
        DateCache(const DateCache&) {}
        DateCache& operator=(const DateCache&)
        {
            m_pages.clear();
            return *this;
        }
        DateCache(DateCache&&) noexcept = default;
        DateCache& operator=(DateCache&&) noexcept = default;
        Dates& At(std::uint32_t record);
        void Forget(std::uint32_t record);
        void Clear() { m_pages.clear(); }

    private:
        static constexpr std::size_t kPerPage = 1024;
        std::vector<std::unique_ptr<std::array<Dates, kPerPage>>> m_pages;
    };
    mutable DateCache m_dates;
    KeyMap m_hexKeys; // fingerprints, the usual keys
    std::unordered_map<std::string, std::int32_t> m_otherKeys;      // anything a hand-edited file holds
};

template <class Hit> void TagIndex::Search(std::string_view lowerText, Hit hit) const
{
    if (lowerText.empty() || lowerText.find(kSeparator) != std::string_view::npos)
        return;
    if (m_pMapping) {
        m_pMapping->Check(m_block.data(), m_block.size());
        m_pMapping->Check(m_blockStarts.data(), m_blockStarts.size() * sizeof(std::uint64_t));
    }
    const char* base = m_block.data();
    const std::uint64_t* starts = m_blockStarts.data();
    std::size_t from = 0;
    while (from < m_block.size()) {
        const void* found = ::memmem(base + from, m_block.size() - from, lowerText.data(), lowerText.size());
        if (!found)
            return;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - base);
        // The record whose block holds the hit: the last one starting at or before it.
        const auto after = std::upper_bound(starts, starts + m_blockStarts.size(), at);
        if (after == starts)
            throw IndexDamaged("the search block does not start with a record");
        const auto low = static_cast<std::size_t>(after - starts) - 1;
        const Record& record = RecordAt(static_cast<std::uint32_t>(low));
        hit(static_cast<std::uint32_t>(low));
        from = record.block + record.blockLength;
        if (from <= at)
            from = at + 1;
    }
}

// Calls `each(text, isTagElement)` for every tag among a record's marked tags.
template <class Each> void ForEachTag(std::string_view marked, Each each)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        if (marked[i] == TagIndex::kTagMark || marked[i] == TagIndex::kOtherMark) {
            each(marked.substr(start, i - start), marked[i] == TagIndex::kTagMark);
            start = i + 1;
        }
    }
}

} // namespace quillmark
