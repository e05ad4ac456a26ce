#include "store/tagindex.h"

#include "store/casefold.h"
#include "store/datetext.h"

#include <stdexcept>

namespace quillmark {

void TagIndex::Clear()
{
    m_records.Clear();
    m_blockStarts.Clear();
    m_dead = 0;
    m_arena.Clear();
    m_block.Clear();
    m_pMapping.reset();
    m_dates.Clear();
    m_hexKeys.Clear();
    m_otherKeys.clear();
    m_bCanonical = true;
    m_layout = Layout::Indented;
    m_rootClose = 0;
    m_fileSize = 0;
}

void TagIndex::Reserve(std::uint64_t fileBytes)
{
    // A record written by the formatter takes about 250 bytes of the file,
    // 60% of which are its texts and an eighth its tags.
    const std::size_t records = static_cast<std::size_t>(fileBytes / 250);
    m_records.Own().reserve(records);
    m_blockStarts.Own().reserve(records);
    // The fingerprint map grows as records come instead: it is saved with the
    // index at its full size, and a guess from the file's size may be far off.
    m_arena.Own().reserve(static_cast<std::size_t>(fileBytes * 6 / 10));
    m_block.Own().reserve(static_cast<std::size_t>(fileBytes / 8));
}

void TagIndex::KeyMap::Clear()
{
    m_slots.Clear();
    m_mask = 0;
    m_count = 0;
}

void TagIndex::KeyMap::Reserve(std::size_t count)
{
    std::size_t capacity = 16;
    while (capacity < count * 2)
        capacity *= 2;
    if (capacity > m_slots.size())
        Grow(capacity);
}

void TagIndex::KeyMap::Fit()
{
    // At most half full, as Entry keeps it, with room for one more entry.
    std::size_t capacity = 16;
    while (capacity < (m_count + 1) * 2)
        capacity *= 2;
    if (capacity < m_slots.size())
        Grow(capacity);
}

void TagIndex::KeyMap::Grow(std::size_t capacity)
{
    std::vector<Slot> old;
    old.swap(m_slots.Own());
    std::vector<Slot>& slots = m_slots.Own();
    slots.resize(capacity);
    m_mask = capacity - 1;
    for (const Slot& slot : old) {
        if (!slot.used)
            continue;
        std::size_t i = Home(slot.key);
        while (slots[i].used)
            i = (i + 1) & m_mask;
        slots[i] = slot;
    }
}

const std::int32_t* TagIndex::KeyMap::Find(const HexKey& key, const IndexMapping* mapping) const
{
    if (m_slots.empty())
        return nullptr;
    // At most one round: a table read from a file may have no free slot.
    std::size_t i = Home(key);
    for (std::size_t probes = 0; probes < m_slots.size(); ++probes, i = (i + 1) & m_mask) {
        const Slot& slot = m_slots[i];
        if (mapping)
            mapping->Check(&slot, sizeof slot);
        if (!slot.used)
            return nullptr;
        if (slot.key == key)
            return &slot.value;
    }
    return nullptr;
}

std::int32_t& TagIndex::KeyMap::Entry(const HexKey& key)
{
    if ((m_count + 1) * 2 > m_slots.size())
        Grow(m_slots.empty() ? 16 : m_slots.size() * 2);
    std::vector<Slot>& slots = m_slots.Own();
    std::size_t i = Home(key);
    for (; slots[i].used; i = (i + 1) & m_mask)
        if (slots[i].key == key)
            return slots[i].value;
    slots[i].used = true;
    slots[i].key = key;
    slots[i].value = -1;
    ++m_count;
    return slots[i].value;
}

// Removes an entry and moves later entries of its probe run back into the gap,
// so that every lookup still reaches them without crossing an empty slot.
void TagIndex::KeyMap::Erase(const HexKey& key)
{
    if (m_slots.empty())
        return;
    std::vector<Slot>& slots = m_slots.Own();
    std::size_t hole = Home(key);
    while (slots[hole].used && !(slots[hole].key == key))
        hole = (hole + 1) & m_mask;
    if (!slots[hole].used)
        return;
    for (std::size_t next = (hole + 1) & m_mask; slots[next].used; next = (next + 1) & m_mask) {
        const std::size_t home = Home(slots[next].key);
        // The entry at `next` may fill the hole only if its home is not in (hole, next].
        const bool stays = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (stays)
            continue;
        slots[hole] = slots[next];
        hole = next;
    }
    slots[hole].used = false;
    --m_count;
}

bool TagIndex::ParseKey(std::string_view key, HexKey& hex)
{
    if (key.size() != 32)
        return false;
    std::uint64_t parts[2] = {0, 0};
    for (std::size_t i = 0; i < 32; ++i) {
        const char c = key[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
        parts[i / 16] = (parts[i / 16] << 4) | digit;
    }
    hex.high = parts[0];
    hex.low = parts[1];
    return true;
}

std::int32_t TagIndex::First(std::string_view key) const
{
    HexKey hex;
    if (ParseKey(key, hex)) {
        const std::int32_t* found = m_hexKeys.Find(hex, m_pMapping.get());
        if (found && (*found < -1 || *found >= static_cast<std::int64_t>(m_records.size())))
            throw IndexDamaged("a fingerprint names no record");
        return found ? *found : -1;
    }
    const auto found = m_otherKeys.find(std::string(key));
    return found == m_otherKeys.end() ? -1 : found->second;
}

std::int32_t* TagIndex::Head(std::string_view key)
{
    HexKey hex;
    if (ParseKey(key, hex))
        return &m_hexKeys.Entry(hex);
    return &m_otherKeys.try_emplace(std::string(key), -1).first->second;
}

// Puts a record at the end of its key's chain (records only ever join at the end
// of the file, so the chain stays in file order).
void TagIndex::Link(std::uint32_t record)
{
    std::vector<Record>& records = m_records.Own();
    Record& entry = records[record];
    entry.nextSameKey = -1;
    bool hasKey = false;
    for (std::uint8_t i = 0; i < entry.count; ++i)
        hasKey = hasKey || entry.order[i] == kMd5;
    if (!hasKey)
        return;
    std::int32_t* link = Head(Value(record, kMd5));
    while (*link >= 0)
        link = &records[static_cast<std::uint32_t>(*link)].nextSameKey;
    *link = static_cast<std::int32_t>(record);
}

void TagIndex::Unlink(std::uint32_t record)
{
    bool hasKey = false;
    for (std::uint8_t i = 0; i < m_records[record].count; ++i)
        hasKey = hasKey || m_records[record].order[i] == kMd5;
    if (!hasKey)
        return;
    const std::string key(Value(record, kMd5));
    std::vector<Record>& records = m_records.Own();
    std::int32_t* link = Head(key);
    while (*link >= 0 && *link != static_cast<std::int32_t>(record))
        link = &records[static_cast<std::uint32_t>(*link)].nextSameKey;
    if (*link >= 0)
        *link = records[record].nextSameKey;
    HexKey hex;
    if (*Head(key) < 0) {
        if (ParseKey(key, hex))
            m_hexKeys.Erase(hex);
        else
            m_otherKeys.erase(key);
    }
}

void TagIndex::AddTexts(Record& record, const AttrList& attrs)
{
    record.text = m_arena.size();
    record.order = attrs.order;
    record.count = attrs.count;
    for (std::uint8_t i = 0; i < kAttrCount; ++i) {
        const std::string_view value = attrs.values[i];
        if (value.size() > UINT32_MAX)
            throw std::length_error("attribute too long");
        record.length[i] = static_cast<std::uint32_t>(value.size());
        m_arena.Own().append(value);
    }
}

std::uint32_t TagIndex::Append(const AttrList& attrs, std::string_view markedTags)
{
    Materialize();
    Record record;
    AddTexts(record, attrs);
    m_arena.Own().append(markedTags);
    record.tagsLength = static_cast<std::uint32_t>(markedTags.size());
    std::string& block = m_block.Own();
    record.block = block.size();
    // Each tag folded once here, so that a search folds only its own text.
    std::size_t start = 0;
    for (std::size_t i = 0; i < markedTags.size(); ++i) {
        if (markedTags[i] == kTagMark || markedTags[i] == kOtherMark) {
            AppendFolded(block, markedTags.substr(start, i - start));
            block += kSeparator;
            start = i + 1;
        }
    }
    AppendFolded(block, markedTags.substr(start));
    record.blockLength = static_cast<std::uint32_t>(block.size() - record.block);
    m_records.Own().push_back(record);
    m_blockStarts.Own().push_back(record.block);
    const auto number = static_cast<std::uint32_t>(m_records.size() - 1);
    Link(number);
    return number;
}

void TagIndex::Remove(std::uint32_t record)
{
    Materialize();
    if (!m_records[record].live)
        return;
    Unlink(record);
    Record& entry = m_records.Own()[record];
    entry.live = false;
    // It stands nowhere in the file any more: where it stood may lie past the
    // end of the file written without it.
    entry.begin = entry.end = 0;
    entry.startTag = 0;
    // Its tags can no longer match.
    std::fill_n(m_block.Own().begin() + static_cast<std::ptrdiff_t>(entry.block), entry.blockLength, kSeparator);
    ++m_dead;
}

void TagIndex::SetAttributes(std::uint32_t record, const AttrList& attrs)
{
    Materialize();
    // The values may lie in the arena that grows here: copy them first.
    std::array<std::string, kAttrCount> copies;
    AttrList safe = attrs;
    for (std::uint8_t i = 0; i < kAttrCount; ++i) {
        copies[i] = attrs.values[i];
        safe.values[i] = copies[i];
    }
    const std::string tags(MarkedTags(record));
    Record& entry = m_records.Own()[record];
    // The key stays: only the preview date changes in place.
    AddTexts(entry, safe);
    m_dates.Forget(record);
    entry.tagsLength = static_cast<std::uint32_t>(tags.size());
    m_arena.Own().append(tags);
}

void TagIndex::CompactIfSparse()
{
    if (m_dead < 1024 || m_dead < LiveCount())
        return;
    Materialize();
    TagIndex packed;
    packed.m_arena.Own().reserve(m_arena.size() / 2);
    packed.m_block.Own().reserve(m_block.size() / 2);
    for (std::uint32_t i = 0; i < m_records.size(); ++i) {
        if (!m_records[i].live)
            continue;
        const std::uint32_t number = packed.Append(Attributes(i), MarkedTags(i));
        Record& entry = packed.m_records.Own()[number];
        entry.begin = m_records[i].begin;
        entry.end = m_records[i].end;
        entry.startTag = m_records[i].startTag;
    }
    packed.m_bCanonical = m_bCanonical;
    packed.m_layout = m_layout;
    packed.m_rootClose = m_rootClose;
    packed.m_fileSize = m_fileSize;
    *this = std::move(packed);
}

std::string_view TagIndex::Value(std::uint32_t record, Attr attr) const
{
    const Record& entry = RecordAt(record);
    std::uint64_t offset = entry.text;
    for (std::uint8_t i = 0; i < attr; ++i)
        offset += entry.length[i];
    const std::string_view value = std::string_view(m_arena.data(), m_arena.size()).substr(offset, entry.length[attr]);
    CheckTexts(value);
    return value;
}

AttrList TagIndex::Attributes(std::uint32_t record) const
{
    const Record& entry = RecordAt(record);
    AttrList attrs;
    attrs.order = entry.order;
    attrs.count = entry.count;
    std::uint64_t offset = entry.text;
    for (std::uint8_t i = 0; i < kAttrCount; ++i) {
        attrs.values[i] = std::string_view(m_arena.data(), m_arena.size()).substr(offset, entry.length[i]);
        CheckTexts(attrs.values[i]);
        offset += entry.length[i];
    }
    return attrs;
}

std::string_view TagIndex::MarkedTags(std::uint32_t record) const
{
    const Record& entry = RecordAt(record);
    std::uint64_t offset = entry.text;
    for (std::uint32_t length : entry.length)
        offset += length;
    const std::string_view tags = std::string_view(m_arena.data(), m_arena.size()).substr(offset, entry.tagsLength);
    CheckTexts(tags);
    return tags;
}

} // namespace quillmark

namespace quillmark {

TagIndex::Dates& TagIndex::DateCache::At(std::uint32_t record)
{
    const std::size_t page = record / kPerPage;
    if (page >= m_pages.size())
        m_pages.resize(page + 1);
    if (!m_pages[page])
        m_pages[page] = std::make_unique<std::array<Dates, kPerPage>>();
    return (*m_pages[page])[record % kPerPage];
}

void TagIndex::DateCache::Forget(std::uint32_t record)
{
    if (record / kPerPage < m_pages.size() && m_pages[record / kPerPage])
        (*m_pages[record / kPerPage])[record % kPerPage].read = 0;
}

std::int64_t TagIndex::WriteDate(std::uint32_t record) const
{
    Dates& dates = m_dates.At(record);
    if (!(dates.read & 1)) {
        dates.writeDate = ParseDate(Value(record, kWriteDate));
        dates.read |= 1;
    }
    return dates.writeDate;
}

std::int64_t TagIndex::PreviewDate(std::uint32_t record) const
{
    Dates& dates = m_dates.At(record);
    if (!(dates.read & 2)) {
        dates.previewDate = ParseDate(Value(record, kThumbWriteDate));
        dates.read |= 2;
    }
    return dates.previewDate;
}

} // namespace quillmark

namespace quillmark {

const TagIndex::Record& TagIndex::RecordAt(std::uint32_t number) const
{
    const Record& record = m_records[number];
    if (m_pMapping) {
        m_pMapping->Check(&record, sizeof record);
        CheckSound(number, record);
    }
    return record;
}

void TagIndex::CheckSound(std::uint32_t number, const Record& record) const
{
    std::uint64_t texts = record.tagsLength;
    for (const std::uint32_t length : record.length)
        texts += length;
    bool sound = record.text <= m_arena.size() && texts <= m_arena.size() - record.text &&
                 record.block <= m_block.size() && record.blockLength <= m_block.size() - record.block &&
                 record.count <= kAttrCount && record.begin <= record.end && record.end <= m_fileSize &&
                 (record.nextSameKey == -1 ||
                  (record.nextSameKey > static_cast<std::int64_t>(number) &&
                   record.nextSameKey < static_cast<std::int64_t>(m_records.size())));
    for (std::uint8_t a = 0; sound && a < record.count; ++a)
        sound = record.order[a] < kAttrCount;
    if (!sound)
        throw IndexDamaged("a record of the index points outside it");
}

void TagIndex::CheckTexts(std::string_view texts) const
{
    if (m_pMapping)
        m_pMapping->Check(texts.data(), texts.size());
}

void TagIndex::VerifyAll() const
{
    if (!m_pMapping || m_pMapping->AllChecked())
        return;
    m_pMapping->CheckAll();
    const std::size_t count = m_records.size();
    std::size_t dead = 0;
    for (std::size_t i = 0; i < count; ++i) {
        CheckSound(static_cast<std::uint32_t>(i), m_records[i]);
        if (m_blockStarts[i] != m_records[i].block || (i > 0 && m_blockStarts[i] < m_blockStarts[i - 1]))
            throw IndexDamaged("the search block's starts do not match the records");
        dead += m_records[i].live ? 0 : 1;
    }
    std::size_t used = 0;
    for (const auto& slot : m_hexKeys.m_slots) {
        used += slot.used ? 1 : 0;
        if (slot.used && (slot.value < -1 || slot.value >= static_cast<std::int64_t>(count)))
            throw IndexDamaged("a fingerprint names no record");
    }
    if (dead != m_dead || used != m_hexKeys.m_count)
        throw IndexDamaged("the index's counts do not match its records");
    m_pMapping->SetAllChecked();
}

void TagIndex::Materialize()
{
    if (!m_pMapping)
        return;
    VerifyAll();
    m_records.Own();
    m_blockStarts.Own();
    m_arena.Own();
    m_block.Own();
    m_hexKeys.m_slots.Own();
    m_pMapping.reset();
}

} // namespace quillmark
