#pragma once
// SaveTarget: the file a document save writes, examined before anything is
// written, and then written the way that keeps what the user has:
// - a symbolic link is followed to the file it names, which is written; the link stays;
// - a file that is not a regular file, or that is read-only (no write permission
//   for the user, or no write bit at all, as a read-only attribute), is refused;
// - a file with several hard links is rewritten in place, so that every name
//   keeps seeing the document (the new content made first in a temporary file,
//   a backup copy of the old one beside it until the write is done);
// - any other file is replaced atomically through a sibling temporary file named
//   ".<name>.qmsave-<pid>-XXXXXX"; such files left by a save that was killed
//   (their process gone) are removed at the next save of that document.
// Before the content changes, the file must still be the one given as expected
// (device, inode, size, modification time), so that a file replaced or edited by
// another program since it was read is never written over blindly.
#include <functional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "platform/files/files.h"

namespace quillmark::docprops {

class SaveTarget {
public:
    // Examines `path` (links followed). False, with `error` set, when it cannot be
    // written: not a regular file, read-only, its folder missing.
    bool Prepare(const std::string& path, std::string* error);

    const std::string& Path() const { return m_strPath; }
    bool Exists() const { return m_bExists; }
    // The permissions the file has (for a new file: 0).
    unsigned Mode() const { return m_bExists ? static_cast<unsigned>(m_status.st_mode & 07777) : 0; }
    files::FileStamp Stamp() const;

    // Writes `bytes` as the file's content (`newMode` for a file made new).
    // `pExpected`: the file must still be that one, checked at the last moment.
    // On failure the file is as it was and `error` says why.
    bool Write(std::string_view bytes, unsigned newMode, const files::FileStamp* pExpected, std::string* error);
    // The same with the content written by `produce` into an empty file of its own
    // (`fd`, at offset 0), so that no copy of the whole content need be held in
    // memory. `produce` may check what it wrote (the descriptor can be read back);
    // false from it, with its error set, leaves the file as it was.
    using Producer = std::function<bool(int fd, std::string* error)>;
    bool WriteWith(const Producer& produce, unsigned newMode, const files::FileStamp* pExpected, std::string* error);
    // The file as written by the last successful Write.
    const files::FileStamp& Written() const { return m_written; }

    // Temporary files of ours beside `path` whose process is gone: removed.
    static void RemoveStaleTemporaries(const std::string& path);

private:
    bool WriteInPlace(const Producer& produce, const files::FileStamp* pExpected, std::string* error);

    std::string m_strPath;
    bool m_bExists = false;
    struct stat m_status {};
    files::FileStamp m_written;
};

using files::StampOf;
// Device, inode, size and modification time agree (the change time does not count:
// it moves with a permission or link change that leaves the content alone).
bool SameContent(const files::FileStamp& a, const files::FileStamp& b);

} // namespace quillmark::docprops
