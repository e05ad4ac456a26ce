#pragma once
// The string table: every user-visible text, looked up by number.
#include <string>

namespace quillmark {

// The text of string resource `id`; empty when the table has no such string.
const std::string& LoadResString(int id);

// String resource `id` with its "%s" replaced by `value` (printf style, without
// printf's limits: any length, a "%" in `value` taken literally, "%%" for "%").
std::string FormatResString(int id, const std::string& value);

} // namespace quillmark
