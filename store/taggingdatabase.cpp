// The tag database's records and queries over its index. Every change is made
// under the database lock, to the file's current content, and saved by atomic
// replacement, so several processes (the two hosts and the command-line tool)
// lose nothing. A file in the formatter's exact form is rewritten from pieces
// of itself; any other file goes once through a document tree.
#include "store/taggingdatabase.h"

#include "platform/files/paths.h"
#include "platform/files/regularfile.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "store/casefold.h"
#include "store/recordbatch.h"
#include "store/datetext.h"
#include "store/filesystemtags.h"
#include "store/fingerprint.h"
#include "store/indexfile.h"
#include "store/treewriter.h"
#include "store/writeplan.h"
#include "store/utf8.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quillmark {

namespace {

using Piece = quillmark::DatabaseFile::Piece;

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

// A record as listings give it: path, name, md5, preview date and every tag;
// written over `item`, whose strings keep their room.
void FillListedItem(const TagIndex& index, std::uint32_t record, FileItem& item)
{
    item.path = index.Value(record, kPath);
    item.name = files::NameOf(item.path);
    item.md5 = index.Value(record, kMd5);
    item.previewDate = index.PreviewDate(record);
    std::size_t count = 0;
    ForEachTag(index.MarkedTags(record), [&](std::string_view tag, bool) {
        if (count < item.tags.size())
            item.tags[count].assign(tag);
        else
            item.tags.emplace_back(tag);
        ++count;
    });
    item.tags.resize(count);
}

FileItem ListedItemOf(const TagIndex& index, std::uint32_t record)
{
    FileItem item;
    FillListedItem(index, record, item);
    return item;
}

// "</documents>\n": how every file in the formatter's form ends, unless its root is empty.
constexpr std::uint64_t kRootCloseLength = 13;

} // namespace

TaggingDatabase::TaggingDatabase()
{
    xmlInitParser();
}

TaggingDatabase::TaggingDatabase(files::FileSystem& fs) : TaggingDatabase()
{
    m_file.SetFileSystem(fs);
}

TaggingDatabase::~TaggingDatabase()
{
    DropTree();
}

void TaggingDatabase::DropTree()
{
    xmlFreeDoc(m_pTree);
    m_pTree = nullptr;
}

std::string TaggingDatabase::ConfiguredFile() const
{
    if (!m_strDatabaseFile.empty())
        return m_strDatabaseFile;
    return (m_pSettings ? m_pSettings->DatabasePath : std::string()) + LoadResString(105);
}

std::string TaggingDatabase::DatabaseFile() const
{
    // Resolved at every access, so that a link pointed elsewhere meanwhile is
    // followed: every spelling of the file (and a link to it) locks and
    // replaces the same file.
    return files::ResolveLinks(m_file.Fs(), ConfiguredFile());
}

const std::string& TaggingDatabase::LastError() const
{
    return LastDatabaseWarning();
}

const std::string& TaggingDatabase::RecoveredFile() const
{
    return m_file.RecoveredFile();
}

bool TaggingDatabase::Open(bool bRepair)
{
    Load(false, false, bRepair);
    return true;
}

void TaggingDatabase::Load(bool bLocked, bool bIndentedRoot, bool bRepair)
{
    DropTree();
    const std::string path = DatabaseFile();
    // Read into a fresh index: when the file cannot be read (an I/O error, say),
    // queries go on with the records they had instead of an empty database, so
    // that nothing built on a query's answer drops the stored tags. Changes never
    // write from it: they read the file again first.
    TagIndex fresh;
    const auto parse = [&](int fd, std::string& error) {
        return ReadIndexed(fd, path, fresh, error, bIndentedRoot);
    };
    if (m_file.Load(path, bLocked, parse, bRepair) == quillmark::DatabaseFile::Loaded::File) {
        m_index = std::move(fresh);
        m_bIndentedReading = bIndentedRoot;
    }
    else if (!m_file.ReadFailed())
        m_index.Clear();
}

