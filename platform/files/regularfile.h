#pragma once
// The one decision "a regular file we may read" for every place that opens a
// user's file or the tag database: opened without blocking and examined with
// fstat on the descriptor itself, so that a FIFO, a device or a folder put at the
// path never blocks the caller or is read as a document, and nothing can be
// swapped in between the check and the open.
#include <string>

#include <sys/stat.h>

namespace quillmark::files {

enum class Links { Follow, Refuse };

// Opens `path` read-only (close-on-exec) through the file system interface with
// O_NONBLOCK, and with O_NOFOLLOW for Links::Refuse; the descriptor is returned
// in blocking mode once fstat shows a regular file, its status in `pStat`. The
// caller closes it (FileSystem::Close). -1 with `error` set otherwise: what the
// path is instead ("is a FIFO, not a regular file"), or why it could not be opened
// ("cannot open "<path>": Permission denied").
int OpenRegularFile(const std::string& path, std::string* error, struct stat* pStat = nullptr,
                    Links links = Links::Follow);

// What kind of file `mode` describes, for messages: "a folder", "a FIFO", ...
const char* FileKindName(mode_t mode);

} // namespace quillmark::files
