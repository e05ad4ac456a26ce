// POSIX implementation of the file system layer.
#include "platform/files/files.h"
#include "platform/errors/seterror.h"
#include "platform/files/paths.h"
#include "platform/files/filesystem.h"
#include "platform/files/regularfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <algorithm>
#include <chrono>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillmark::files {

namespace {

std::string ErrnoText(const std::string& what, const std::string& path, int err)
{
    return what + " \"" + path + "\": " + std::strerror(err);
}

} // namespace

bool WriteAll(int fd, std::string_view content) { return WriteAll(FileSystem::Current(), fd, content); }

bool WriteAll(FileSystem& fs, int fd, std::string_view content)
{
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = fs.Write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<FileTimes> GetFileTimes(const std::string& path) { return GetFileTimes(FileSystem::Current(), path); }

std::optional<FileTimes> GetFileTimes(FileSystem& fs, const std::string& path)
{
    struct statx sx {};
    if (fs.StatX(path.c_str(), STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    FileTimes times;
    if (sx.stx_mask & STATX_MTIME)
        times.writeTime = sx.stx_mtime.tv_sec;
    if (sx.stx_mask & STATX_ATIME)
        times.accessTime = sx.stx_atime.tv_sec;
    if (sx.stx_mask & STATX_BTIME)
        times.createTime = sx.stx_btime.tv_sec;
    return times;
}

bool Exists(const std::string& path) { return Exists(FileSystem::Current(), path); }

bool Exists(FileSystem& fs, const std::string& path)
{
    struct stat st {};
    return fs.Stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) { return IsDirectory(FileSystem::Current(), path); }

bool IsDirectory(FileSystem& fs, const std::string& path)
{
    struct stat st {};
    return fs.Stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) { return IsRegularFile(FileSystem::Current(), path); }

bool IsRegularFile(FileSystem& fs, const std::string& path)
{
    struct stat st {};
    return fs.Stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern, NameCase nameCase)
{
    return ListFiles(FileSystem::Current(), folder, pattern, nameCase);
}

std::vector<std::string> ListFiles(FileSystem& fs, const std::string& folder, const std::string& pattern,
                                   NameCase nameCase)
{
    const int flags = nameCase == NameCase::Ignore ? FNM_CASEFOLD : 0;
    std::vector<std::string> all, names;
    fs.ListFolder(folder.empty() ? "." : folder.c_str(), all);
    for (const std::string& name : all)
        if (::fnmatch(pattern.c_str(), name.c_str(), flags) == 0)
            names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

bool RemoveFile(const std::string& path, std::string* error) { return RemoveFile(FileSystem::Current(), path, error); }

bool RemoveFile(FileSystem& fs, const std::string& path, std::string* error)
{
    if (fs.Unlink(path.c_str()) == 0)
        return true;
    SetError(error, ErrnoText("cannot remove", path, errno));
    return false;
}

bool MakeDirectories(const std::string& folder, std::string* error)
{
    return MakeDirectories(FileSystem::Current(), folder, error);
}

bool MakeDirectories(FileSystem& fs, const std::string& folder, std::string* error)
{
    if (folder.empty()) {
        SetError(error, "no folder given");
        return false;
    }
    // Create each prefix ending before a '/' and then the whole path.
    std::size_t pos = 0;
    while (true) {
        pos = folder.find('/', pos + 1);
        const std::string part = folder.substr(0, pos);
        if (!part.empty() && fs.MakeDirectory(part.c_str(), 0700) != 0 && errno != EEXIST) {
            SetError(error, ErrnoText("cannot create folder", part, errno));
            return false;
        }
        if (pos == std::string::npos)
            break;
    }
    if (!IsDirectory(fs, folder)) {
        SetError(error, "\"" + folder + "\" exists and is not a folder");
        return false;
    }
    return true;
}

std::optional<std::string> ReadFile(const std::string& path, std::string* error)
{
    return ReadFile(FileSystem::Current(), path, error);
}

std::optional<std::string> ReadFile(FileSystem& fs, const std::string& path, std::string* error)
{
    const int fd = OpenRegularFile(fs, path, error);
    if (fd < 0)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    while (true) {
        const ssize_t n = fs.Read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            fs.Close(fd);
            SetError(error, ErrnoText("cannot read", path, err));
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    fs.Close(fd);
    return content;
}

bool AtomicReplace(const std::string& path, std::string_view content, unsigned mode,
                   std::string* error)
{
    return AtomicReplace(FileSystem::Current(), path, content, mode, error);
}

bool AtomicReplace(FileSystem& fs, const std::string& path, std::string_view content, unsigned mode,
                   std::string* error)
{
    return AtomicReplace(fs, path, [&fs, content](int fd) { return WriteAll(fs, fd, content); }, mode, error);
}

bool AtomicReplace(const std::string& path, const std::function<bool(int fd)>& write, unsigned mode,
                   std::string* error)
{
    return AtomicReplace(FileSystem::Current(), path, write, mode, error);
}

bool AtomicReplace(FileSystem& fs, const std::string& path, const std::function<bool(int fd)>& write,
                   unsigned mode, std::string* error)
{
    return AtomicReplace(fs, path, "." + NameOf(path) + ".XXXXXX", write, mode, error, {});
}

bool AtomicReplace(const std::string& path, const std::string& tempName, const std::function<bool(int fd)>& write,
                   unsigned mode, std::string* error, const std::function<bool(std::string*)>& beforeRename)
{
    return AtomicReplace(FileSystem::Current(), path, tempName, write, mode, error, beforeRename);
}

bool AtomicReplace(FileSystem& fs, const std::string& path, const std::string& tempName,
                   const std::function<bool(int fd)>& write, unsigned mode, std::string* error,
                   const std::function<bool(std::string*)>& beforeRename,
                   const std::function<void(int fd)>& whileFlushing)
{
    const std::string folder = FolderOf(path);
    std::string temp = folder + "/" + tempName;
    const int fd = fs.CreateTemp(temp);
    if (fd < 0) {
        SetError(error, ErrnoText("cannot create a temporary file in", folder, errno));
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        fs.Close(fd);
        fs.Unlink(temp.c_str());
        SetError(error, ErrnoText(what, temp, err));
        return false;
    };
    if (fs.ChangeMode(fd, static_cast<mode_t>(mode)) != 0)
        return fail("cannot set the mode of", errno);
    if (!write(fd))
        return fail("cannot write", errno);
    if (whileFlushing) {
        // Only a hint to start the write-out now (the flush below is what
        // counts), so it stays outside FileSystem.
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        whileFlushing(fd);
    }
    if (fs.Sync(fd) != 0)
        return fail("cannot flush", errno);
    if (fs.Close(fd) != 0) {
        const int err = errno;
        fs.Unlink(temp.c_str());
        SetError(error, ErrnoText("cannot close", temp, err));
        return false;
    }
    if (beforeRename && !beforeRename(error)) {
        fs.Unlink(temp.c_str());
        return false;
    }
    if (fs.Rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        fs.Unlink(temp.c_str());
        SetError(error, ErrnoText("cannot rename the temporary file over", path, err));
        return false;
    }
    // Make the rename itself durable. This stays outside FileSystem on purpose: the
    // new content is in place by now, so a failure here is nothing to report.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void RemoveReplaceLeftovers(const std::string& path) { RemoveReplaceLeftovers(FileSystem::Current(), path); }

void RemoveReplaceLeftovers(FileSystem& fs, const std::string& path)
{
    const std::string folder = FolderOf(path);
    // The same name AtomicReplace gives its temporary files: "." + name + ".XXXXXX".
    std::string pattern = "." + NameOf(path) + ".";
    for (char& c : pattern)
        if (c == '*' || c == '?' || c == '[' || c == '\\')
            c = '?';
    pattern += "??????";
    for (const std::string& name : ListFiles(fs, folder, pattern)) {
        // A replacement prepared without the lock keeps its file marked with
        // an flock while it runs: that one is not a leftover. (A mark, not
        // the database's lock: outside FileSystem.)
        const std::string file = folder + "/" + name;
        const int fd = fs.Open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            fs.Close(fd);
            continue;
        }
        fs.Unlink(file.c_str());
        if (fd >= 0)
            fs.Close(fd);
    }
}

std::string ResolveLinks(const std::string& path) { return ResolveLinks(FileSystem::Current(), path); }

std::string ResolveLinks(FileSystem& fs, const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        if (std::string resolved; fs.RealPath(current.c_str(), resolved) == 0)
            return resolved;
        struct stat st {};
        if (fs.LinkStat(current.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            // A link to a file not made yet: follow it by hand.
            std::vector<char> target(std::max<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, 4096));
            const ssize_t n = fs.ReadLink(current.c_str(), target.data(), target.size());
            if (n <= 0)
                break;
            std::string next(target.data(), static_cast<std::size_t>(n));
            current = next.starts_with('/') ? next : FolderOf(current) + "/" + next;
            continue;
        }
        // A missing file: its folder resolved, its name kept.
        if (std::string resolved; fs.RealPath(FolderOf(current).c_str(), resolved) == 0) {
            return (resolved == "/" ? resolved : resolved + "/") + NameOf(current);
        }
        break;
    }
    return path;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error)
{
    return RenameNoReplace(FileSystem::Current(), from, to, error);
}

bool RenameNoReplace(FileSystem& fs, const std::string& from, const std::string& to, std::string* error)
{
    if (fs.RenameNoReplace(from.c_str(), to.c_str()) == 0)
        return true;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // The file system cannot refuse to replace: a hard link can, for files.
        if (fs.Link(from.c_str(), to.c_str()) == 0) {
            fs.Unlink(from.c_str());
            return true;
        }
        err = errno;
    }
    SetError(error, ErrnoText("cannot rename to", to, err));
    errno = err;
    return false;
}

FileStamp StampOf(const struct stat& st)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

FileStamp GetFileStamp(const std::string& path) { return GetFileStamp(FileSystem::Current(), path); }

FileStamp GetFileStamp(FileSystem& fs, const std::string& path)
{
    struct stat st {};
    return fs.Stat(path.c_str(), &st) == 0 ? StampOf(st) : FileStamp{};
}

bool IsMissing(FileSystem& fs, const std::string& path, FileStamp* pStamp)
{
    struct stat st {};
    if (fs.Stat(path.c_str(), &st) == 0) {
        if (pStamp) *pStamp = StampOf(st);
        return false;
    }
    const int error = errno;
    if (pStamp) *pStamp = FileStamp{};
    errno = error;
    return error == ENOENT || error == ENOTDIR;
}

FileStamp GetFileStamp(FileSystem& fs, int fd)
{
    struct stat st {};
    return fs.StatFd(fd, &st) == 0 ? StampOf(st) : FileStamp{};
}

namespace {

// "process 1234 (quillmark)" for the process holding a flock on the open file `fd`,
// from /proc/locks; "another process" when it cannot be told.
std::string LockHolder(int fd)
{
    struct stat st {};
    std::optional<std::string> locks = ::fstat(fd, &st) == 0 ? ReadFile("/proc/locks") : std::nullopt;
    if (!locks)
        return "another process";
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::size_t start = 0;
    while (start < locks->size()) {
        std::size_t end = locks->find('\n', start);
        if (end == std::string::npos)
            end = locks->size();
        const std::string line = locks->substr(start, end - start);
        start = end + 1;
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiting entry has "->".
        const std::size_t at = line.find(id);
        if (at == std::string::npos || line.find("FLOCK") == std::string::npos || line.find("->") != std::string::npos)
            continue;
        const std::size_t pidEnd = line.find_last_not_of(' ', at);
        const std::size_t pidStart = line.find_last_of(' ', pidEnd);
        const std::string pid = line.substr(pidStart + 1, pidEnd - pidStart);
        std::string name = ReadFile("/proc/" + pid + "/comm").value_or("");
        while (!name.empty() && name.back() == '\n')
            name.pop_back();
        return "process " + pid + (name.empty() ? std::string() : " (" + name + ")");
    }
    return "another process";
}

} // namespace

namespace {
// Waiters mark one of the first kWaitLevels bytes of the lock file: the
// longer they waited, the higher.
constexpr off_t kWaitLevels = 64;
constexpr std::chrono::milliseconds kWaitLevelStep(250);
} // namespace

FileLock::FileLock(const std::string& path, int waitMs) : FileLock(FileSystem::Current(), path, waitMs) {}

FileLock::FileLock(FileSystem& fs, const std::string& path, int waitMs) : m_fs(fs)
{
    const std::string lockPath = path + ".lock";
    const int fd = fs.Open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_strError = ErrnoText("cannot open the lock file", lockPath, errno);
        return;
    }
    // flock locks belong to the open file description, so two FileLock objects
    // exclude each other even inside one process, and the lock dies with the process.
    //
    // flock cannot time out, so a waiter polls; a process that takes the lock
    // again just after releasing it would then win every time, and a waiter
    // could lose every turn. Waiters therefore mark a byte of the lock file (a
    // lock of another kind, which dies with them too): byte N once they have
    // waited N quarter seconds. Whoever finds the lock free while someone who
    // waited longer is marked lets them go first, so the longest waiter wins.
    const bool waits = waitMs != 0;
    const auto now = [] { return std::chrono::steady_clock::now(); };
    const auto started = now();
    const auto deadline = started + std::chrono::milliseconds(waitMs);
    int level = -1; // the byte this process marks; -1 before it waits
    const auto olderWaiter = [&] {
        return waits && fs.Marked(fd, level + 1, kWaitLevels - (level + 1), F_WRLCK) == 1;
    };
    const bool firstFree = fs.Lock(fd, LOCK_EX | LOCK_NB) == 0;
    if (firstFree && !olderWaiter()) {
        m_nFd = fd;
        return;
    }
    if (!firstFree && errno != EWOULDBLOCK && errno != EINTR) {
        m_strError = ErrnoText("cannot lock", lockPath, errno);
        fs.Close(fd);
        return;
    }
    if (firstFree)
        fs.Lock(fd, LOCK_UN);
    // Polled first every quarter millisecond, since most holders hold it for a
    // few, then up to every 2 ms; one that lets another go first waits 4 ms,
    // long enough for the other's next look.
    bool yielding = firstFree;
    std::chrono::microseconds pause(125);
    const auto unmark = [&] {
        if (level >= 0)
            fs.MarkByte(fd, level, F_UNLCK);
    };
    for (;;) {
        if (waitMs >= 0 && now() >= deadline) {
            m_strError = "\"" + lockPath + "\" is held by " + LockHolder(fd) + "; gave up after " +
                         std::to_string(waitMs) + " ms";
            fs.Close(fd);
            return;
        }
        const int waited = static_cast<int>((now() - started) / kWaitLevelStep);
        const int next = waits ? std::min(waited, static_cast<int>(kWaitLevels) - 1) : -1;
        if (next != level && fs.MarkByte(fd, next, F_RDLCK) == 0) {
            unmark();
            level = next;
        }
        pause = yielding ? std::chrono::microseconds(4000)
                         : std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(2));
        std::this_thread::sleep_for(waitMs < 0 ? pause
                                               : std::min<std::chrono::steady_clock::duration>(pause, deadline - now()));
        if (fs.Lock(fd, LOCK_EX | LOCK_NB) == 0) {
            yielding = olderWaiter();
            if (!yielding)
                break;
            fs.Lock(fd, LOCK_UN);
            continue;
        }
        if (errno != EINTR && errno != EWOULDBLOCK) {
            m_strError = ErrnoText("cannot lock", lockPath, errno);
            fs.Close(fd);
            return;
        }
        yielding = false;
    }
    unmark();
    m_nFd = fd;
}

FileLock::~FileLock()
{
    if (m_nFd >= 0) {
        m_fs.Lock(m_nFd, LOCK_UN);
        m_fs.Close(m_nFd);
    }
}

} // namespace quillmark::files

