#pragma once
// The operating system's file calls behind one interface, so that tests can put
// a double in their place and fail any one of them (LevelDB's Env has this shape).
// Every call of the file layer goes through a FileSystem: the one handed to it
// (the tag database is handed its own), else Current(). The POSIX implementation
// forwards to the system.
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
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
    // pwrite (counts as a write).
    virtual ssize_t WriteAt(int fd, const void* buffer, size_t size, off_t offset) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Rename(const char* from, const char* to) = 0;
    // renameat2 with RENAME_NOREPLACE (counts as a rename), and link.
    virtual int RenameNoReplace(const char* from, const char* to) = 0;
    // renameat2 with RENAME_EXCHANGE: the two names swap their files (a rename).
    virtual int RenameExchange(const char* from, const char* to) = 0;
    virtual int Link(const char* from, const char* to) = 0;
    virtual int Close(int fd) = 0;
    // Extended attributes of the file `path` names (links followed), as getxattr,
    // setxattr and removexattr. Not every file system has them: ENOTSUP then.
    virtual ssize_t GetAttribute(const char* path, const char* name, void* value, size_t size);
    virtual int SetAttribute(const char* path, const char* name, const void* value, size_t size);
    virtual int RemoveAttribute(const char* path, const char* name);
    // stat (links followed), lstat, fstat, statx.
    virtual int Stat(const char* path, struct stat* st) = 0;
    virtual int LinkStat(const char* path, struct stat* st) = 0;
    virtual int StatFd(int fd, struct stat* st) = 0;
    virtual int StatX(const char* path, unsigned mask, struct statx* sx) = 0;
    virtual int ChangeMode(int fd, mode_t mode) = 0; // fchmod
    virtual int MakeDirectory(const char* path, mode_t mode) = 0;
    virtual int Unlink(const char* path) = 0;
    // flock on an open file.
    virtual int Lock(int fd, int operation) = 0;
    // A mark on the byte `at` of an open file, independent of Lock: an open file
    // description lock (fcntl F_OFD_SETLK) of `type` F_RDLCK, F_WRLCK or F_UNLCK.
    virtual int MarkByte(int fd, off_t at, short type);
    // 1 when another open file description holds a mark on one of the `length`
    // bytes from `at` that conflicts with `type`, 0 when none does, -1 on an
    // error (F_OFD_GETLK).
    virtual int Marked(int fd, off_t at, off_t length, short type);
    // realpath into `resolved`, and readlink.
    virtual int RealPath(const char* path, std::string& resolved) = 0;
    virtual ssize_t ReadLink(const char* path, char* buffer, size_t size) = 0;
    // The names in `folder` but "." and "..", in no order; -1 when it cannot be listed.
    virtual int ListFolder(const char* folder, std::vector<std::string>& names) = 0;

    // The file system the file layer uses when none is handed to it (the POSIX
    // one unless a test put another in place). Not meant to be swapped while
    // other threads use files.
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

// A file system that forwards every call to another one: tests override the
// calls they watch or fail.
class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& target) : m_target(target) {}
    int Open(const char* path, int flags, mode_t mode) override { return m_target.Open(path, flags, mode); }
    int CreateTemp(std::string& pathTemplate) override { return m_target.CreateTemp(pathTemplate); }
    ssize_t Read(int fd, void* buffer, size_t size) override { return m_target.Read(fd, buffer, size); }
    ssize_t ReadAt(int fd, void* buffer, size_t size, off_t offset) override
    {
        return m_target.ReadAt(fd, buffer, size, offset);
    }
    ssize_t CopyFileRange(int from, off_t* offset, int to, size_t size) override
    {
        return m_target.CopyFileRange(from, offset, to, size);
    }
    ssize_t Write(int fd, const void* buffer, size_t size) override { return m_target.Write(fd, buffer, size); }
    ssize_t WriteAt(int fd, const void* buffer, size_t size, off_t offset) override
    {
        return m_target.WriteAt(fd, buffer, size, offset);
    }
    int Sync(int fd) override { return m_target.Sync(fd); }
    int Rename(const char* from, const char* to) override { return m_target.Rename(from, to); }
    int RenameNoReplace(const char* from, const char* to) override { return m_target.RenameNoReplace(from, to); }
    int RenameExchange(const char* from, const char* to) override { return m_target.RenameExchange(from, to); }
    int Link(const char* from, const char* to) override { return m_target.Link(from, to); }
    int Close(int fd) override { return m_target.Close(fd); }
    int Stat(const char* path, struct stat* st) override { return m_target.Stat(path, st); }
    int LinkStat(const char* path, struct stat* st) override { return m_target.LinkStat(path, st); }
    int StatFd(int fd, struct stat* st) override { return m_target.StatFd(fd, st); }
    int StatX(const char* path, unsigned mask, struct statx* sx) override { return m_target.StatX(path, mask, sx); }
    int ChangeMode(int fd, mode_t mode) override { return m_target.ChangeMode(fd, mode); }
    int MakeDirectory(const char* path, mode_t mode) override { return m_target.MakeDirectory(path, mode); }
    int Unlink(const char* path) override { return m_target.Unlink(path); }
    int Lock(int fd, int operation) override { return m_target.Lock(fd, operation); }
    int MarkByte(int fd, off_t at, short type) override { return m_target.MarkByte(fd, at, type); }
    int Marked(int fd, off_t at, off_t length, short type) override
    {
        return m_target.Marked(fd, at, length, type);
    }
    int RealPath(const char* path, std::string& resolved) override { return m_target.RealPath(path, resolved); }
    ssize_t ReadLink(const char* path, char* buffer, size_t size) override
    {
        return m_target.ReadLink(path, buffer, size);
    }
    int ListFolder(const char* folder, std::vector<std::string>& names) override
    {
        return m_target.ListFolder(folder, names);
    }

private:
    FileSystem& m_target;
};

} // namespace quillmark::files
