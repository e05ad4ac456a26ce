#include "platform/files/regularfile.h"

#include "platform/files/filesystem.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace quillmark::files {

const char* FileKindName(mode_t mode)
{
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISREG(mode)) return "a regular file";
    return "a special file";
}

int OpenRegularFile(const std::string& path, std::string* error, struct stat* pStat, Links links)
{
    FileSystem& fs = FileSystem::Current();
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (links == Links::Refuse ? O_NOFOLLOW : 0);
    const int fd = fs.Open(path.c_str(), flags, 0);
    if (fd < 0) {
        const int err = errno;
        // "Permission denied" names a missing permission as such.
        if (error)
            *error = err == ELOOP && links == Links::Refuse
                         ? "\"" + path + "\" is a symbolic link, not a regular file"
                         : "cannot open \"" + path + "\": " + std::strerror(err);
        errno = err;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        const bool bStat = S_ISREG(st.st_mode) || st.st_mode == 0;
        if (error)
            *error = bStat ? "cannot examine \"" + path + "\": " + std::strerror(err)
                           : "\"" + path + "\" is " + FileKindName(st.st_mode) + ", not a regular file";
        fs.Close(fd);
        errno = bStat ? err : EINVAL;
        return -1;
    }
    // Reads of a regular file never wait anyway; the flag only kept the open from blocking.
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    if (pStat) *pStat = st;
    return fd;
}

} // namespace quillmark::files
