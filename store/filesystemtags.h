#pragma once
// The file system's own tags: the extended attribute user.xdg.tags, a
// comma-separated list that Linux file managers show and search. Quillmark
// writes a file's tags there when it stores them and reads them as one more
// source of a file's tags. File systems without user attributes are skipped
// silently: a tag change never fails because of them.
#include <string>

#include "store/tagtext.h"

namespace quillmark::files {
class FileSystem;
}

namespace quillmark::fstags {

inline constexpr const char* kAttribute = "user.xdg.tags";

// Sets the attribute of `path` to `tags`, each once, in order, joined by ","
// (removes it for no tags). True when written; false, quietly, when the file
// is missing, not writable or its file system keeps no user attributes.
// Through `fs`, or FileSystem::Current() in the form without it.
bool Write(const std::string& path, const TagList& tags);
bool Write(files::FileSystem& fs, const std::string& path, const TagList& tags);

// The tags in the attribute of `path` (split on ",", trimmed, empty ones
// dropped); none when it is absent, unreadable, oversized or not text.
TagList Read(const std::string& path);

} // namespace quillmark::fstags
