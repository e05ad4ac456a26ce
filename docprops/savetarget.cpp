#include "docprops/savetarget.h"
#include "platform/errors/seterror.h"

#include "platform/files/filesystem.h"
#include "platform/files/paths.h"
#include "platform/files/regularfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <signal.h>

#include <fcntl.h>
#include <unistd.h>

namespace quillmark::docprops {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The name without wildcard characters, for a pattern that must match it literally.
std::string LiteralPattern(std::string name)
{
    for (char& c : name)
        if (c == '*' || c == '?' || c == '[' || c == '\\') c = '?';
    return name;
}

constexpr const char* kTempTag = ".qmsave-";
constexpr const char* kBackupTag = ".qmbackup-";

std::string ChangedText(const std::string& path)
{
    return Quoted(path) + " was changed by another program since it was opened; it is left as it is "
                          "(open it again to save into it)";
}

// Copies all of `from` (from its start) over `to` (from its start), cuts `to` there
// and flushes it; in pieces, never the whole content in memory. False, errno set,
// when it could not.
bool CopyOver(files::FileSystem& fs, int from, int to)
{
    if (::lseek(from, 0, SEEK_SET) != 0 || ::lseek(to, 0, SEEK_SET) != 0) return false;
    char buffer[65536];
    off_t total = 0;
    for (;;) {
        const ssize_t n = fs.Read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        if (!files::WriteAll(fs, to, std::string_view(buffer, static_cast<std::size_t>(n)))) return false;
        total += n;
    }
    return ::ftruncate(to, total) == 0 && fs.Sync(to) == 0;
}

// The name of a temporary file of ours beside `path`: ".<name><tag><pid>-XXXXXX".
std::string TemporaryName(const std::string& path, const char* tag)
{
    return "." + files::NameOf(path) + tag + std::to_string(::getpid()) + "-XXXXXX";
}

// A temporary file of ours made beside `path` (fd -1, errno set, when it could not
// be), closed and removed when it goes out of scope unless kept.
struct TemporaryFile {
    files::FileSystem& fs;
    std::string path;
    int fd;
    TemporaryFile(files::FileSystem& fileSystem, const std::string& beside, const char* tag)
        : fs(fileSystem), path(files::FolderOf(beside) + "/" + TemporaryName(beside, tag)), fd(fs.CreateTemp(path))
    {
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (fd < 0) return;
        fs.Close(fd);
        fs.Unlink(path.c_str());
    }
    // Closed and left where it is.
    void Keep()
    {
        fs.Close(fd);
        fd = -1;
    }
};

} // namespace

bool SameContent(const files::FileStamp& a, const files::FileStamp& b)
{
    return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.mtimeNs == b.mtimeNs;
}

files::FileStamp SaveTarget::Stamp() const { return m_bExists ? StampOf(m_status) : files::FileStamp{}; }

bool SaveTarget::Prepare(const std::string& path, std::string* error)
{
    m_strPath = files::ResolveLinks(path);
    m_bExists = false;
    if (::stat(m_strPath.c_str(), &m_status) != 0) {
        if (errno != ENOENT) {
            SetError(error, "cannot examine " + Quoted(m_strPath) + ": " + std::strerror(errno));
            return false;
        }
        const std::string folder = files::FolderOf(m_strPath);
        if (::access(folder.c_str(), W_OK) != 0) {
            SetError(error, "cannot write into the folder " + Quoted(folder) + ": " + std::strerror(errno));
            return false;
        }
        return true;
    }
    if (!S_ISREG(m_status.st_mode)) {
        SetError(error, Quoted(m_strPath) + " is " + files::FileKindName(m_status.st_mode) +
                            ", not a regular file; nothing was written");
        return false;
    }
    // A file without any write bit is read-only for everyone, the administrator too.
    if (::access(m_strPath.c_str(), W_OK) != 0 || (m_status.st_mode & 0222) == 0) {
        SetError(error, Quoted(m_strPath) + " is read-only (no permission to write it); it was not changed");
        return false;
    }
    m_bExists = true;
    return true;
}

bool SaveTarget::Write(std::string_view bytes, unsigned newMode, const files::FileStamp* pExpected, std::string* error)
{
    return WriteWith([bytes](int fd, std::string*) { return files::WriteAll(fd, bytes); }, newMode, pExpected,
                     error);
}