ReadResult TaggingDatabase::ReadIndexed(int fd, const std::string& path, TagIndex& index, std::string& error,
                                        bool bIndentedRoot)
{
    files::FileSystem& fs = m_file.Fs();
    const std::string indexPath = indexfile::PathFor(path);
    // The persistent index answers when it describes this very file. A file
    // just written from a tree is read knowing that its root's indenting is the
    // formatter's, which a reader of the bytes alone would not assume: such a
    // reading neither uses nor writes the index, which holds what a reader finds.
    const bool indexed = m_bUseIndex && !bIndentedRoot;
    if (indexed && !m_bDistrustIndex) {
        indexfile::Proof proof;
        bool refreshed = false;
        m_lastIndexLoad = indexfile::Load(fs, indexPath, fd, index, proof, refreshed);
        if (m_lastIndexLoad == indexfile::Loaded::Used) {
            // Proven by its hash: written again, it is proven by the file's identity alone.
            if (refreshed && proof.stamp.ctimeNs + indexfile::kRacyMarginNs < proof.verifiedAtNs)
                indexfile::Write(fs, path, index, proof);
            return ReadResult::Read;
        }
    }
    indexfile::Proof proof;
    proof.stamp = files::GetFileStamp(fs, fd);
    proof.verifiedAtNs = indexfile::NowNs();
    indexfile::ContentHash hash;
    const ReadResult result = ReadDatabase(fs, fd, path, index, error, bIndentedRoot, &hash);
    // Whoever parses writes the index for the next process; without a lock, as
    // an index of a file replaced meanwhile is merely stale.
    if (result == ReadResult::Read && indexed && files::GetFileStamp(fs, fd) == proof.stamp) {
        hash.Result(proof.hashLow, proof.hashHigh);
        indexfile::Write(fs, path, index, proof);
    }
    return result;
}

void TaggingDatabase::WriteIndex(const std::string& path)
{
    // The index must hold what a reader of the file finds. A process that made
    // the file through a tree knows that its root's white space is indenting; a
    // reader takes it as the root's text (and writes new records compact). Only
    // an index of the reader's kind is written; the next reader writes the other.
    if (!m_bUseIndex || m_bIndentedReading || m_index.m_layout != TagIndex::Layout::AsRead)
        return;
    files::FileSystem& fs = m_file.Fs();
    const int fd = files::OpenRegularFile(fs, path, nullptr);
    if (fd < 0)
        return;
    indexfile::Proof proof;
    // Only for the file this process wrote and holds in memory.
    if (indexfile::Prove(fs, fd, proof) && m_file.IsCurrent(proof.stamp))
        indexfile::Write(fs, path, m_index, proof);
    fs.Close(fd);
}

bool TaggingDatabase::RefreshIfChanged(bool bLocked)
{
    // The configured path is examined with links followed: a link pointed at
    // another file is a change too. A file that could not be read is tried
    // again: the failure may have passed. Only a change repairs the file.
    if (m_file.Changed(ConfiguredFile()) || m_file.ReadFailed())
        Load(bLocked, false, bLocked);
    return true;
}

void TaggingDatabase::ReloadWithoutIndex(bool bLocked)
{
    m_bDistrustIndex = true;
    Load(bLocked, false, bLocked);
    m_bDistrustIndex = false;
    m_lastIndexLoad = indexfile::Loaded::Damaged;
    // A file that could not be read leaves the last index in place: not this one.
    if (m_index.IsMapped())
        m_index.Clear();
}

template <class Ask> auto TaggingDatabase::Answer(Ask ask) -> decltype(ask())
{
    RefreshIfChanged(false);
    try {
        return ask();
    } catch (const IndexDamaged&) {
        ReloadWithoutIndex(false);
        return ask();
    }
}

bool TaggingDatabase::ReadForChange(const std::string& path)
{
    // A file that could not be moved aside earlier gets another try now.
    if (m_file.Blocked())
        Load(true);
    else
        RefreshIfChanged(true);
    try {
        m_index.VerifyAll();
    } catch (const IndexDamaged&) {
        ReloadWithoutIndex(true);
    }
    if (m_file.Blocked()) {
        WarnDatabase("the unreadable tag database \"" + path + "\" is not overwritten");
        m_file.Forget();
        return false;
    }
    return true;
}

