#pragma once
// File system calls the product needs: file times, wildcard listing,
// atomic replacement of a file's content, and advisory locks.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace quillmark::files {

class FileSystem;

// Every call below that has a FileSystem parameter makes its system calls
// through it; the form without one uses FileSystem::Current().

// Seconds since 1970-01-01 00:00 UTC; 0 = not known.
struct FileTimes {
    std::int64_t writeTime = 0;
    std::int64_t accessTime = 0;
    std::int64_t createTime = 0; // birth time where the file system records it
};

// Times of the file at `path`; nullopt when it cannot be examined (errno kept).
std::optional<FileTimes> GetFileTimes(const std::string& path);
std::optional<FileTimes> GetFileTimes(FileSystem& fs, const std::string& path);

bool Exists(const std::string& path);
bool Exists(FileSystem& fs, const std::string& path);
bool IsDirectory(const std::string& path);
bool IsDirectory(FileSystem& fs, const std::string& path);
// A plain file (links followed): not a folder, device, pipe or socket.
bool IsRegularFile(const std::string& path);
bool IsRegularFile(FileSystem& fs, const std::string& path);

// How a wildcard compares letters: exactly, or ignoring ASCII case as Windows
// file names do (*.jpg then also finds Slide1.JPG).
enum class NameCase { Exact, Ignore };

// Names (not paths) of the entries in `folder` whose name matches the shell
// wildcard `pattern` (* and ?), sorted by name. A missing folder lists nothing.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern,
                                   NameCase nameCase = NameCase::Exact);
std::vector<std::string> ListFiles(FileSystem& fs, const std::string& folder, const std::string& pattern,
                                   NameCase nameCase = NameCase::Exact);

// Removes a file (not a folder). False (with `error`) when it could not be removed.
bool RemoveFile(const std::string& path, std::string* error = nullptr);
bool RemoveFile(FileSystem& fs, const std::string& path, std::string* error = nullptr);

// Creates `folder` and its missing parents (mode 0700 for new ones).
bool MakeDirectories(const std::string& folder, std::string* error = nullptr);
bool MakeDirectories(FileSystem& fs, const std::string& folder, std::string* error = nullptr);

// Reads a whole regular file (see OpenRegularFile: a FIFO or a folder there is
// refused without blocking). nullopt (with `error` set) when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path, std::string* error = nullptr);
std::optional<std::string> ReadFile(FileSystem& fs, const std::string& path, std::string* error = nullptr);

// Replaces the content of `path` atomically: writes a sibling temporary file
// with `mode`, flushes it to disk, renames it over `path` and flushes the folder.
// On failure `path` is untouched, the temporary file removed, `error` set.
bool AtomicReplace(const std::string& path, std::string_view content, unsigned mode = 0600,
                   std::string* error = nullptr);
bool AtomicReplace(FileSystem& fs, const std::string& path, std::string_view content, unsigned mode = 0600,
                   std::string* error = nullptr);
// The same, with the content written by `write` into the temporary file's
// descriptor; `write` returns false (errno set) when it could not write it all.
bool AtomicReplace(const std::string& path, const std::function<bool(int fd)>& write, unsigned mode = 0600,
                   std::string* error = nullptr);
bool AtomicReplace(FileSystem& fs, const std::string& path, const std::function<bool(int fd)>& write,
                   unsigned mode = 0600, std::string* error = nullptr);
// The same with the temporary file named `tempName` in path's folder (ending in
// "XXXXXX", which mkstemp fills in), and `beforeRename`, when given, called once
// the temporary file is complete: false from it (its error set) gives up, the
// temporary file removed and `path` untouched. `whileFlushing`, when given, is
// called with the complete temporary file while the system writes it out, before
// the flush waits for that: work done there costs the caller no time when it
// takes no longer than the disk.
bool AtomicReplace(const std::string& path, const std::string& tempName, const std::function<bool(int fd)>& write,
                   unsigned mode, std::string* error, const std::function<bool(std::string*)>& beforeRename);
bool AtomicReplace(FileSystem& fs, const std::string& path, const std::string& tempName,
                   const std::function<bool(int fd)>& write, unsigned mode, std::string* error,
                   const std::function<bool(std::string*)>& beforeRename,
                   const std::function<void(int fd)>& whileFlushing = {});
// Writes all of `content` to `fd`; false with errno set on failure.
bool WriteAll(int fd, std::string_view content);
bool WriteAll(FileSystem& fs, int fd, std::string_view content);

// Removes the temporary files that interrupted AtomicReplace calls for `path`
// left behind. Only safe while no other replacement of `path` can be running
// (that is, while holding the FileLock that serialises them).
void RemoveReplaceLeftovers(const std::string& path);
void RemoveReplaceLeftovers(FileSystem& fs, const std::string& path);

// The path of the file that `path` names, with links followed, so that every
// spelling of one file gives one path: the real path of an existing file; for a
// link whose target does not exist yet, that target; for a missing file, its real
// folder and its name. `path` itself when its folder cannot be resolved either.
std::string ResolveLinks(const std::string& path);
std::string ResolveLinks(FileSystem& fs, const std::string& path);

// Renames `from` to `to` unless `to` already exists (then false, errno EEXIST).
bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error = nullptr);
bool RenameNoReplace(FileSystem& fs, const std::string& from, const std::string& to, std::string* error = nullptr);

// The extended attribute `name` of the file `path` names; nullopt (errno set)
// when it is absent or the file system keeps none (ENODATA, ENOTSUP). At most
// `limit` bytes are read: a longer value is refused (E2BIG).
std::optional<std::string> GetAttribute(const std::string& path, const std::string& name,
                                        std::size_t limit = 65536);
std::optional<std::string> GetAttribute(FileSystem& fs, const std::string& path, const std::string& name,
                                        std::size_t limit = 65536);
// Sets (or, with `value` nullopt, removes) the attribute; false with errno set.
bool SetAttribute(const std::string& path, const std::string& name, const std::optional<std::string>& value);
bool SetAttribute(FileSystem& fs, const std::string& path, const std::string& name,
                  const std::optional<std::string>& value);

// Identity of a file's current content as far as the file system tells:
// changes whenever the file is replaced or written.
struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;
    bool exists = false;
    bool operator==(const FileStamp&) const = default;
};
FileStamp GetFileStamp(const std::string& path);
FileStamp GetFileStamp(FileSystem& fs, const std::string& path);
// True only when nothing is at `path` (its stat fails with ENOENT or ENOTDIR):
// a file that cannot be examined for another reason (EIO, EACCES) may well be
// there, and must not be taken for a missing one. `pStamp` receives its stamp.
bool IsMissing(FileSystem& fs, const std::string& path, FileStamp* pStamp = nullptr);
// The same for a file open at `fd`.
FileStamp GetFileStamp(FileSystem& fs, int fd);
// The stamp of the file `st` describes (a status from stat or fstat).
FileStamp StampOf(const struct stat& st);

// An exclusive advisory lock held on `<path>.lock` for the object's lifetime
// (flock based, released when the process dies). Waits until granted, or at most
// `waitMs` milliseconds when that is not negative; a lock not granted in time
// leaves Locked() false and Error() naming the process that holds it.
class FileLock {
public:
    explicit FileLock(const std::string& path, int waitMs = -1);
    FileLock(FileSystem& fs, const std::string& path, int waitMs = -1);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Locked() const { return m_nFd >= 0; }
    const std::string& Error() const { return m_strError; }

private:
    FileSystem& m_fs;
    int m_nFd = -1;
    std::string m_strError;
};

} // namespace quillmark::files
