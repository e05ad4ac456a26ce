#pragma once
// TagUnion: the tag list a document event records. It starts as a copy of a list
// (duplicates in it kept) and appends a tag only when it does not hold it yet,
// comparing exactly (case-sensitive, code unit for code unit).
#include <set>
#include <string>

#include "store/tagtext.h"

namespace quillmark {

class TaggingDatabase;

// The file-name tag of a path: its file name without the extension (after the
// last "\" or "/", before the last "."); empty for a path without an extension.
std::string FileNameTag(const std::string& path);

class TagUnion {
public:
    explicit TagUnion(TagList tags);

    // Appends `tag` unless it is held already or empty (a file name without an
    // extension gives an empty file-name tag, and tags are never empty).
    // True when it was appended.
    bool Add(const std::string& tag);

    const TagList& Tags() const { return m_tags; }

    // What an opened document adds to its record: the stored tags in their order,
    // then the document's own ("Keywords") tags the record lacks, then the
    // file-name tag. `bChanged` tells whether anything was added.
    static TagUnion ForOpenedDocument(TagList storedTags, const TagList& embeddedTags,
                                      const std::string& fileNameTag, bool& bChanged);
    // What a relocated file's record holds: its own stored tags, then the tags of
    // the record it replaces that it lacks, then its file-name tag.
    // Stores what an opened document adds to its record, computed under the
    // database lock from the record as it stands then, so that a change another
    // program made since the record was read is kept. False when not saved.
    static bool StoreForOpenedDocument(TaggingDatabase& database, const std::string& path,
                                       const TagList& embeddedTags, const std::string& fileNameTag);
    static TagUnion ForRelocatedDocument(TagList locatedTags, const TagList& oldTags,
                                         const std::string& fileNameTag);
    // What a saved document's record holds: its own tags plus the file-name tag.
    static TagUnion ForSavedDocument(TagList embeddedTags, const std::string& fileNameTag);

private:
    TagList m_tags;
    std::set<std::string> m_setHeld;
};

} // namespace quillmark
