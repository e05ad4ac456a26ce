#include "tests/support/faultyfilesystem.h"

namespace quillmark::test {

namespace {
files::FileSystem& Real() { return files::FileSystem::Posix(); }
} // namespace

const char* IoCallName(IoCall call)
{
    switch (call) {
    case IoCall::Open: return "open";
    case IoCall::Read: return "read";
    case IoCall::Write: return "write";
    case IoCall::Sync: return "fsync";
    case IoCall::Rename: return "rename";
    case IoCall::Stat: return "stat";
    case IoCall::MakeDirectory: return "mkdir";
    case IoCall::Unlink: return "unlink";
    case IoCall::Lock: return "flock";
    case IoCall::RealPath: return "realpath";
    case IoCall::List: return "readdir";
    case IoCall::Chmod: return "fchmod";
    case IoCall::Close: return "close";
    case IoCall::Count: break;
    }
    return "?";
}

void FaultyFileSystem::FailNth(IoCall call, int nth, int error)
{
    Reset();
    m_failCall = call;
    m_nFailAt = nth;
    m_nError = error;
}

void FaultyFileSystem::Reset()
{
    m_calls.fill(0);
    m_nFailAt = 0;
    m_bFailed = false;
}

bool FaultyFileSystem::Fails(IoCall call)
{
    const int n = ++m_calls[Index(call)];
    if (call != m_failCall || n != m_nFailAt)
        return false;
    m_bFailed = true;
    errno = m_nError;
    return true;
}

int FaultyFileSystem::Open(const char* path, int flags, mode_t mode)
{
    return Fails(IoCall::Open) ? -1 : Real().Open(path, flags, mode);
}

int FaultyFileSystem::CreateTemp(std::string& pathTemplate)
{
    return Fails(IoCall::Open) ? -1 : Real().CreateTemp(pathTemplate);
}

ssize_t FaultyFileSystem::Read(int fd, void* buffer, size_t size)
{
    return Fails(IoCall::Read) ? -1 : Real().Read(fd, buffer, size);
}

ssize_t FaultyFileSystem::ReadAt(int fd, void* buffer, size_t size, off_t offset)
{
    return Fails(IoCall::Read) ? -1 : Real().ReadAt(fd, buffer, size, offset);
}

ssize_t FaultyFileSystem::CopyFileRange(int from, off_t* offset, int to, size_t size)
{
    return Fails(IoCall::Read) ? -1 : Real().CopyFileRange(from, offset, to, size);
}

ssize_t FaultyFileSystem::Write(int fd, const void* buffer, size_t size)
{
    return Fails(IoCall::Write) ? -1 : Real().Write(fd, buffer, size);
}

ssize_t FaultyFileSystem::WriteAt(int fd, const void* buffer, size_t size, off_t offset)
{
    return Fails(IoCall::Write) ? -1 : Real().WriteAt(fd, buffer, size, offset);
}

int FaultyFileSystem::Sync(int fd) { return Fails(IoCall::Sync) ? -1 : Real().Sync(fd); }

int FaultyFileSystem::Rename(const char* from, const char* to)
{
    return Fails(IoCall::Rename) ? -1 : Real().Rename(from, to);
}

int FaultyFileSystem::RenameNoReplace(const char* from, const char* to)
{
    return Fails(IoCall::Rename) ? -1 : Real().RenameNoReplace(from, to);
}

int FaultyFileSystem::RenameExchange(const char* from, const char* to)
{
    return Fails(IoCall::Rename) ? -1 : Real().RenameExchange(from, to);
}

int FaultyFileSystem::Link(const char* from, const char* to)
{
    return Fails(IoCall::Rename) ? -1 : Real().Link(from, to);
}

// A failed close still closes: the descriptor is gone either way, as on Linux.
int FaultyFileSystem::Close(int fd)
{
    const bool fails = Fails(IoCall::Close);
    const int result = Real().Close(fd);
    if (fails)
        errno = m_nError;
    return fails ? -1 : result;
}

int FaultyFileSystem::Stat(const char* path, struct stat* st)
{
    return Fails(IoCall::Stat) ? -1 : Real().Stat(path, st);
}

int FaultyFileSystem::LinkStat(const char* path, struct stat* st)
{
    return Fails(IoCall::Stat) ? -1 : Real().LinkStat(path, st);
}

int FaultyFileSystem::StatFd(int fd, struct stat* st) { return Fails(IoCall::Stat) ? -1 : Real().StatFd(fd, st); }

int FaultyFileSystem::StatX(const char* path, unsigned mask, struct statx* sx)
{
    return Fails(IoCall::Stat) ? -1 : Real().StatX(path, mask, sx);
}

int FaultyFileSystem::ChangeMode(int fd, mode_t mode)
{
    return Fails(IoCall::Chmod) ? -1 : Real().ChangeMode(fd, mode);
}

int FaultyFileSystem::MakeDirectory(const char* path, mode_t mode)
{
    return Fails(IoCall::MakeDirectory) ? -1 : Real().MakeDirectory(path, mode);
}

int FaultyFileSystem::Unlink(const char* path) { return Fails(IoCall::Unlink) ? -1 : Real().Unlink(path); }

int FaultyFileSystem::Lock(int fd, int operation)
{
    return Fails(IoCall::Lock) ? -1 : Real().Lock(fd, operation);
}

int FaultyFileSystem::RealPath(const char* path, std::string& resolved)
{
    return Fails(IoCall::RealPath) ? -1 : Real().RealPath(path, resolved);
}

ssize_t FaultyFileSystem::ReadLink(const char* path, char* buffer, size_t size)
{
    return Fails(IoCall::RealPath) ? -1 : Real().ReadLink(path, buffer, size);
}

int FaultyFileSystem::ListFolder(const char* folder, std::vector<std::string>& names)
{
    return Fails(IoCall::List) ? -1 : Real().ListFolder(folder, names);
}

} // namespace quillmark::test
