#pragma once
// The string table: every user-visible text, looked up by number.
#include <string>

namespace quillmark {

// The text of string resource `id`; empty when the table has no such string.
const std::string& LoadResString(int id);

} // namespace quillmark
