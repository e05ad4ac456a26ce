#pragma once
// A file system that keeps no user attributes (as a tmpfs mounted without
// them, or FAT): every other call goes to the real one. It counts the
// attribute calls it refused, so a test can tell that they were made.
#include "platform/files/filesystem.h"

#include <cerrno>

namespace quillmark::test {

class NoAttributeFileSystem final : public files::ForwardingFileSystem {
public:
    NoAttributeFileSystem() : files::ForwardingFileSystem(files::FileSystem::Posix()) {}
    ssize_t GetAttribute(const char*, const char*, void*, size_t) override { return Refuse(); }
    int SetAttribute(const char*, const char*, const void*, size_t) override { return static_cast<int>(Refuse()); }
    int RemoveAttribute(const char*, const char*) override { return static_cast<int>(Refuse()); }

    int refused = 0;

private:
    ssize_t Refuse()
    {
        ++refused;
        errno = ENOTSUP;
        return -1;
    }
};

} // namespace quillmark::test