namespace {

// Text the XML file cannot hold (bad UTF-8, control characters) would make
// the whole file unreadable: it is refused before anything changes.
bool Storable(const FileItem& item)
{
    if (!utf8::IsXmlText(item.path)) {
        WarnDatabase("the path cannot be stored: it is not valid text");
        return false;
    }
    for (const std::string& tag : item.tags) {
        // A line break would split the tag in two wherever tags are listed a line each.
        if (!utf8::IsXmlText(tag) || tag.find_first_of("\r\n") != std::string::npos) {
            WarnDatabase("a tag cannot be stored: it holds a line break, control characters or bytes that are "
                         "not UTF-8");
            return false;
        }
    }
    return true;
}

// A record's texts made for the file: the values the attributes view, the
// marked tags, and the element's bytes. Built in place and never moved, since
// `attrs` views `values`.
struct NewRecord {
    std::array<std::string, kAttrCount> values;
    AttrList attrs;
    std::string marked;
    std::string bytes;
    std::uint32_t startTag = 0;    // length of the start tag in `bytes`
    std::uint64_t keptContent = 0; // bytes of the old record's content kept after `bytes`
};

// `preview`, when set, is a preview date given after the record was made: as
// in the tree, its attribute then moves to the end.
void MakeRecord(NewRecord& out, const std::string& key, const FileItem& item, bool indented,
                std::optional<Time> preview)
{
    out.values[kMd5] = key;
    out.values[kPath] = item.path;
    out.attrs.Set(kMd5, out.values[kMd5]);
    out.attrs.Set(kPath, out.values[kPath]);
    const std::array<std::pair<Attr, Time>, 4> dates = {{{kThumbWriteDate, item.previewDate},
                                                         {kWriteDate, item.writeDate},
                                                         {kCreateDate, item.createDate},
                                                         {kAccessDate, item.accessDate}}};
    for (const auto& [attr, time] : dates) {
        out.values[attr] = time != 0 ? FormatDate(time) : std::string();
        if (!out.values[attr].empty())
            out.attrs.Set(attr, out.values[attr]);
    }
    out.values[kType] = tree::TypeOfPath(item.path);
    out.attrs.Set(kType, out.values[kType]);
    if (preview) {
        out.attrs.Remove(kThumbWriteDate);
        out.values[kThumbWriteDate] = *preview != 0 ? FormatDate(*preview) : std::string();
        if (!out.values[kThumbWriteDate].empty())
            out.attrs.Set(kThumbWriteDate, out.values[kThumbWriteDate]);
    }
    AppendStartTag(out.bytes, out.attrs);
    out.startTag = static_cast<std::uint32_t>(out.bytes.size() + (item.tags.empty() ? 2 : 1));
    out.bytes.clear();
    AppendNewRecord(out.bytes, out.attrs, item.tags, indented);
    for (const std::string& tag : item.tags) {
        out.marked += tag;
        out.marked += TagIndex::kTagMark;
    }
}

// A stored record with a new preview date: its start tag, and how much of the
// old element follows it unchanged.
void MakePreview(NewRecord& out, const TagIndex& index, std::uint32_t record, Time previewDate)
{
    const AttrList old = index.Attributes(record);
    for (std::uint8_t i = 0; i < old.count; ++i) {
        const Attr attr = old.order[i];
        out.values[attr] = old.values[attr];
        out.attrs.Set(attr, out.values[attr]);
    }
    out.attrs.Remove(kThumbWriteDate);
    out.values[kThumbWriteDate] = previewDate != 0 ? FormatDate(previewDate) : std::string();
    if (!out.values[kThumbWriteDate].empty())
        out.attrs.Set(kThumbWriteDate, out.values[kThumbWriteDate]);
    const TagIndex::Record& entry = index.RecordAt(record);
    const bool empty = entry.startTag == entry.end - entry.begin;
    AppendStartTag(out.bytes, out.attrs);
    out.bytes += empty ? "/>" : ">";
    out.startTag = static_cast<std::uint32_t>(out.bytes.size());
    out.keptContent = empty ? 0 : entry.end - entry.begin - entry.startTag;
}

} // namespace

