#include "platform/files/filesystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/xattr.h>
#include <dirent.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillmark::files {

namespace {

class PosixFileSystem final : public FileSystem {
public:
    int Open(const char* path, int flags, mode_t mode) override { return ::open(path, flags, mode); }
    int CreateTemp(std::string& pathTemplate) override { return ::mkostemp(pathTemplate.data(), O_CLOEXEC); }
    ssize_t Read(int fd, void* buffer, size_t size) override { return ::read(fd, buffer, size); }
    ssize_t ReadAt(int fd, void* buffer, size_t size, off_t offset) override
    {
        return ::pread(fd, buffer, size, offset);
    }
    ssize_t CopyFileRange(int from, off_t* offset, int to, size_t size) override
    {
        return ::copy_file_range(from, offset, to, nullptr, size, 0);
    }
    ssize_t Write(int fd, const void* buffer, size_t size) override { return ::write(fd, buffer, size); }
    ssize_t WriteAt(int fd, const void* buffer, size_t size, off_t offset) override
    {
        return ::pwrite(fd, buffer, size, offset);
    }
    int Sync(int fd) override { return ::fsync(fd); }
    int Rename(const char* from, const char* to) override { return ::rename(from, to); }
    int RenameNoReplace(const char* from, const char* to) override
    {
        return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    }
    int RenameExchange(const char* from, const char* to) override
    {
        return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
    }
    int Link(const char* from, const char* to) override { return ::link(from, to); }
    int Close(int fd) override { return ::close(fd); }
    int Stat(const char* path, struct stat* st) override { return ::stat(path, st); }
    int LinkStat(const char* path, struct stat* st) override { return ::lstat(path, st); }
    int StatFd(int fd, struct stat* st) override { return ::fstat(fd, st); }
    int StatX(const char* path, unsigned mask, struct statx* sx) override
    {
        return ::statx(AT_FDCWD, path, 0, mask, sx);
    }
    int ChangeMode(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
    int MakeDirectory(const char* path, mode_t mode) override { return ::mkdir(path, mode); }
    int Unlink(const char* path) override { return ::unlink(path); }
    int Lock(int fd, int operation) override { return ::flock(fd, operation); }
    int RealPath(const char* path, std::string& resolved) override
    {
        char* real = ::realpath(path, nullptr);
        if (!real)
            return -1;
        resolved = real;
        std::free(real);
        return 0;
    }
    ssize_t ReadLink(const char* path, char* buffer, size_t size) override { return ::readlink(path, buffer, size); }
    int ListFolder(const char* folder, std::vector<std::string>& names) override
    {
        DIR* dir = ::opendir(folder);
        if (!dir)
            return -1;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        const int err = errno;
        ::closedir(dir);
        errno = err;
        return err == 0 ? 0 : -1;
    }
};

FileSystem*& CurrentPointer()
{
    static FileSystem* pCurrent = &FileSystem::Posix();
    return pCurrent;
}

} // namespace

FileSystem& FileSystem::Posix()
{
    static PosixFileSystem posix;
    return posix;
}

int FileSystem::MarkByte(int fd, off_t at, short type)
{
    struct flock mark {};
    mark.l_type = type;
    mark.l_whence = SEEK_SET;
    mark.l_start = at;
    mark.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &mark);
}

int FileSystem::Marked(int fd, off_t at, off_t length, short type)
{
    struct flock mark {};
    mark.l_type = type;
    mark.l_whence = SEEK_SET;
    mark.l_start = at;
    mark.l_len = length;
    if (::fcntl(fd, F_OFD_GETLK, &mark) != 0)
        return -1;
    return mark.l_type == F_UNLCK ? 0 : 1;
}

ssize_t FileSystem::GetAttribute(const char* path, const char* name, void* value, size_t size)
{
    return ::getxattr(path, name, value, size);
}

int FileSystem::SetAttribute(const char* path, const char* name, const void* value, size_t size)
{
    return ::setxattr(path, name, value, size, 0);
}

int FileSystem::RemoveAttribute(const char* path, const char* name)
{
    return ::removexattr(path, name);
}

FileSystem& FileSystem::Current() { return *CurrentPointer(); }

ScopedFileSystem::ScopedFileSystem(FileSystem& fs) : m_pPrevious(CurrentPointer()) { CurrentPointer() = &fs; }

ScopedFileSystem::~ScopedFileSystem() { CurrentPointer() = m_pPrevious; }

} // namespace quillmark::files
