// POSIX implementation of the file system layer.
#include "platform/files/files.h"
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

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

// Folder part of `path` ("." when it has none), used for the temporary file and the folder sync.
std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool WriteAll(int fd, std::string_view content)
{
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = FileSystem::Current().Write(fd, p, left);
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

std::optional<FileTimes> GetFileTimes(const std::string& path)
{
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
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

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern, NameCase nameCase)
{
    const int flags = nameCase == NameCase::Ignore ? FNM_CASEFOLD : 0;
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (::fnmatch(pattern.c_str(), name.c_str(), flags) == 0)
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool RemoveFile(const std::string& path, std::string* error)
{
    if (::unlink(path.c_str()) == 0)
        return true;
    SetError(error, ErrnoText("cannot remove", path, errno));
    return false;
}

bool MakeDirectories(const std::string& folder, std::string* error)
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
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            SetError(error, ErrnoText("cannot create folder", part, errno));
            return false;
        }
        if (pos == std::string::npos)
            break;
    }
    if (!IsDirectory(folder)) {
        SetError(error, "\"" + folder + "\" exists and is not a folder");
        return false;
    }
    return true;
}

std::optional<std::string> ReadFile(const std::string& path, std::string* error)
{
    FileSystem& fs = FileSystem::Current();
    const int fd = OpenRegularFile(path, error);
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
    return AtomicReplace(path, [content](int fd) { return WriteAll(fd, content); }, mode, error);
}

bool AtomicReplace(const std::string& path, const std::function<bool(int fd)>& write, unsigned mode,
                   std::string* error)
{
    return AtomicReplace(path, "." + NameOf(path) + ".XXXXXX", write, mode, error, {});
}

bool AtomicReplace(const std::string& path, const std::string& tempName, const std::function<bool(int fd)>& write,
                   unsigned mode, std::string* error, const std::function<bool(std::string*)>& beforeRename)
{
    const std::string folder = FolderOf(path);
    FileSystem& fs = FileSystem::Current();
    std::string temp = folder + "/" + tempName;
    const int fd = fs.CreateTemp(temp);
    if (fd < 0) {
        SetError(error, ErrnoText("cannot create a temporary file in", folder, errno));
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        fs.Close(fd);
        ::unlink(temp.c_str());
        SetError(error, ErrnoText(what, temp, err));
        return false;
    };
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return fail("cannot set the mode of", errno);
    if (!write(fd))
        return fail("cannot write", errno);
    if (fs.Sync(fd) != 0)
        return fail("cannot flush", errno);
    if (fs.Close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        SetError(error, ErrnoText("cannot close", temp, err));
        return false;
    }
    if (beforeRename && !beforeRename(error)) {
        ::unlink(temp.c_str());
        return false;
    }
    if (fs.Rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
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

void RemoveReplaceLeftovers(const std::string& path)
{
    const std::string folder = FolderOf(path);
    // The same name AtomicReplace gives its temporary files: "." + name + ".XXXXXX".
    std::string pattern = "." + NameOf(path) + ".";
    for (char& c : pattern)
        if (c == '*' || c == '?' || c == '[' || c == '\\')
            c = '?';
    pattern += "??????";
    for (const std::string& name : ListFiles(folder, pattern))
        ::unlink((folder + "/" + name).c_str());
}

std::string ResolveLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        if (char* real = ::realpath(current.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
        struct stat st {};
        if (::lstat(current.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            // A link to a file not made yet: follow it by hand.
            std::vector<char> target(std::max<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, 4096));
            const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
            if (n <= 0)
                break;
            std::string next(target.data(), static_cast<std::size_t>(n));
            current = next.starts_with('/') ? next : FolderOf(current) + "/" + next;
            continue;
        }
        // A missing file: its folder resolved, its name kept.
        if (char* real = ::realpath(FolderOf(current).c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return (resolved == "/" ? resolved : resolved + "/") + NameOf(current);
        }
        break;
    }
    return path;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error)
{
    if (FileSystem::Current().RenameNoReplace(from.c_str(), to.c_str()) == 0)
        return true;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // The file system cannot refuse to replace: a hard link can, for files.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return true;
        }
        err = errno;
    }
    SetError(error, ErrnoText("cannot rename to", to, err));
    errno = err;
    return false;
}

FileStamp GetFileStamp(const std::string& path)
{
    FileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
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

FileLock::FileLock(const std::string& path, int waitMs)
{
    const std::string lockPath = path + ".lock";
    const int fd = FileSystem::Current().Open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_strError = ErrnoText("cannot open the lock file", lockPath, errno);
        return;
    }
    // flock locks belong to the open file description, so two FileLock objects
    // exclude each other even inside one process, and the lock dies with the process.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (::flock(fd, waitMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (errno == EWOULDBLOCK)
            m_strError = "\"" + lockPath + "\" is held by " + LockHolder(fd) + "; gave up after " +
                         std::to_string(waitMs) + " ms";
        else
            m_strError = ErrnoText("cannot lock", lockPath, errno);
        ::close(fd);
        return;
    }
    m_nFd = fd;
}

FileLock::~FileLock()
{
    if (m_nFd >= 0) {
        ::flock(m_nFd, LOCK_UN);
        ::close(m_nFd);
    }
}

} // namespace quillmark::files