// The edits of one change, kept twice: as the steps taken (replayed on a
// document tree) and as their outcome against the index (records dropped,
// previews changed, records appended), from which the pieces are planned.
class TaggingDatabase::PendingChange final : public RecordEditor {
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

bool TaggingDatabase::Change(const RecordChange& edit)
{
    return Commit(edit, false);
}

bool TaggingDatabase::UpdateFileTags(const std::string& path, const TagsChange& change)
{
    return Change([&](RecordEditor& records) {
        const TagList current = records.Tags(path);
        const TagList next = change(current);
        if (next == current && records.Contains(path))
            return true; // nothing to write
        return records.SetTags(path, next);
    });
}

bool TaggingDatabase::Commit(const RecordChange& edit, bool bAlways)
{
    const bool ok = CommitUnderLock(edit, bAlways);
    // The index of the file just written follows once the lock is released,
    // which it does not need: it names the file it describes, so a writer that
    // came in between leaves it stale at worst, never wrong.
    if (!m_strIndexToWrite.empty())
        WriteIndex(std::exchange(m_strIndexToWrite, std::string()));
    return ok;
}

bool TaggingDatabase::CommitUnderLock(const RecordChange& edit, bool bAlways)
{
    const std::string path = DatabaseFile();
    const auto lock = m_file.LockForChange(path);
    if (!lock)
        return false;
    const HoldClock holding(m_lastLockHold);
    if (!ReadForChange(path))
        return false;
    for (int attempt = 0;; ++attempt) {
        PendingChange pending(m_index, m_file.Fs());
        if (!edit(pending))
            return false;
        if (pending.Empty() && !bAlways)
            return true;
        const Written written = WritesFromPieces() ? WritePieces(path, pending) : WriteTree(pending);
        if (written == Written::Yes)
            return true;
        if (written == Written::FileMoved && attempt < 3) {
            // Something that ignores the lock replaced or edited the file since
            // it was read: read it again and make the change over that.
            Load(true);
            if (ReadForChange(path))
                continue;
        }
        // Nothing unsaved is ever shown as stored: read the file again at the next access.
        m_file.Forget();
        DropTree();
        return false;
    }
}

TaggingDatabase::Written TaggingDatabase::WriteTree(const PendingChange& change)
{
    const std::string path = DatabaseFile();
    if (!m_pTree) {
        std::string error;
        m_pTree = files::GetFileStamp(m_file.Fs(), path).exists ? tree::Read(m_file.Fs(), path, error) : tree::NewEmpty();
        if (!m_pTree) {
            WarnDatabase(error.empty() ? "out of memory" : error);
            return Written::No;
        }
    }
    for (const PendingChange::Step& step : change.m_steps) {
        bool done = true;
        switch (step.kind) {
        case PendingChange::Step::Write: done = tree::WriteRecord(m_pTree, step.key, step.item); break;
        case PendingChange::Step::Preview: done = tree::SetPreviewDate(m_pTree, step.key, step.previewDate); break;
        case PendingChange::Step::Remove: tree::RemoveRecord(m_pTree, step.key); break;
        }
        if (!done)
            return Written::No;
    }
    std::string bytes;
    if (!tree::Serialize(m_pTree, bytes)) {
        WarnDatabase("cannot serialise the tag database");
        return Written::No;
    }
    if (!m_file.Replace(path, bytes))
        return Written::No;
    // Index the file just written. The tree stays what the formatter goes on
    // from: its layout decides how later records are written.
    xmlDoc* tree = m_pTree;
    m_pTree = nullptr;
    Load(true, !tree::RootHoldsText(tree));
    if (m_index.m_bCanonical && !m_bTreeWriter)
        xmlFreeDoc(tree);
    else
        m_pTree = tree;
    return Written::Yes;
}

// Writes the new file as runs of the current one around the changed records,
// and updates the index to match, without reading the file again.
TaggingDatabase::Written TaggingDatabase::WritePieces(const std::string& path, const PendingChange& change)
{
    const bool indented = m_index.m_layout == TagIndex::Layout::Indented;
    std::size_t added = 0;
    for (const PendingChange::Appended& appended : change.m_appended)
        added += appended.live ? 1 : 0;
    // Sized once: each record's attributes view its own strings.
    std::vector<NewRecord> appendedRecords(added);
    std::vector<NewRecord> previewRecords(change.m_previews.size());
    std::vector<std::uint32_t> previewed;

    WritePlanInput input;
    input.size = m_index.m_fileSize;
    input.rootClose = input.size >= kRootCloseLength ? input.size - kRootCloseLength : 0;
    input.indented = indented;
    input.liveBefore = m_index.LiveCount();
    input.liveAfter = input.liveBefore - change.m_dropped.size() + added;
    for (const std::uint32_t record : change.m_dropped) {
        const TagIndex::Record& old = m_index.Records()[record];
        input.edits.push_back({old.begin, old.end, nullptr});
    }
    for (const auto& [record, date] : change.m_previews) {
        if (change.m_dropped.count(record))
            continue;
        NewRecord& made = previewRecords[previewed.size()];
        MakePreview(made, m_index, record, date);
        const TagIndex::Record& old = m_index.Records()[record];
        input.edits.push_back({old.begin, made.keptContent > 0 ? old.begin + old.startTag : old.end, &made.bytes});
        previewed.push_back(record);
    }
    std::size_t next = 0;
    for (const PendingChange::Appended& appended : change.m_appended) {
        if (!appended.live)
            continue;
        MakeRecord(appendedRecords[next], appended.key, appended.item, indented, appended.preview);
        input.appended.push_back(&appendedRecords[next].bytes);
        ++next;
    }
    const WritePlan plan = PlanWrite(input);
    switch (m_file.ReplaceFromPieces(path, plan.pieces)) {
    case quillmark::DatabaseFile::PieceResult::Written: break;
    case quillmark::DatabaseFile::PieceResult::Failed: return Written::No;
    case quillmark::DatabaseFile::PieceResult::Moved: return Written::FileMoved;
    }

    // Where every kept record now stands.
    std::vector<TagIndex::Record>& records = m_index.MutableRecords();
    for (TagIndex::Record& entry : records) {
        if (!entry.live)
            continue;
        const std::uint64_t begin = plan.Moved(entry.begin);
        entry.end = entry.end - entry.begin + begin;
        entry.begin = begin;
    }
    const std::size_t firstPreviewEdit = change.m_dropped.size();
    for (std::size_t i = 0; i < previewed.size(); ++i) {
        const NewRecord& made = previewRecords[i];
        m_index.SetAttributes(previewed[i], made.attrs);
        TagIndex::Record& entry = m_index.MutableRecords()[previewed[i]];
        entry.begin = plan.editAt[firstPreviewEdit + i];
        entry.startTag = made.startTag;
        entry.end = entry.begin + made.bytes.size() + made.keptContent;
    }
    for (const std::uint32_t record : change.m_dropped)
        m_index.Remove(record);
    for (std::size_t i = 0; i < appendedRecords.size(); ++i) {
        const NewRecord& made = appendedRecords[i];
        const std::uint32_t number = m_index.Append(made.attrs, made.marked);
        TagIndex::Record& entry = m_index.MutableRecords()[number];
        entry.begin = plan.appendedAt[i];
        entry.end = entry.begin + made.bytes.size();
        entry.startTag = made.startTag;
    }
    m_index.m_fileSize = plan.size;
    m_index.m_rootClose = plan.size >= kRootCloseLength ? plan.size - kRootCloseLength : 0;
    m_index.CompactIfSparse();
    m_strIndexToWrite = path;
    return Written::Yes;
}

bool TaggingDatabase::Save()
{
    // Nothing to change: the file is rewritten from its current content.
    return Commit([](RecordEditor&) { return true; }, true);
}
TagSet TaggingDatabase::GetAllTags()
{
    return Answer([&] { return AllTags(); });
}

TagSet TaggingDatabase::AllTags() const
{
    // Sorted and made distinct as views first, so that each tag is copied once
    // and the set is filled in order.
    std::vector<std::string_view> all;
    const auto& records = m_index.Records();
    for (std::uint32_t i = 0; i < records.size(); ++i) {
        if (!records[i].live)
            continue;
        ForEachTag(m_index.MarkedTags(i), [&](std::string_view tag, bool isTag) {
            if (isTag)
                all.push_back(tag);
        });
    }
    std::sort(all.begin(), all.end(), TagLess());
    TagSet tags;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i == 0 || TagLess()(all[i - 1], all[i]))
            tags.emplace_hint(tags.end(), all[i]);
    return tags;
}

