#pragma once
// The in-memory document record that the tag database hands out and takes.
#include <cstdint>
#include <string>
#include <vector>

#include "store/tagtext.h"

namespace quillmark {

using Time = std::int64_t; // seconds since 1970-01-01 00:00 UTC; 0 = not set

struct FileItem {
    std::string path;
    std::string name;
    std::string md5;
    Time writeDate = 0;
    Time previewDate = 0;
    Time accessDate = 0;
    Time createDate = 0;
    TagList tags;
};

using TypeList = std::vector<std::string>;
using ResultList = std::vector<FileItem>;

} // namespace quillmark
