// The tag database's records and queries over its index. Every change is made
// under the database lock, to the file's current content, and saved by atomic
// replacement, so several processes (the two hosts and the command-line tool)
// lose nothing. A file in the formatter's exact form is rewritten from pieces
// of itself; any other file goes once through a document tree.
#include "store/taggingdatabase.h"

#include "store/databaseinternals.h"

#include "platform/files/paths.h"
#include "platform/files/regularfile.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "store/casefold.h"
#include "store/pendingchange.h"
#include "store/recordbatch.h"
#include "store/spliceplan.h"
#include "store/datetext.h"
#include "store/filesystemtags.h"
#include "store/fingerprint.h"
#include "store/indexfile.h"
#include "store/treewriter.h"
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

TaggingDatabase::TaggingDatabase() : m_p(std::make_unique<Internals>())
{
    xmlInitParser();
}

TaggingDatabase::TaggingDatabase(files::FileSystem& fs) : TaggingDatabase()
{
    m_p->m_file.SetFileSystem(fs);
}

TaggingDatabase::~TaggingDatabase()
{
    DropTree();
}

files::FileSystem& TaggingDatabase::Fs() const
{
    return m_p->m_file.Fs();
}

void TaggingDatabase::SetWritesFileSystemTags(bool bWrite)
{
    m_p->m_bFileSystemTags = bWrite;
}

bool TaggingDatabase::ReadFailed() const
{
    return m_p->m_file.ReadFailed();
}

void TaggingDatabase::SetLockWait(int waitMs)
{
    m_p->m_file.SetLockWait(waitMs);
}

void TaggingDatabase::SetDatabaseFile(const std::string& file)
{
    m_p->m_strDatabaseFile = file;
}

std::chrono::nanoseconds TaggingDatabase::LastLockHold() const
{
    return m_p->m_lastLockHold;
}

void TaggingDatabase::SetUseIndex(bool bUse)
{
    m_p->m_bUseIndex = bUse;
}

indexfile::Loaded TaggingDatabase::LastIndexLoad() const
{
    return m_p->m_lastIndexLoad;
}

void TaggingDatabase::SetTreeWriter(bool always)
{
    m_p->m_bTreeWriter = always;
}

bool TaggingDatabase::WritesFromPieces() const
{
    return m_p->m_index.m_bCanonical && !m_p->m_pTree && !m_p->m_bTreeWriter;
}

void TaggingDatabase::DropTree()
{
    xmlFreeDoc(m_p->m_pTree);
    m_p->m_pTree = nullptr;
}

std::string TaggingDatabase::ConfiguredFile() const
{
    if (!m_p->m_strDatabaseFile.empty())
        return m_p->m_strDatabaseFile;
    return (m_pSettings ? m_pSettings->DatabasePath : std::string()) + LoadResString(105);
}

std::string TaggingDatabase::DatabaseFile() const
{
    // Resolved at every access, so that a link pointed elsewhere meanwhile is
    // followed: every spelling of the file (and a link to it) locks and
    // replaces the same file.
    return files::ResolveLinks(m_p->m_file.Fs(), ConfiguredFile());
}

const std::string& TaggingDatabase::LastError() const
{
    return LastDatabaseWarning();
}

const std::string& TaggingDatabase::RecoveredFile() const
{
    return m_p->m_file.RecoveredFile();
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
    if (m_p->m_file.Load(path, bLocked, parse, bRepair) == quillmark::DatabaseFile::Loaded::File) {
        m_p->m_index = std::move(fresh);
        m_p->m_bIndentedReading = bIndentedRoot;
    }
    else if (!m_p->m_file.ReadFailed())
        m_p->m_index.Clear();
}

