#pragma once
// A file system for tests that counts the calls of each kind and fails the n-th
// one of a kind with an error of the test's choosing; every other call goes to
// the real file system. Being no permission trick, it works as root as well.
#include "platform/files/filesystem.h"

#include <array>
#include <cerrno>
#include <string>

namespace quillmark::test {

// Kinds of calls: Stat covers stat, lstat, fstat and statx; Rename covers
// link; RealPath covers readlink.
enum class IoCall { Open, Read, Write, Sync, Rename, Stat, MakeDirectory, Unlink, Lock, RealPath, List, Chmod, Close, Count };
const char* IoCallName(IoCall call);

class FaultyFileSystem final : public files::ForwardingFileSystem {
public:
    FaultyFileSystem() : ForwardingFileSystem(files::FileSystem::Posix()) {}
    // Fails the `nth` (1-based) call of `call` from now on with `error`; 0 fails none.
    void FailNth(IoCall call, int nth, int error = EIO);
    // Calls of `call` since construction or the last Reset.
    int Calls(IoCall call) const { return m_calls[Index(call)]; }
    // True once the chosen call has been failed.
    bool Failed() const { return m_bFailed; }
    void Reset();

    int Open(const char* path, int flags, mode_t mode) override;
    int CreateTemp(std::string& pathTemplate) override;
    ssize_t Read(int fd, void* buffer, size_t size) override;
    ssize_t ReadAt(int fd, void* buffer, size_t size, off_t offset) override;
    ssize_t CopyFileRange(int from, off_t* offset, int to, size_t size) override;
    ssize_t Write(int fd, const void* buffer, size_t size) override;
    ssize_t WriteAt(int fd, const void* buffer, size_t size, off_t offset) override;
    int Sync(int fd) override;
    int Rename(const char* from, const char* to) override;
    int RenameNoReplace(const char* from, const char* to) override;
    int RenameExchange(const char* from, const char* to) override;
    int Link(const char* from, const char* to) override;
    int Close(int fd) override;
    int Stat(const char* path, struct stat* st) override;
    int LinkStat(const char* path, struct stat* st) override;
    int StatFd(int fd, struct stat* st) override;
    int StatX(const char* path, unsigned mask, struct statx* sx) override;
    int ChangeMode(int fd, mode_t mode) override;
    int MakeDirectory(const char* path, mode_t mode) override;
    int Unlink(const char* path) override;
    int Lock(int fd, int operation) override;
    int RealPath(const char* path, std::string& resolved) override;
    ssize_t ReadLink(const char* path, char* buffer, size_t size) override;
    int ListFolder(const char* folder, std::vector<std::string>& names) override;

private:
    static std::size_t Index(IoCall call) { return static_cast<std::size_t>(call); }
    // Counts the call; true (with errno set) when it is the one to fail.
    bool Fails(IoCall call);

    std::array<int, static_cast<std::size_t>(IoCall::Count)> m_calls{};
    IoCall m_failCall = IoCall::Open;
    int m_nFailAt = 0;
    int m_nError = EIO;
    bool m_bFailed = false;
};

} // namespace quillmark::test
