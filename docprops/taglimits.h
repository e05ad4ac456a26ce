#pragma once
// Limits on tags that come from files, and on the tag buttons a tool bar shows.
// A file (its Keywords, its file-system tags) is written by anyone; what it adds to
// a record is bounded here, where its text enters. Tags a user typed in the Tag
// dialog or on the command line are never cut by these limits.
#include <cstddef>
#include <string>

#include "store/tagtext.h"

namespace quillmark {

// The longest tag a file may add to a record, in characters (code points).
constexpr std::size_t kMaxTagCharacters = 256;
// The most distinct tags one file may give its record.
constexpr std::size_t kMaxTagsFromFile = 1000;
// The most tag buttons a tool bar shows, the first ones in the record's order;
// every tag stays reachable through Browse.
constexpr std::size_t kMaxTagButtons = 200;

// `tag` cut after kMaxTagCharacters characters (never inside a UTF-8 sequence),
// without the white space the cut may leave at its end.
std::string CutTag(const std::string& tag);

// What a file's tags may add to a record that holds `heldTags`.
struct LimitedTags {
    TagList tags;        // in the file's order, each once
    TagList untaken;     // the file's tags as written that were cut or left out, each once
    std::size_t nCut = 0;      // tags cut to kMaxTagCharacters
    std::size_t nLeftOut = 0;  // tags beyond kMaxTagsFromFile
    bool Limited() const { return nCut + nLeftOut > 0; }
};

// A tag the record holds passes whole. Any other tag is cut to kMaxTagCharacters,
// and taken only while fewer than kMaxTagsFromFile distinct tags have been taken.
LimitedTags LimitFileTags(const TagList& fileTags, const TagList& heldTags);

} // namespace quillmark
