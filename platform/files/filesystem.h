#pragma once
// The operating system's file calls behind one interface, so that tests can put
// a double in their place and fail any one of them (LevelDB's Env has this shape).
// Every call of the file layer that opens, reads, writes, flushes or renames a
// file goes through Current(); the POSIX implementation forwards to the system.
#include <string>
#include <sys/types.h>

namespace quillmark::files {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // As the POSIX calls of the same names: -1 with errno set on failure.
    virtual int Open(const char* path, int flags, mode_t mode) = 0;
    // mkstemp: `pathTemplate` ends in "XXXXXX", replaced by the name made.
    virtual int CreateTemp(std::string& pathTemplate) = 0;
    virtual ssize_t Read(int fd, void* buffer, size_t size) = 0;
    // pread and copy_file_range (both count as reads).
    virtual ssize_t ReadAt(int fd, void* buffer, size_t size, off_t offset) = 0;
    virtual ssize_t CopyFileRange(int from, off_t* offset, int to, size_t size) = 0;
    virtual ssize_t Write(int fd, const void* buffer, size_t size) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Rename(const char* from, const char* to) = 0;
    // renameat2 with RENAME_NOREPLACE (counts as a rename).
    virtual int RenameNoReplace(const char* from, const char* to) = 0;
    virtual int Close(int fd) = 0;
    // Extended attributes of the file `path` names (links followed), as getxattr,
    // setxattr and removexattr. Not every file system has them: ENOTSUP then.
    virtual ssize_t GetAttribute(const char* path, const char* name, void* value, size_t size);
    virtual int SetAttribute(const char* path, const char* name, const void* value, size_t size);
    virtual int RemoveAttribute(const char* path, const char* name);

    // The file system the file layer uses now (the POSIX one unless a test put
    // another in place). Not meant to be swapped while other threads use files.
    static FileSystem& Current();
    static FileSystem& Posix();
};

// Puts `fs` in place for the object's lifetime.
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(FileSystem& fs);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

private:
    FileSystem* m_pPrevious;
};

} // namespace quillmark::files