namespace quillmark::files {

std::optional<std::string> GetAttribute(const std::string& path, const std::string& name, std::size_t limit)
{
    return GetAttribute(FileSystem::Current(), path, name, limit);
}

std::optional<std::string> GetAttribute(FileSystem& fs, const std::string& path, const std::string& name,
                                        std::size_t limit)
{
    const ssize_t size = fs.GetAttribute(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0)
        return std::nullopt;
    if (static_cast<std::size_t>(size) > limit) {
        errno = E2BIG;
        return std::nullopt;
    }
    std::string value(static_cast<std::size_t>(size), '\0');
    // The value may change between the two calls: a grown one is refused (ERANGE).
    const ssize_t read = fs.GetAttribute(path.c_str(), name.c_str(), value.data(), value.size());
    if (read < 0)
        return std::nullopt;
    value.resize(static_cast<std::size_t>(read));
    return value;
}

bool SetAttribute(const std::string& path, const std::string& name, const std::optional<std::string>& value)
{
    return SetAttribute(FileSystem::Current(), path, name, value);
}

bool SetAttribute(FileSystem& fs, const std::string& path, const std::string& name,
                  const std::optional<std::string>& value)
{
    if (!value) {
        // Nothing to remove is no failure.
        return fs.RemoveAttribute(path.c_str(), name.c_str()) == 0 || errno == ENODATA;
    }
    return fs.SetAttribute(path.c_str(), name.c_str(), value->data(), value->size()) == 0;
}

} // namespace quillmark::files
