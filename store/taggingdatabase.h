#pragma once
// The tag database: one XML file (tags.xml) with one record per tagged file.
// It is read in one streaming pass into a compact index, queried through that
// index, and every change rewrites the file at once.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store/fileitem.h"
#include "store/recordeditor.h"
#include "store/tagtext.h"

namespace quillmark::files {
class FileSystem;
}

namespace quillmark::indexfile {
enum class Loaded; // store/indexfile.h
}

namespace quillmark {

class AppSettings;
class PendingChange;
class RecordBatch;
class TagIndex;
enum class ReadResult; // store/databasereader.h

class TaggingDatabase {
public:
    TaggingDatabase();
    // Every file call of the database goes through `fs` (not owned; it must
    // outlive the database). Without one, FileSystem::Current() is used.
    explicit TaggingDatabase(files::FileSystem& fs);
    ~TaggingDatabase();
    TaggingDatabase(const TaggingDatabase&) = delete;
    TaggingDatabase& operator=(const TaggingDatabase&) = delete;

    AppSettings* m_pSettings = nullptr; // not owned; only DatabasePath is read

    // The file system the database works through. Its owner makes the other
    // file calls of the database's work (the files records name) through it too.
    files::FileSystem& Fs() const;

    // Loads tags.xml, or starts empty when it is missing or unreadable (an
    // unreadable file is first moved aside, see RecoveredFile). Always true.
    // Without `bRepair` (a program that only queries) nothing on disk changes:
    // an unreadable file is left where it is and ReadFailed tells so; the next
    // change moves it aside. Queries never change files.
    bool Open(bool bRepair = true);
    // Writes the database file; false when it could not be written.
    bool Save();
    TagSet GetAllTags();
    FileItem GetFileItem(const std::string& path);
    bool SetDocumentTags(const std::string& path, const std::string& commaSepTags);
    bool SetFileTags(const std::string& path, const TagList& tags);
    bool WriteFileItem(const FileItem& item);
    bool SetPreviewDate(const FileItem& item);
    // Removes the record of `path`; the file is saved also when there was none.
    bool RemoveDocument(const std::string& path);
    // Applies `edit` under the database lock to the records of the file as it
    // stands (another process's changes included) and saves all its edits in
    // one replacement of the file: every change that depends on what is stored
    // goes through here, so that no other program's change is lost in between.
    // True when `edit` returned true and its edits (if any) were saved; false
    // when it returned false (nothing written) or the lock or the save failed
    // (nothing changed; LastError tells why). `edit` is called again, over the
    // file read anew, when something that ignores the lock changed the file
    // meanwhile: it should only edit.
    bool Change(const RecordChange& edit);
    // One record's tags changed by `change`, given the tags stored now (under
    // the lock, from the freshest file); nothing is written when they stay the same.
    bool UpdateFileTags(const std::string& path, const TagsChange& change);
    ResultList GetAllDocuments(const TypeList& types);
    // Records with a tag containing `searchText`, case folded on both sides by
    // Unicode simple case folding (store/casefold.h); an empty
    // text matches every record. An empty type list means records of every type.
    ResultList FindDocuments(const std::string& searchText, const TypeList& types);
    // Records whose tags contain every one of `texts` (each in some tag) and,
    // unless `nameText` is empty, whose file name contains `nameText`; case
    // folded as FindDocuments folds it. No texts and no name: every record.
    ResultList FindDocuments(const std::vector<std::string>& texts, const std::string& nameText,
                             const TypeList& types);
    // Calls `each` for every record that FindDocuments lists, in its order,
    // with one item rewritten for each: for long listings printed as they go.
    void ForEachFound(const std::vector<std::string>& texts, const std::string& nameText, const TypeList& types,
                      const std::function<void(const FileItem&)>& each);
    // True when a record is kept under the fingerprint of `path`.
    bool HasRecord(const std::string& path);
    std::string GetMd5Hex(const std::string& path) const;

    // Runs `edit` under the database lock on the file's current records and
    // writes every change it made in one save (nothing when it made none).
    // False, with LastError set and the file untouched, when the lock is not
    // granted or the file cannot be read or written. See store/recordbatch.h.
    // Tags written this way are not copied to the file-system tags: the caller
    // knows which records name files (fstags::Write).
    bool ChangeRecords(const std::function<void(RecordBatch&)>& edit);

