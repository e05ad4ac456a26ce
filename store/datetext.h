#pragma once
// Dates of the tag database: written as local time with the format of string 116
// ("%Y-%m-%d %H:%M:%S"), read back by fixed character positions.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

// Seconds since 1970-01-01 00:00 UTC of a stored date; 0 (not set) for anything
// out of bounds, unreadable, or before 1970.
std::int64_t ParseDate(std::string_view text);

// The stored form of `time` in local time; empty when the time has no local
// calendar form.
std::string FormatDate(std::int64_t time);

} // namespace quillmark
