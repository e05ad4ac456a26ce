#include "store/databasefile.h"

#include "platform/files/paths.h"
#include "platform/files/filesystem.h"
#include "platform/files/regularfile.h"
#include "store/indexfile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillmark {

using files::FolderOf;

namespace {

// Copies `length` bytes at `offset` of `from` to the end of `to`, in the kernel
// where the file systems allow it.
bool CopyRange(files::FileSystem& fs, int from, std::uint64_t offset, std::uint64_t length, int to)
{
    auto position = static_cast<off_t>(offset);
    bool kernel = true;
    while (length > 0) {
        if (kernel) {
            const ssize_t n = fs.CopyFileRange(from, &position, to, length);
            if (n > 0) {
                length -= static_cast<std::uint64_t>(n);
                continue;
            }
            if (n == 0) {
                errno = EIO; // the file is shorter than it was read
                return false;
            }
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                return false;
            kernel = false;
        }
        char buffer[1 << 16];
        const ssize_t n =
            fs.ReadAt(from, buffer, std::min<std::uint64_t>(length, sizeof buffer), position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        if (!files::WriteAll(fs, to, std::string_view(buffer, static_cast<std::size_t>(n))))
            return false;
        position += n;
        length -= static_cast<std::uint64_t>(n);
    }
    return true;
}

// The same through `buffer`, adding the bytes to `hash` on their way: cheaper
// than reading the new file back to hash it.
bool CopyRangeHashed(files::FileSystem& fs, int from, std::uint64_t offset, std::uint64_t length, int to,
                     std::vector<char>& buffer, indexfile::ContentHash& hash)
{
    auto position = static_cast<off_t>(offset);
    while (length > 0) {
        const ssize_t n = fs.ReadAt(from, buffer.data(), std::min<std::uint64_t>(length, buffer.size()), position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // the file is shorter than it was read
            return false;
        }
        hash.Add(buffer.data(), static_cast<std::size_t>(n));
        if (!files::WriteAll(fs, to, std::string_view(buffer.data(), static_cast<std::size_t>(n))))
            return false;
        position += n;
        length -= static_cast<std::uint64_t>(n);
    }
    return true;
}

} // namespace

namespace {
thread_local std::string g_strLastWarning;
} // namespace

void WarnDatabase(const std::string& message)
{
    g_strLastWarning = message;
    std::cerr << "quillmark: " << message << '\n';
}

const std::string& LastDatabaseWarning() { return g_strLastWarning; }

DatabaseFile::Loaded DatabaseFile::Load(const std::string& path, bool locked, const Parser& parse, bool repair)
{
    for (int attempt = 0;; ++attempt) {
        files::FileStamp before;
        // A file that could not be examined may be there: it is read like one
        // that was, never taken for a missing one and written over.
        const bool there = !files::IsMissing(Fs(), path, &before);
        std::string error;
        ReadResult result = ReadResult::Malformed;
        if (there) {
            files::FileSystem& fs = Fs();
            // A FIFO or a folder at the path is refused without blocking.
            const int fd = files::OpenRegularFile(fs, path, &error);
            if (fd < 0) {
                result = ReadResult::ReadError;
            } else {
                result = parse(fd, error);
                fs.Close(fd);
            }
            // Another process replaced the file while we read it: read the new one.
            if (files::GetFileStamp(Fs(), path) != before && attempt < 5)
                continue;
        }
        m_bReadFailed = false;
        if (there && result == ReadResult::Read) {
            m_stamp = before;
            m_bStampKnown = true;
            m_bBlocked = false;
            return Loaded::File;
        }
        if (there && result == ReadResult::ReadError) {
            // The content may be fine (no permission, an I/O error): leave the file
            // alone and refuse to save over it.
            m_bBlocked = true;
            m_bReadFailed = true;
            WarnDatabase(error + "; the tag database is left untouched and changes cannot be saved");
        } else if (there && !repair) {
            // A query changes nothing: the next change moves the file aside.
            m_bBlocked = true;
            m_bReadFailed = true;
            WarnDatabase("the tag database \"" + path + "\" could not be read (" + error +
                         "); it is left as it is until the next change moves it aside");
            m_stamp = before;
            m_bStampKnown = true;
            return Loaded::Empty;
        } else if (there) {
            // Move the unparseable file aside under the lock, unless another process
            // has meanwhile put a new file in its place.
            std::optional<files::FileLock> lock;
            if (!locked)
                lock.emplace(Fs(), path, m_nLockWaitMs);
            if (lock && !lock->Locked()) {
                m_bBlocked = true;
                m_bReadFailed = true;
                WarnDatabase("the tag database \"" + path + "\" could not be read (" + error +
                             ") and is left as it is: " + lock->Error());
                m_stamp = before;
                m_bStampKnown = true;
                return Loaded::Empty;
            }
            if (files::GetFileStamp(Fs(), path) != before && attempt < 5)
                continue;
            char when[32];
            const std::time_t now = std::time(nullptr);
            std::tm tm{};
            localtime_r(&now, &tm);
            std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &tm);
            const std::string base = path + ".unreadable-" + when;
            std::string aside = base;
            std::string moveError;
            bool moved = false;
            for (int n = 1; n < 100; ++n) {
                if (files::RenameNoReplace(Fs(), path, aside, &moveError)) {
                    moved = true;
                    break;
                }
                if (errno != EEXIST)
                    break;
                aside = base + "-" + std::to_string(n);
            }
            if (moved) {
                m_strRecoveredFile = aside;
                m_bBlocked = false;
                WarnDatabase("the tag database \"" + path + "\" could not be read (" + error +
                             "); it was moved to \"" + aside + "\" and an empty database is used");
            } else {
                m_bBlocked = true;
                m_bReadFailed = true;
                WarnDatabase("the tag database \"" + path + "\" could not be read (" + error + ") nor moved aside (" +
                             moveError + "); it is left untouched and changes cannot be saved");
            }
        } else {
            m_bBlocked = false; // no file: nothing to protect
        }
        m_stamp = files::GetFileStamp(Fs(), path);
        m_bStampKnown = true;
        return Loaded::Empty;
    }
}