    // Whether SetFileTags also writes the file's user.xdg.tags: the settings'
    // WriteFileSystemTags, or, without settings, what was set here (default yes).
    bool WritesFileSystemTags() const;
    void SetWritesFileSystemTags(bool bWrite);

    // Full path of tags.xml: the settings' database folder + "tags.xml",
    // unless an explicit file was given (the command line's --db); links in it
    // are followed (anew at each call) to the file they name.
    std::string DatabaseFile() const;
    // True when the file was there but could not be read at the last access
    // (no permission, an I/O error, a folder in its place): queries then answer
    // from an empty database. LastError tells why.
    bool ReadFailed() const;
    // How long a change waits for another process holding the database (ms).
    void SetLockWait(int waitMs);
    void SetDatabaseFile(const std::string& file);
    // How long the last change held the database lock (zero before any).
    std::chrono::nanoseconds LastLockHold() const;
    // Whether the persistent index beside the file is read and written (default yes).
    void SetUseIndex(bool bUse);
    // What the last read found of the persistent index.
    indexfile::Loaded LastIndexLoad() const;
    // Why the last change that failed failed (the warning it gave); empty before any.
    const std::string& LastError() const;
    // Where Open moved an unreadable database file; empty when it did not.
    const std::string& RecoveredFile() const;

    // Writes every change through a document tree, as is done for a file not in
    // the formatter's exact form. Both ways write the same bytes; tests compare them.
    void SetTreeWriter(bool always);
    // True when the next change will be written from pieces of the current file,
    // that is when the file is byte for byte what the formatter writes for it.
    bool WritesFromPieces() const;

private:
    // How a write under the lock ended; Declined: the change chose to write nothing.
    enum class Written { Yes, No, FileMoved, Declined };
    std::string ConfiguredFile() const;
    void Load(bool bLocked, bool bIndentedRoot = false, bool bRepair = true);
    bool RefreshIfChanged(bool bLocked);
    // Under the lock: the freshest file in memory, a mapped index checked whole
    // (parsed when damaged). False, with a warning, when the file is unreadable.
    bool ReadForChange(const std::string& path);
    // Reads the file itself, not its persistent index (found damaged in use).
    void ReloadWithoutIndex(bool bLocked);
    // Refreshes, then answers `ask()`; parses and asks again when the mapped
    // index turns out damaged while it answers.
    template <class Ask> auto Answer(Ask ask) -> decltype(ask());
    TagSet AllTags() const;
    FileItem FileItemOf(const std::string& path) const;
    // The live records of `types` holding `searchText` (every one when empty),
    // in file order, their texts checked against a mapped index's checksums.
    std::vector<std::uint32_t> Hits(const std::string& searchText, const TypeList& types) const;
    bool Commit(const RecordChange& edit, bool bAlways);
    // Every change's frame: takes the lock, reads the freshest file, and calls
    // `write` over it, again over the file read anew when that moved meanwhile.
    // After a failed write nothing unsaved stays in memory.
    bool UnderLock(const std::function<Written(const std::string& path)>& write);
    // UnderLock's part once the lock is held.
    bool WhileLocked(const std::string& path, const std::function<Written(const std::string& path)>& write);
    // Whether a change can be prepared before the lock is taken: the freshest
    // file is in memory, known by its identity, and written from pieces.
    bool PreparedWritePossible();
    // `mayReplace`: see DatabaseFile::ReplaceFromPieces (FileMoved when it gives way).
    Written WritePieces(const std::string& path, const PendingChange& change,
                        const std::function<bool()>& mayReplace = {});
    // Parses the file open at `fd` into `index`, or reads its persistent index
    // when that describes the file; writes the index after a parse.
    ReadResult ReadIndexed(int fd, const std::string& path, TagIndex& index, std::string& error, bool bIndentedRoot);
    // Whether this process writes the index of the files it writes.
    bool IndexWanted() const;
    Written WriteTree(const PendingChange& change);
    bool WriteBatch(const RecordBatch& batch);
    void DropTree();

    // The index, the file, and the tree: store/databaseinternals.h.
    struct Internals;
    std::unique_ptr<Internals> m_p;
};

} // namespace quillmark
