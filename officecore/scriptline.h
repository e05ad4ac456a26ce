#pragma once
// Splits one line of a host script into words as a POSIX shell would: blanks
// separate words; '...' keeps everything literally; "..." keeps everything but
// lets a backslash escape ", \, $ and `; outside quotes a backslash keeps the next
// character; an unquoted # at the start of a word begins a comment.
#include <string>
#include <vector>

namespace quillmark::officecore {

// False with `error` set for an unterminated quote or a backslash at the end of the line.
bool SplitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error);

} // namespace quillmark::officecore