FileItem TaggingDatabase::GetFileItem(const std::string& path)
{
    return Answer([&] { return FileItemOf(path); });
}

FileItem TaggingDatabase::FileItemOf(const std::string& path) const
{
    FileItem item;
    std::int32_t record = m_index.First(GetMd5Hex(path));
    if (record < 0)
        return item;
    item.writeDate = m_index.WriteDate(static_cast<std::uint32_t>(record));
    // The tags of every record with the key, in file order.
    for (; record >= 0; record = m_index.NextSameKey(static_cast<std::uint32_t>(record))) {
        ForEachTag(m_index.MarkedTags(static_cast<std::uint32_t>(record)), [&](std::string_view tag, bool isTag) {
            if (isTag)
                item.tags.emplace_back(tag);
        });
    }
    return item;
}

bool TaggingDatabase::SetDocumentTags(const std::string& path, const std::string& commaSepTags)
{
    if (commaSepTags.empty())
        return false;
    return SetFileTags(path, SplitTags(commaSepTags));
}

bool TaggingDatabase::SetFileTags(const std::string& path, const TagList& tags)
{
    if (!Change([&](RecordEditor& records) { return records.SetTags(path, tags); })) return false;
    // The file keeps its tags where the desktop looks for them too; where it
    // cannot, nothing else changes.
    if (WritesFileSystemTags()) fstags::Write(path, tags);
    return true;
}

