#pragma once
// Tag text: splitting a comma-separated line into tags, joining tags again,
// and the ordering of tag sets by UTF-16 code units.
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark {

using TagList = std::vector<std::string>; // typing order, duplicates kept

// Orders UTF-8 strings as their UTF-16 code units compare.
struct TagLess {
    bool operator()(std::string_view a, std::string_view b) const;
    using is_transparent = void;
};
using TagSet = std::set<std::string, TagLess>;

TagList SplitTags(std::string_view commaSepTags);
std::string JoinTags(const TagList& tags);
// Removes leading and trailing Unicode white space.
std::string TrimTag(std::string_view text);

} // namespace quillmark
