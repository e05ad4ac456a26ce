#include "platform/registry/regtext.h"

#include <cstdint>

namespace quillmark::registry {

namespace {

// Decodes one code point at `pos`, advancing it; false on malformed UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
bool NextCodePoint(std::string_view text, std::size_t& pos, std::uint32_t& cp)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    std::size_t len;
    std::uint32_t min;
    if (lead < 0x80) {
        cp = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        len = 2, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (pos + len > text.size())
        return false;
    for (std::size_t i = 1; i < len; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    pos += len;
    return true;
}

void AppendUnit(std::string& bytes, std::uint32_t unit)
{
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
}

void AppendUtf8(std::string& text, std::uint32_t cp)
{
    if (cp < 0x80) {
        text += static_cast<char>(cp);
    } else if (cp < 0x800) {
        text += static_cast<char>(0xC0 | (cp >> 6));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text += static_cast<char>(0xE0 | (cp >> 12));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (cp >> 18));
        text += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    std::size_t pos = 0;
    std::uint32_t cp;
    while (pos < text.size())
        if (!NextCodePoint(text, pos, cp))
            return false;
    return true;
}

std::size_t Utf16Length(std::string_view text)
{
    std::size_t pos = 0, units = 0;
    std::uint32_t cp;
    while (pos < text.size()) {
        if (!NextCodePoint(text, pos, cp)) {
            ++pos; // not expected for checked text; count the byte as one unit
            ++units;
            continue;
        }
        units += cp >= 0x10000 ? 2 : 1;
    }
    return units;
}

bool Utf8ToUtf16Le(std::string_view text, std::string& bytes)
{
    bytes.clear();
    std::size_t pos = 0;
    std::uint32_t cp;
    while (pos < text.size()) {
        if (!NextCodePoint(text, pos, cp))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUnit(bytes, 0xD800 | (cp >> 10));
            AppendUnit(bytes, 0xDC00 | (cp & 0x3FF));
        } else {
            AppendUnit(bytes, cp);
        }
    }
    return true;
}

bool Utf16LeToUtf8(std::string_view bytes, std::string& text)
{
    text.clear();
    if (bytes.size() % 2 != 0)
        return false;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp == 0)
            break;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 2 >= bytes.size())
                return false;
            std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        AppendUtf8(text, cp);
    }
    return true;
}

} // namespace quillmark::registry
