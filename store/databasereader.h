#pragma once
// Reads the tag database file in one streaming pass into a TagIndex, without
// building a document tree or holding the file's bytes.
#include <string>

#include "platform/files/filesystem.h"
#include "store/tagindex.h"

namespace quillmark::indexfile {
class ContentHash;
}

namespace quillmark {

enum class ReadResult {
    Read,      // the index holds the file
    Malformed, // not a database this program can read (error says why)
    ReadError, // the file could not be read (error says why)
};

// An element with more attributes than this makes the file unreadable: no
// record needs more than a handful, and the parser's work per element grows
// with their square.
inline constexpr int kMaxAttributes = 256;

// Parses the file open at `fd` (named `name` in messages) into `index`, which is
// cleared first. Only the file's own bytes are read: a document type declaration
// makes the file malformed, as does a root other than a plain <documents>.
// `indentedRoot` says that the file was just written by this process from a root
// holding no text, so its root-level white space is the formatter's indenting.
// Reads through `fs`. Every byte read is added to `hash` when one is given.
ReadResult ReadDatabase(files::FileSystem& fs, int fd, const std::string& name, TagIndex& index, std::string& error,
                        bool indentedRoot = false, indexfile::ContentHash* hash = nullptr);

} // namespace quillmark
