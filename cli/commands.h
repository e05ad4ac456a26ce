#pragma once
// The operations of the quillmark command, each over an open tag database.
// They write results to `out`, messages to `err`, and return the exit status.
// Every change is made under the database lock and written in one save.
#include <ostream>
#include <string>
#include <vector>

#include "store/taggingdatabase.h"

namespace quillmark::cli {

enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };
// How long a command waits for the database while another program changes it.
constexpr int kCommandLockWaitMs = 30000;

int TagCommand(TaggingDatabase& db, const std::string& fullPath, const std::string& commaSepTags,
               std::ostream& out, std::ostream& err);
// The stored tags of a file, one a line; a path without a record is an error.
int ShowCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& out, std::ostream& err);
// Every distinct tag, one a line; with `bCount`, each followed by a tab and the
// number of records that hold it.
int TagsCommand(TaggingDatabase& db, std::ostream& out, std::ostream& err, bool bCount = false);
// Records whose tags contain every one of `texts` (and whose file name contains
// `nameText`, when given): PATH<TAB>TAGS a line.
int FindCommand(TaggingDatabase& db, const std::vector<std::string>& texts, const std::string& nameText,
                const std::vector<std::string>& types, std::ostream& out, std::ostream& err);
int FindCommand(TaggingDatabase& db, const std::string& text, const std::vector<std::string>& types,
                std::ostream& out, std::ostream& err);
// Removes a file's record; a path without a record is an error.
int RemoveCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& out, std::ostream& err);
int FingerprintCommand(const std::string& fullPath, std::ostream& out);

// Adds `tags` (each argument split on commas as tag text is) to the record of
// every one of `fullPaths`: tags the record lacks go after its own, in order;
// a file without a record gets one. Records keep their place in the file.
int AddCommand(TaggingDatabase& db, const std::vector<std::string>& fullPaths, const std::vector<std::string>& tags,
               std::ostream& out, std::ostream& err);
// Removes every tag equal (exactly) to one of `tags` from each file's record.
// A path without a record is reported and the command fails; the others change.
int UntagCommand(TaggingDatabase& db, const std::vector<std::string>& fullPaths,
                 const std::vector<std::string>& tags, std::ostream& out, std::ostream& err);
// Renames the tag `oldTag` to `newTag` in every record. A record that holds
// both keeps one, where the first of them stood. Prints how many records changed.
int RenameTagCommand(TaggingDatabase& db, const std::string& oldTag, const std::string& newTag, std::ostream& out,
                     std::ostream& err);

} // namespace quillmark::cli
