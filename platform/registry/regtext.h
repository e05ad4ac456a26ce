#pragma once
// Text conversions the registry file needs: UTF-8 checks and UTF-16LE bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillmark::registry {

bool IsValidUtf8(std::string_view text);

// Number of UTF-16 code units `text` (valid UTF-8) takes.
std::size_t Utf16Length(std::string_view text);

// UTF-8 text as UTF-16LE bytes, without terminator. False when `text` is not valid UTF-8.
bool Utf8ToUtf16Le(std::string_view text, std::string& bytes);

// UTF-16LE bytes as UTF-8 text, ending at the first NUL code unit. False on an odd byte
// count or an unpaired surrogate.
bool Utf16LeToUtf8(std::string_view bytes, std::string& text);

} // namespace quillmark::registry
