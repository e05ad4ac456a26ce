#pragma once
// The tag database file on disk: reading it (moving an unreadable one aside),
// noticing when another process replaced it, the lock that serialises changes,
// and atomic replacement, whole or from pieces of the current file.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "platform/files/filesystem.h"
#include "store/databasereader.h"
#include "store/writeplan.h"

namespace quillmark {

// Writes a warning about the database to standard error.
void WarnDatabase(const std::string& message);
// The last warning WarnDatabase gave on this thread; empty before any.
const std::string& LastDatabaseWarning();

// Records into `held` how long it lived: made just after the lock is taken
// (and so ended just before it is released), it measures how long a change held it.
class HoldClock {
public:
    explicit HoldClock(std::chrono::nanoseconds& held) : m_held(held), m_start(std::chrono::steady_clock::now()) {}
    ~HoldClock() { m_held = std::chrono::steady_clock::now() - m_start; }
    HoldClock(const HoldClock&) = delete;
    HoldClock& operator=(const HoldClock&) = delete;

private:
    std::chrono::nanoseconds& m_held;
    std::chrono::steady_clock::time_point m_start;
};

class DatabaseFile {
public:
    // Every file call goes through `fs` (not owned), or FileSystem::Current() until one is set.
    void SetFileSystem(files::FileSystem& fs) { m_pFs = &fs; }
    files::FileSystem& Fs() const { return m_pFs ? *m_pFs : files::FileSystem::Current(); }

    enum class Loaded { File, Empty };
    using Parser = std::function<ReadResult(int fd, std::string& error)>;

    // Reads `path` through `parse` (given the open file). A missing file gives
    // Empty. A malformed one is moved aside (taking the lock unless `locked`)
    // and gives Empty. One that cannot be read is left alone, blocks saving
    // until it can be read, and gives Empty. A file replaced while it was being
    // read is read again.
    // The lock is waited for at most LockWait(); when it is not granted in time
    // the malformed file stays where it is, blocked. Without `repair` (a query)
    // nothing on disk changes: a malformed file is left where it is, blocked and
    // reported as not read, for the next change to move aside.
    Loaded Load(const std::string& path, bool locked, const Parser& parse, bool repair = true);

    // True when the file is no longer the one last read or written here.
    bool Changed(const std::string& path) const;
    // True when `stamp` is that of the file last read or written here.
    bool IsCurrent(const files::FileStamp& stamp) const { return m_bStampKnown && stamp == m_stamp; }
    // Makes the next access read the file again.
    void Forget() { m_bStampKnown = false; }
    // An unreadable file that could not be moved aside: it must not be replaced.
    bool Blocked() const { return m_bBlocked; }
    // The last Load found a file it could not read (and left it in place).
    bool ReadFailed() const { return m_bReadFailed; }
    // Where Load moved an unreadable file; empty when it did not.
    const std::string& RecoveredFile() const { return m_strRecoveredFile; }

    // Creates the file's folder when missing and takes the lock that serialises
    // changes, waiting at most LockWait(); null (with a warning naming the
    // process that holds the lock) when either fails.
    std::unique_ptr<files::FileLock> LockForChange(const std::string& path) const;
    // How long a change waits for another process's lock: long enough for any
    // save, short enough that a stopped process cannot freeze the host.
    int LockWait() const { return m_nLockWaitMs; }
    void SetLockWait(int waitMs) { m_nLockWaitMs = waitMs; }

    using Piece = WritePiece;

    // Replace the file atomically (the caller holds the lock): with `content`,
    // or with `pieces` in order. False, with a warning, when the file is blocked
    // or cannot be written; the file is then untouched.
    bool Replace(const std::string& path, std::string_view content);
    enum class PieceResult { Written, Failed, Moved };
    // Pieces are taken from the file last read or written here: when the file
    // at `path` is another one (device, inode, size or modification time differ,
    // as when something that ignores the lock replaced or edited it), nothing is
    // written and the result is Moved, with the next access reading it again.
    // `whileFlushing` is given the complete new file while it is written out
    // (see files::AtomicReplace); by then `hash`, when given, holds its bytes.
    // `mayReplace`, when given, is asked once the new file is on disk, just
    // before it is renamed into place: false gives way (Moved, no warning), as
    // when the file was replaced meanwhile by a change made under the lock.
    PieceResult ReplaceFromPieces(const std::string& path, const std::vector<Piece>& pieces,
                                  const std::function<void(int fd)>& whileFlushing = {},
                                  indexfile::ContentHash* hash = nullptr,
                                  const std::function<bool()>& mayReplace = {});

    // Removes what killed writers left beside `path`, once per path; under the lock.
    void SweepLeftovers(const std::string& path);

private:
    bool Replaced(const std::string& path, bool ok, const std::string& error);

    files::FileSystem* m_pFs = nullptr;
    files::FileStamp m_stamp; // of the file last read or written
    bool m_bStampKnown = false;
    bool m_bBlocked = false;
    bool m_bReadFailed = false;
    int m_nLockWaitMs = 5000;
    std::string m_strRecoveredFile;
    std::string m_strSweptPath; // leftovers of killed writers are removed once per file
};

} // namespace quillmark
