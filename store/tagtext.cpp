// Tag text: comma splitting, joining, trimming and the UTF-16 ordering of tag sets.
#include "store/tagtext.h"

#include "store/utf8.h"

#include <algorithm>

namespace quillmark {

namespace {

// Sort key of one decoded unit: code points order as their UTF-16 code units do
// (U+10000 and above sort between U+D7FF and U+E000, like their surrogates), and
// invalid bytes sort after every character, each by its own value, so the order
// stays total and strict for any byte string.
std::uint32_t Utf16Key(const utf8::Unit& unit)
{
    if (!unit.valid)
        return 0x300000u + unit.codePoint;
    if (unit.codePoint >= 0xE000 && unit.codePoint <= 0xFFFF)
        return unit.codePoint + 0x200000u;
    return unit.codePoint;
}

} // namespace

bool TagLess::operator()(std::string_view a, std::string_view b) const
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // Equal bytes up to the next lead byte decode alike; skip them quickly.
        if (a[i] == b[j] && static_cast<unsigned char>(a[i]) < 0x80) {
            ++i;
            ++j;
            continue;
        }
        const utf8::Unit ua = utf8::Decode(a, i);
        const utf8::Unit ub = utf8::Decode(b, j);
        const std::uint32_t ka = Utf16Key(ua), kb = Utf16Key(ub);
        if (ka != kb)
            return ka < kb;
        i += ua.length;
        j += ub.length;
    }
    return i == a.size() && j < b.size();
}

std::string TrimTag(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        const utf8::Unit u = utf8::Decode(text, begin);
        if (!u.valid || !utf8::IsWhiteSpace(u.codePoint))
            break;
        begin += u.length;
    }
    // The end of the last character that is not white space.
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        const utf8::Unit u = utf8::Decode(text, pos);
        pos += u.length;
        if (!u.valid || !utf8::IsWhiteSpace(u.codePoint))
            end = pos;
    }
    return std::string(text.substr(begin, end - begin));
}

TagList SplitTags(std::string_view commaSepTags)
{
    TagList tags;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = commaSepTags.find(',', start);
        const std::string_view piece = commaSepTags.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        std::string tag = TrimTag(piece);
        if (!tag.empty())
            tags.push_back(std::move(tag));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return tags;
}

std::string JoinTags(const TagList& tags)
{
    std::string text;
    for (const std::string& tag : tags) {
        if (!text.empty())
            text += ", ";
        text += tag;
    }
    return text;
}

} // namespace quillmark
