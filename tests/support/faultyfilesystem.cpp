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

int FaultyFileSystem::Sync(int fd) { return Fails(IoCall::Sync) ? -1 : Real().Sync(fd); }

int FaultyFileSystem::Rename(const char* from, const char* to)
{
    return Fails(IoCall::Rename) ? -1 : Real().Rename(from, to);
}

int FaultyFileSystem::RenameNoReplace(const char* from, const char* to)
{
    return Fails(IoCall::Rename) ? -1 : Real().RenameNoReplace(from, to);
}

int FaultyFileSystem::Close(int fd) { return Real().Close(fd); }

} // namespace quillmark::test
