#include "platform/files/filesystem.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/xattr.h>
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
    int Sync(int fd) override { return ::fsync(fd); }
    int Rename(const char* from, const char* to) override { return ::rename(from, to); }
    int RenameNoReplace(const char* from, const char* to) override
    {
        return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    }
    int Close(int fd) override { return ::close(fd); }
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
