#pragma once
// TagUnion: the tag list a document event records. It starts as a copy of a list
// (duplicates in it kept) and appends a tag only when it does not hold it yet,
// comparing exactly (case-sensitive, code unit for code unit).
#include <set>
#include <string>

#include "store/tagtext.h"

namespace quillmark {

class TagUnion {
public:
    explicit TagUnion(TagList tags);

    // Appends `tag` unless it is held already or empty (a file name without an
    // extension gives an empty file-name tag, and tags are never empty).
    // True when it was appended.
    bool Add(const std::string& tag);

    const TagList& Tags() const { return m_tags; }

private:
    TagList m_tags;
    std::set<std::string> m_setHeld;
};

} // namespace quillmark