ReadResult TaggingDatabase::ReadIndexed(int fd, const std::string& path, TagIndex& index, std::string& error,
                                        bool bIndentedRoot)
{
    files::FileSystem& fs = m_p->m_file.Fs();
    const std::string indexPath = indexfile::PathFor(path);
    // The persistent index answers when it describes this very file. A file
    // just written from a tree is read knowing that its root's indenting is the
    // formatter's, which a reader of the bytes alone would not assume: such a
    // reading neither uses nor writes the index, which holds what a reader finds.
    const bool indexed = m_p->m_bUseIndex && !bIndentedRoot;
    if (indexed && !m_p->m_bDistrustIndex) {
        indexfile::Proof proof;
        bool refreshed = false;
        m_p->m_lastIndexLoad = indexfile::Load(fs, indexPath, fd, index, proof, refreshed);
        if (m_p->m_lastIndexLoad == indexfile::Loaded::Used) {
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
    if (result == ReadResult::Read)
        index.FitKeyMap();
    // Whoever parses writes the index for the next process; without a lock, as
    // an index of a file replaced meanwhile is merely stale.
    if (result == ReadResult::Read && indexed && files::GetFileStamp(fs, fd) == proof.stamp) {
        hash.Result(proof.hashLow, proof.hashHigh);
        indexfile::Write(fs, path, index, proof);
    }
    return result;
}

bool TaggingDatabase::IndexWanted() const
{
    // The index must hold what a reader of the file finds. A process that made
    // the file through a tree knows that its root's white space is indenting; a
    // reader takes it as the root's text (and writes new records compact). Only
    // an index of the reader's kind is written; the next reader writes the other.
    return m_p->m_bUseIndex && !m_p->m_bIndentedReading && m_p->m_index.m_layout == TagIndex::Layout::AsRead;
}

bool TaggingDatabase::RefreshIfChanged(bool bLocked)
{
    // The configured path is examined with links followed: a link pointed at
    // another file is a change too. A file that could not be read is tried
    // again: the failure may have passed. Only a change repairs the file.
    if (m_p->m_file.Changed(ConfiguredFile()) || m_p->m_file.ReadFailed())
        Load(bLocked, false, bLocked);
    return true;
}

void TaggingDatabase::ReloadWithoutIndex(bool bLocked)
{
    m_p->m_bDistrustIndex = true;
    Load(bLocked, false, bLocked);
    m_p->m_bDistrustIndex = false;
    m_p->m_lastIndexLoad = indexfile::Loaded::Damaged;
    // A file that could not be read leaves the last index in place: not this one.
    if (m_p->m_index.IsMapped())
        m_p->m_index.Clear();
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
    if (m_p->m_file.Blocked())
        Load(true);
    else
        RefreshIfChanged(true);
    try {
        m_p->m_index.VerifyAll();
    } catch (const IndexDamaged&) {
        ReloadWithoutIndex(true);
    }
    if (m_p->m_file.Blocked()) {
        WarnDatabase("the unreadable tag database \"" + path + "\" is not overwritten");
        m_p->m_file.Forget();
        return false;
    }
    return true;
}

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
    const auto write = [&](const std::string& path, const std::function<bool()>& mayReplace) {
        PendingChange pending(m_p->m_index, m_p->m_file.Fs());
        if (!edit(pending))
            return Written::Declined;
        if (pending.Empty() && !bAlways)
            return Written::Yes;
        return WritesFromPieces() ? WritePieces(path, pending, mayReplace) : WriteTree(pending);
    };
    const std::string path = DatabaseFile();
    // The new file is made and flushed before the lock is taken, and put in
    // place under it if the file is still the one it was made from: then the
    // lock is held for a rename, not for writing tens of megabytes. Otherwise
    // the change is made again under the lock, over the file as it is now.
    std::unique_ptr<files::FileLock> lock;
    std::optional<HoldClock> holding;
    if (PreparedWritePossible()) {
        bool lockTried = false;
        const auto takeLock = [&] {
            lockTried = true;
            lock = m_p->m_file.LockForChange(path);
            if (!lock)
                return false;
            holding.emplace(m_p->m_lastLockHold);
            return m_p->m_file.IsCurrent(files::GetFileStamp(m_p->m_file.Fs(), path));
        };
        const Written written = write(path, takeLock);
        if (written == Written::Declined)
            return false;
        if (written == Written::Yes) {
            if (lock)
                m_p->m_file.SweepLeftovers(path);
            return true;
        }
        // The index in memory may hold the change by now.
        m_p->m_file.Forget();
        DropTree();
        // Not written, or no lock, and a warning said why; otherwise the file
        // moved on meanwhile.
        if (written == Written::No || (lockTried && !lock))
            return false;
    }
    if (!lock)
        lock = m_p->m_file.LockForChange(path);
    if (!lock)
        return false;
    if (!holding)
        holding.emplace(m_p->m_lastLockHold);
    return WhileLocked(path, [&](const std::string& locked) { return write(locked, {}); });
}

bool TaggingDatabase::PreparedWritePossible()
{
    // Only a file read whole and known by its identity, written from pieces:
    // anything else (a file to move aside, a tree) is dealt with under the lock.
    RefreshIfChanged(false);
    const files::FileStamp stamp = files::GetFileStamp(m_p->m_file.Fs(), DatabaseFile());
    if (!stamp.exists || !m_p->m_file.IsCurrent(stamp) || !WritesFromPieces() || m_p->m_file.Blocked() ||
        m_p->m_file.ReadFailed())
        return false;
    try {
        m_p->m_index.VerifyAll();
    } catch (const IndexDamaged&) {
        return false;
    }
    return true;
}

bool TaggingDatabase::UnderLock(const std::function<Written(const std::string& path)>& write)
{
    const std::string path = DatabaseFile();
    const auto lock = m_p->m_file.LockForChange(path);
    if (!lock)
        return false;
    const HoldClock holding(m_p->m_lastLockHold);
    return WhileLocked(path, write);
}

bool TaggingDatabase::WhileLocked(const std::string& path, const std::function<Written(const std::string& path)>& write)
{
    if (!ReadForChange(path))
        return false;
    for (int attempt = 0;; ++attempt) {
        const Written written = write(path);
        if (written == Written::Yes)
            return true;
        if (written == Written::Declined)
            return false;
        if (written == Written::FileMoved && attempt < 3) {
            // Something that ignores the lock replaced or edited the file since
            // it was read: read it again and make the change over that.
            Load(true);
            if (ReadForChange(path))
                continue;
        }
        // Nothing unsaved is ever shown as stored: read the file again at the next access.
        m_p->m_file.Forget();
        DropTree();
        return false;
    }
}

TaggingDatabase::Written TaggingDatabase::WriteTree(const PendingChange& change)
{
    const std::string path = DatabaseFile();
    if (!m_p->m_pTree) {
        std::string error;
        // Only a file that is not there starts a new tree: one that could not be
        // examined is read (and its failure reported), never written over.
        m_p->m_pTree = !files::IsMissing(Fs(), path) ? tree::Read(Fs(), path, error) : tree::NewEmpty();
        if (!m_p->m_pTree) {
            WarnDatabase(error.empty() ? "out of memory" : error);
            return Written::No;
        }
    }
    if (!change.ReplayOn(m_p->m_pTree))
        return Written::No;
    std::string bytes;
    if (!tree::Serialize(m_p->m_pTree, bytes)) {
        WarnDatabase("cannot serialise the tag database");
        return Written::No;
    }
    if (!m_p->m_file.Replace(path, bytes))
        return Written::No;
    // Index the file just written. The tree stays what the formatter goes on
    // from: its layout decides how later records are written.
    xmlDoc* tree = m_p->m_pTree;
    m_p->m_pTree = nullptr;
    Load(true, !tree::RootHoldsText(tree));
    if (m_p->m_index.m_bCanonical && !m_p->m_bTreeWriter)
        xmlFreeDoc(tree);
    else
        m_p->m_pTree = tree;
    return Written::Yes;
}

// Writes the new file as runs of the current one around the changed records,
// and updates the index to match, without reading the file again.
TaggingDatabase::Written TaggingDatabase::WritePieces(const std::string& path, const PendingChange& change,
                                                      const std::function<bool()>& mayReplace)
{
    SplicePlan plan;
    PlanSplice(m_p->m_index, change, plan);
    files::FileSystem& fs = m_p->m_file.Fs();
    // The new file's index is written under the lock, so that the next holder
    // finds an index of the file it reads instead of parsing it while others
    // wait; and while the new file is being flushed, which takes as long.
    bool applied = false;
    indexfile::PendingIndex index(fs);
    indexfile::Proof proof;
    proof.verifiedAtNs = indexfile::NowNs();
    indexfile::ContentHash hash; // of the new file's bytes, as they are written
    const auto whileFlushing = [&](int fd) {
        ApplySplice(plan, m_p->m_index);
        applied = true;
        if (!IndexWanted())
            return;
        proof.stamp = files::GetFileStamp(fs, fd);
        hash.Result(proof.hashLow, proof.hashHigh);
        if (proof.stamp.exists)
            index.Prepare(path, m_p->m_index);
    };
    switch (m_p->m_file.ReplaceFromPieces(path, plan.write.pieces, whileFlushing, IndexWanted() ? &hash : nullptr,
                                          mayReplace)) {
    case quillmark::DatabaseFile::PieceResult::Written: break;
    // The index in memory may hold the change by now: the caller makes the
    // next access read the file again.
    case quillmark::DatabaseFile::PieceResult::Failed: return Written::No;
    case quillmark::DatabaseFile::PieceResult::Moved: return Written::FileMoved;
    }
    if (!applied)
        ApplySplice(plan, m_p->m_index);
    if (index.Prepared()) {
        // Renamed into place, the file proven keeps its bytes and modification
        // time and gets a new change time.
        const files::FileStamp placed = files::GetFileStamp(fs, path);
        if (m_p->m_file.IsCurrent(placed) && placed.device == proof.stamp.device &&
            placed.inode == proof.stamp.inode && placed.size == proof.stamp.size &&
            placed.mtimeNs == proof.stamp.mtimeNs) {
            proof.stamp = placed;
            index.PutInPlace(proof);
        }
    }
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
    const auto& records = m_p->m_index.Records();
    for (std::uint32_t i = 0; i < records.size(); ++i) {
        if (!records[i].live)
            continue;
        ForEachTag(m_p->m_index.MarkedTags(i), [&](std::string_view tag, bool isTag) {
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
    std::int32_t record = m_p->m_index.First(GetMd5Hex(path));
    if (record < 0)
        return item;
    item.writeDate = m_p->m_index.WriteDate(static_cast<std::uint32_t>(record));
    // The tags of every record with the key, in file order.
    for (; record >= 0; record = m_p->m_index.NextSameKey(static_cast<std::uint32_t>(record))) {
        ForEachTag(m_p->m_index.MarkedTags(static_cast<std::uint32_t>(record)), [&](std::string_view tag, bool isTag) {
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
    if (WritesFileSystemTags()) fstags::Write(Fs(), path, tags);
    return true;
}

bool TaggingDatabase::WritesFileSystemTags() const
{
    return m_pSettings ? m_pSettings->WriteFileSystemTags != 0 : m_p->m_bFileSystemTags;
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
        const std::string_view type = m_p->m_index.Value(record, kType);
        for (const std::string& wanted : types)
            if (type.find(wanted) != std::string_view::npos)
                return true;
        return false;
    };
    const auto take = [&](std::uint32_t record) {
        if (m_p->m_index.IsLive(record) && typeMatches(record)) {
            // Its texts checked now, so that listing it cannot find the index damaged.
            m_p->m_index.MarkedTags(record);
            m_p->m_index.Attributes(record);
            hits.push_back(record);
        }
    };
    if (searchText.empty()) {
        for (std::uint32_t i = 0; i < m_p->m_index.RecordCount(); ++i)
            take(i);
    } else {
        m_p->m_index.Search(FoldCase(searchText), take);
    }
    return hits;
}

ResultList TaggingDatabase::FindDocuments(const std::string& searchText, const TypeList& types)
{
    return FindDocuments(std::vector<std::string>{searchText}, std::string(), types);
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
        FillListedItem(m_p->m_index, record, item);
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
    return Answer([&] { return m_p->m_index.First(GetMd5Hex(path)) >= 0; });
}

} // namespace quillmark
