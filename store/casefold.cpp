#include "store/casefold.h"

#include "store/utf8.h"

#include <cstdlib>

#include <unicase.h>
#include <unistr.h>

namespace quillmark {

namespace {

// The simple folding of one character. libunistring folds strings fully; for a
// character whose full folding is one character that is its simple folding too
// (status C). One that folds fully to several (status F) folds simply to its
// lower case where it has an S mapping (ẞ to ß, ᾈ to ᾀ), which for these
// characters is also where it has none, except İ (U+0130), which stays.
ucs4_t SimpleFold(ucs4_t c)
{
    std::uint32_t buffer[4];
    std::size_t length = sizeof buffer / sizeof buffer[0];
    std::uint32_t* folded = u32_casefold(&c, 1, nullptr, nullptr, buffer, &length);
    if (!folded)
        return c;
    const ucs4_t result = length == 1 ? folded[0] : c == 0x130 ? c : uc_tolower(c);
    if (folded != buffer)
        free(folded);
    return result;
}

} // namespace

void AppendFolded(std::string& out, std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) { // ASCII, the usual case, without decoding
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
            ++pos;
            continue;
        }
        const utf8::Unit unit = utf8::Decode(text, pos);
        if (!unit.valid) {
            out += text[pos];
            ++pos;
            continue;
        }
        const ucs4_t folded = SimpleFold(unit.codePoint);
        std::uint8_t buffer[6];
        const int length = u8_uctomb(buffer, folded, sizeof buffer);
        if (length > 0)
            out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
        else
            out.append(text.substr(pos, unit.length));
        pos += unit.length;
    }
}

std::string FoldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendFolded(out, text);
    return out;
}

} // namespace quillmark