bool DatabaseFile::Changed(const std::string& path) const
{
    return !m_bStampKnown || files::GetFileStamp(Fs(), path) != m_stamp;
}

std::unique_ptr<files::FileLock> DatabaseFile::LockForChange(const std::string& path) const
{
    auto lock = std::make_unique<files::FileLock>(Fs(), path, m_nLockWaitMs);
    // The folder is made when the lock file cannot be: looked at only then.
    const std::string folder = FolderOf(path);
    if (!lock->Locked() && !files::IsDirectory(Fs(), folder)) {
        std::string error;
        if (!files::MakeDirectories(Fs(), folder, &error)) {
            WarnDatabase("cannot create the database folder: " + error);
            return nullptr;
        }
        lock = std::make_unique<files::FileLock>(Fs(), path, m_nLockWaitMs);
    }
    if (!lock->Locked()) {
        WarnDatabase("the tag database is not changed: " + lock->Error());
        return nullptr;
    }
    return lock;
}

bool DatabaseFile::Replaced(const std::string& path, bool ok, const std::string& error)
{
    if (!ok) {
        WarnDatabase("cannot save the tag database: " + error);
        return false;
    }
    m_stamp = files::GetFileStamp(Fs(), path);
    m_bStampKnown = true;
    return true;
}

void DatabaseFile::SweepLeftovers(const std::string& path)
{
    // Writers that were killed while saving may have left temporary files, of
    // the database and of its index: looked for once, before the first save
    // (whose own temporary files they would otherwise include).
    if (m_strSweptPath != path) {
        files::RemoveReplaceLeftovers(Fs(), path);
        files::RemoveReplaceLeftovers(Fs(), indexfile::PathFor(path));
        m_strSweptPath = path;
    }
}

bool DatabaseFile::Replace(const std::string& path, std::string_view content)
{
    if (m_bBlocked) {
        WarnDatabase("the unreadable tag database \"" + path + "\" is not overwritten");
        return false;
    }
    SweepLeftovers(path);
    std::string error;
    const bool ok = files::AtomicReplace(Fs(), path, content, 0600, &error);
    return Replaced(path, ok, error);
}

DatabaseFile::PieceResult DatabaseFile::ReplaceFromPieces(const std::string& path, const std::vector<Piece>& pieces,
                                                          const std::function<void(int fd)>& whileFlushing,
                                                          indexfile::ContentHash* hash,
                                                          const std::function<bool()>& mayReplace)
{
    if (m_bBlocked) {
        WarnDatabase("the unreadable tag database \"" + path + "\" is not overwritten");
        return PieceResult::Failed;
    }
    int current = -1;
    for (const Piece& piece : pieces) {
        if (!piece.literal && piece.length > 0 && current < 0) {
            std::string openError;
            current = files::OpenRegularFile(Fs(), path, &openError);
            if (current < 0) {
                Replaced(path, false, openError);
                return PieceResult::Failed;
            }
            // The byte ranges describe the file last read or written: copying
            // them from any other would splice records at wrong offsets.
            const files::FileStamp opened = files::GetFileStamp(Fs(), current);
            if (!opened.exists || !m_bStampKnown || opened.device != m_stamp.device ||
                opened.inode != m_stamp.inode || opened.size != m_stamp.size || opened.mtimeNs != m_stamp.mtimeNs) {
                Fs().Close(current);
                m_bStampKnown = false;
                return PieceResult::Moved;
            }
        }
    }
    // A change prepared without the lock does not sweep (that needs the lock),
    // and keeps its own temporary file locked until it is renamed, so that a
    // holder's sweep leaves it alone (flock locks belong to the open file, so
    // the file is opened again for it: AtomicReplace closes its own first).
    if (!mayReplace)
        SweepLeftovers(path);
    int keeper = -1;
    std::string error;
    bool gaveWay = false;
    const auto beforeRename = [&](std::string*) {
        gaveWay = mayReplace && !mayReplace();
        return !gaveWay;
    };
    const bool ok = files::AtomicReplace(
        Fs(), path, "." + files::NameOf(path) + ".XXXXXX",
        [&](int fd) {
            if (mayReplace) {
                keeper = Fs().Open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC, 0);
                // A mark for other writers' sweeps, not the database's lock:
                // outside FileSystem, as nothing fails when it cannot be set.
                if (keeper >= 0)
                    ::flock(keeper, LOCK_EX | LOCK_NB);
            }
            std::vector<char> buffer(hash ? 1 << 18 : 0);
            for (const Piece& piece : pieces) {
                bool written = false;
                if (piece.literal) {
                    written = files::WriteAll(Fs(), fd, *piece.literal);
                    if (hash)
                        hash->Add(piece.literal->data(), piece.literal->size());
                } else {
                    written = hash ? CopyRangeHashed(Fs(), current, piece.offset, piece.length, fd, buffer, *hash)
                                   : CopyRange(Fs(), current, piece.offset, piece.length, fd);
                }
                if (!written)
                    return false;
            }
            return true;
        },
        0600, &error, beforeRename, whileFlushing);
    if (current >= 0)
        Fs().Close(current);
    if (keeper >= 0)
        Fs().Close(keeper);
    if (gaveWay) {
        m_bStampKnown = false;
        return PieceResult::Moved;
    }
    return Replaced(path, ok, error) ? PieceResult::Written : PieceResult::Failed;
}

} // namespace quillmark
