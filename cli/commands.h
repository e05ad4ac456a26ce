#pragma once
// The operations of the quillmark command, each over an open tag database.
// They write results to `out`, messages to `err`, and return the exit status.
#include <ostream>
#include <string>
#include <vector>

#include "store/taggingdatabase.h"

namespace quillmark::cli {

enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

int TagCommand(TaggingDatabase& db, const std::string& fullPath, const std::string& commaSepTags,
               std::ostream& out, std::ostream& err);
int ShowCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& out, std::ostream& err);
int TagsCommand(TaggingDatabase& db, std::ostream& out, std::ostream& err);
int FindCommand(TaggingDatabase& db, const std::string& text, const std::vector<std::string>& types,
                std::ostream& out, std::ostream& err);
int RemoveCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& out, std::ostream& err);
int FingerprintCommand(const std::string& fullPath, std::ostream& out);

} // namespace quillmark::cli