bool TaggingDatabase::WritesFileSystemTags() const
{
    return m_pSettings ? m_pSettings->WriteFileSystemTags != 0 : m_bFileSystemTags;
}

bool TaggingDatabase::WriteFileItem(const FileItem& item)
{
    return Change([&](RecordEditor& records) { return records.Write(item); });
}

bool TaggingDatabase::SetPreviewDate(const FileItem& item)
{
    return Change([&](RecordEditor& records) { return records.SetPreviewDate(item.md5, item.previewDate); });
}

bool TaggingDatabase::RemoveDocument(const std::string& path)
{
    // The file is written even when the path has no record, as it always was.
    return Commit(
        [&](RecordEditor& records) {
            records.Remove(path);
            return true;
        },
        true);
}

ResultList TaggingDatabase::GetAllDocuments(const TypeList& types)
{
    return FindDocuments(std::string(), types);
}

std::vector<std::uint32_t> TaggingDatabase::Hits(const std::string& searchText, const TypeList& types) const
{
    std::vector<std::uint32_t> hits;
    // The type test: a case-sensitive substring of the record's type.
    const auto typeMatches = [&](std::uint32_t record) {
        if (types.empty())
            return true;
        const std::string_view type = m_index.Value(record, kType);
        for (const std::string& wanted : types)
            if (type.find(wanted) != std::string_view::npos)
                return true;
        return false;
    };
    const auto take = [&](std::uint32_t record) {
        if (m_index.IsLive(record) && typeMatches(record)) {
            // Its texts checked now, so that listing it cannot find the index damaged.
            m_index.MarkedTags(record);
            m_index.Attributes(record);
            hits.push_back(record);
        }
    };
    if (searchText.empty()) {
        for (std::uint32_t i = 0; i < m_index.RecordCount(); ++i)
            take(i);
    } else {
        m_index.Search(FoldCase(searchText), take);
    }
    return hits;
}

ResultList TaggingDatabase::FindDocuments(const std::string& searchText, const TypeList& types)
{
    const std::vector<std::uint32_t> hits = Answer([&] { return Hits(searchText, types); });
    ResultList results;
    results.reserve(hits.size());
    for (const std::uint32_t record : hits)
        results.push_back(ListedItemOf(m_index, record));
    return results;
}

void TaggingDatabase::ForEachFound(const std::vector<std::string>& texts, const std::string& nameText,
                                   const TypeList& types, const std::function<void(const FileItem&)>& each)
{
    // The index finds the records holding the first text; the others are
    // checked in the few records it found.
    const std::vector<std::uint32_t> hits =
        Answer([&] { return Hits(texts.empty() ? std::string() : texts.front(), types); });
    std::vector<std::string> folded;
    for (std::size_t i = 1; i < texts.size(); ++i)
        folded.push_back(FoldCase(texts[i]));
    const std::string foldedName = FoldCase(nameText);
    const auto listed = [&](const FileItem& item) {
        if (!foldedName.empty() && FoldCase(item.name).find(foldedName) == std::string::npos)
            return false;
        for (const std::string& text : folded) {
            const bool held = std::any_of(item.tags.begin(), item.tags.end(), [&](const std::string& tag) {
                return FoldCase(tag).find(text) != std::string::npos;
            });
            if (!held)
                return false;
        }
        return true;
    };
    FileItem item;
    for (const std::uint32_t record : hits) {
        FillListedItem(m_index, record, item);
        if (listed(item))
            each(item);
    }
}

ResultList TaggingDatabase::FindDocuments(const std::vector<std::string>& texts, const std::string& nameText,
                                          const TypeList& types)
{
    ResultList results;
    ForEachFound(texts, nameText, types, [&](const FileItem& item) { results.push_back(item); });
    return results;
}

bool TaggingDatabase::HasRecord(const std::string& path)
{
    return Answer([&] { return m_index.First(GetMd5Hex(path)) >= 0; });
}

} // namespace quillmark
