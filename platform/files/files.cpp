// POSIX implementation of the file system layer.
#include "platform/files/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
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
        const ssize_t n = ::write(fd, p, left);
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

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (::fnmatch(pattern.c_str(), name.c_str(), 0) == 0)
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, ErrnoText("cannot open", path, errno));
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            SetError(error, ErrnoText("cannot read", path, err));
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
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
    const std::string folder = FolderOf(path);
    std::string temp = folder + "/." + NameOf(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        SetError(error, ErrnoText("cannot create a temporary file in", folder, errno));
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        SetError(error, ErrnoText(what, temp, err));
        return false;
    };
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return fail("cannot set the mode of", errno);
    if (!write(fd))
        return fail("cannot write", errno);
    if (::fsync(fd) != 0)
        return fail("cannot flush", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        SetError(error, ErrnoText("cannot close", temp, err));
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        SetError(error, ErrnoText("cannot rename the temporary file over", path, err));
        return false;
    }
    // Make the rename itself durable.
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

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
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

FileLock::FileLock(const std::string& path)
{
    const std::string lockPath = path + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_strError = ErrnoText("cannot open the lock file", lockPath, errno);
        return;
    }
    // flock locks belong to the open file description, so two FileLock objects
    // exclude each other even inside one process, and the lock dies with the process.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
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
