#pragma once
// A file system that keeps no user attributes (as a tmpfs mounted without
// them, or FAT): every other call goes to the real one. It counts the
// attribute calls it refused, so a test can tell that they were made.
#include "platform/files/filesystem.h"

#include <cerrno>

namespace quillmark::test {

class NoAttributeFileSystem final : public files::FileSystem {
public:
    int Open(const char* path, int flags, mode_t mode) override { return Real().Open(path, flags, mode); }
    int CreateTemp(std::string& pathTemplate) override { return Real().CreateTemp(pathTemplate); }
    ssize_t Read(int fd, void* buffer, size_t size) override { return Real().Read(fd, buffer, size); }
    ssize_t ReadAt(int fd, void* buffer, size_t size, off_t offset) override
    {
        return Real().ReadAt(fd, buffer, size, offset);
    }
    ssize_t CopyFileRange(int from, off_t* offset, int to, size_t size) override
    {
        return Real().CopyFileRange(from, offset, to, size);
    }
    ssize_t Write(int fd, const void* buffer, size_t size) override { return Real().Write(fd, buffer, size); }
    int Sync(int fd) override { return Real().Sync(fd); }
    int Rename(const char* from, const char* to) override { return Real().Rename(from, to); }
    int RenameNoReplace(const char* from, const char* to) override { return Real().RenameNoReplace(from, to); }
    int Close(int fd) override { return Real().Close(fd); }
    ssize_t GetAttribute(const char*, const char*, void*, size_t) override { return Refuse(); }
    int SetAttribute(const char*, const char*, const void*, size_t) override { return static_cast<int>(Refuse()); }
    int RemoveAttribute(const char*, const char*) override { return static_cast<int>(Refuse()); }

    int refused = 0;

private:
    static files::FileSystem& Real() { return files::FileSystem::Posix(); }
    ssize_t Refuse()
    {
        ++refused;
        errno = ENOTSUP;
        return -1;
    }
};

} // namespace quillmark::test
