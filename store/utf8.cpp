#include "store/utf8.h"

namespace quillmark::utf8 {

Unit Decode(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    Unit bad{lead, 1, false};
    if (lead < 0x80)
        return Unit{lead, 1, true};
    std::size_t length;
    std::uint32_t cp;
    std::uint32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return bad;
    }
    if (text.size() - pos < length)
        return bad;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char c = byte(pos + i);
        if ((c & 0xC0) != 0x80)
            return bad;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return bad;
    return Unit{cp, length, true};
}

bool IsWhiteSpace(std::uint32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool IsXmlText(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const Unit u = Decode(text, pos);
        if (!u.valid)
            return false;
        const std::uint32_t c = u.codePoint;
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
        if (!allowed)
            return false;
        pos += u.length;
    }
    return true;
}

} // namespace quillmark::utf8