bool SaveTarget::WriteWith(const Producer& produce, unsigned newMode, const files::FileStamp* pExpected,
                           std::string* error)
{
    if (m_bExists && m_status.st_nlink > 1) return WriteInPlace(produce, pExpected, error);

    RemoveStaleTemporaries(m_strPath);
    const std::string tempName = TemporaryName(m_strPath, kTempTag);
    const bool bExists = m_bExists;
    const struct stat status = m_status;
    std::string why; // the producer's own reason, when it gives one
    const auto write = [&](int fd) {
        // The replacement keeps the owner and group of the file it replaces where it may.
        if (bExists && (status.st_uid != ::geteuid() || status.st_gid != ::getegid()))
            (void)!::fchown(fd, status.st_uid, status.st_gid);
        return produce(fd, &why);
    };
    const std::string path = m_strPath;
    const auto unchanged = [&](std::string* reason) {
        // The last moment before the rename: the file must still be the one read.
        const files::FileStamp now = files::GetFileStamp(path);
        if (pExpected ? !SameContent(now, *pExpected) : (bExists && !SameContent(now, StampOf(status)))) {
            SetError(reason, ChangedText(path));
            return false;
        }
        return true;
    };
    if (!files::AtomicReplace(m_strPath, tempName, write, m_bExists ? Mode() : newMode, error, unchanged)) {
        if (!why.empty()) SetError(error, why);
        return false;
    }
    m_written = files::GetFileStamp(m_strPath);
    return true;
}

bool SaveTarget::WriteInPlace(const Producer& produce, const files::FileStamp* pExpected, std::string* error)
{
    files::FileSystem& fs = files::FileSystem::Current();
    const int fd = fs.Open(m_strPath.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        SetError(error, "cannot open " + Quoted(m_strPath) + " for writing: " + std::strerror(errno));
        return false;
    }
    struct FdCloser {
        files::FileSystem& fs;
        int fd;
        ~FdCloser() { fs.Close(fd); }
    } closer{fs, fd};
    const files::FileStamp expected = pExpected ? *pExpected : StampOf(m_status);
    struct stat now {};
    if (::fstat(fd, &now) != 0 || !S_ISREG(now.st_mode) || !SameContent(StampOf(now), expected)) {
        SetError(error, ChangedText(m_strPath));
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    // The new content first, complete and checked, in a temporary file of ours beside
    // it (named as the replacing save names its own, so a killed save's is removed).
    RemoveStaleTemporaries(m_strPath);
    TemporaryFile fresh(fs, m_strPath, kTempTag);
    if (fresh.fd < 0) {
        SetError(error, "cannot create a temporary file beside " + Quoted(m_strPath) + ": " + std::strerror(errno));
        return false;
    }
    std::string why;
    if (!produce(fresh.fd, &why)) {
        SetError(error, !why.empty() ? why : "cannot write " + Quoted(fresh.path) + ": " + std::strerror(errno));
        return false;
    }
    // A copy of the former content beside it until the new one is complete and flushed.
    TemporaryFile backup(fs, m_strPath, kBackupTag);
    if (backup.fd < 0) {
        SetError(error, "cannot create a backup copy beside " + Quoted(m_strPath) + ": " + std::strerror(errno));
        return false;
    }
    if (!CopyOver(fs, fd, backup.fd)) {
        SetError(error, "cannot write a backup copy beside " + Quoted(m_strPath) + ": " + std::strerror(errno));
        return false;
    }
    // The file must still be the one read, now that its content is about to change.
    if (::fstat(fd, &now) != 0 || !SameContent(StampOf(now), expected)) {
        SetError(error, ChangedText(m_strPath));
        return false;
    }
    if (!CopyOver(fs, fresh.fd, fd)) {
        const int err = errno;
        if (CopyOver(fs, backup.fd, fd)) {
            SetError(error, "cannot write " + Quoted(m_strPath) + ": " + std::strerror(err) +
                                "; its former content was put back");
        } else {
            SetError(error, "cannot write " + Quoted(m_strPath) + ": " + std::strerror(err) +
                                "; its former content is kept in " + Quoted(backup.path));
            backup.Keep(); // for the user
        }
        return false;
    }
    if (::fstat(fd, &now) == 0) m_written = StampOf(now);
    return true;
}

void SaveTarget::RemoveStaleTemporaries(const std::string& path)
{
    const std::string folder = files::FolderOf(path);
    const std::string prefix = "." + files::NameOf(path) + kTempTag;
    for (const std::string& name : files::ListFiles(folder, LiteralPattern(prefix) + "*-??????")) {
        // ".<name>.qmsave-<pid>-XXXXXX": only a file whose process has ended is stale.
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == std::string::npos || dash == 0 || rest.find_first_not_of("0123456789") != dash) continue;
        const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        const std::string file = folder + "/" + name;
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(file.c_str());
    }
}

} // namespace quillmark::docprops
