#pragma once
// Small UTF-8 helpers for the tag store: strict decoding that never fails on bad
// bytes, Unicode white space, and the characters an XML 1.0 document may hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmark::utf8 {

struct Unit {
    std::uint32_t codePoint = 0; // the byte value itself when !valid
    std::size_t length = 1;      // bytes taken, at least 1
    bool valid = true;
};

// Decodes the character starting at `pos` (< text.size()). Overlong forms,
// surrogates, values above U+10FFFF and truncated sequences give an invalid
// unit of one byte.
Unit Decode(std::string_view text, std::size_t pos);

// The Unicode White_Space property.
bool IsWhiteSpace(std::uint32_t codePoint);

// True when `text` is well-formed UTF-8 made only of characters XML 1.0 allows.
bool IsXmlText(std::string_view text);

} // namespace quillmark::utf8
