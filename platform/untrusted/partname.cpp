#include "platform/untrusted/partname.h"

#include <vector>

namespace quillmark::untrusted {

namespace {

bool Fail(std::string* error, std::string_view target, const char* why)
{
    if (error) *error = "the relationship target \"" + std::string(target.substr(0, 200)) + "\" " + why;
    return false;
}

std::optional<std::string> Refuse(std::string* error, std::string_view target, const char* why)
{
    Fail(error, target, why);
    return std::nullopt;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One segment with its escapes decoded; false when it holds what a part name may not.
bool DecodeSegment(std::string_view raw, std::string& out, std::string* error, std::string_view target)
{
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '%') {
            const int hi = i + 2 < raw.size() ? HexValue(raw[i + 1]) : -1;
            const int lo = hi >= 0 ? HexValue(raw[i + 2]) : -1;
            if (lo < 0) return Fail(error, target, "holds a broken escape");
            c = static_cast<char>(hi * 16 + lo);
            if (c == '/' || c == '\\') return Fail(error, target, "hides a folder separator in an escape");
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return Fail(error, target, "holds a control character");
        out += c;
    }
    return true;
}

} // namespace

std::optional<std::string> ResolvePartName(std::string_view sourcePart, std::string_view target, std::string* error)
{
    // A query or fragment is no part of a part name.
    std::string_view ref = target.substr(0, target.find_first_of("?#"));
    if (ref.empty()) return Refuse(error, target, "names no part");
    if (ref.find('\\') != std::string_view::npos)
        return Refuse(error, target, "holds a \"\\\", which no part name has");
    const std::size_t colon = ref.find(':');
    if ((colon != std::string_view::npos && colon < ref.find('/')) || ref.starts_with("//"))
        return Refuse(error, target, "points outside the package");

    // The segments to resolve: the source part's folder, then the reference.
    std::vector<std::string_view> raw;
    auto split = [&raw](std::string_view text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('/', start);
            if (end == std::string_view::npos) end = text.size();
            raw.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    };
    if (ref.front() != '/') {
        const std::size_t slash = sourcePart.rfind('/');
        if (slash != std::string_view::npos) split(sourcePart.substr(0, slash));
    } else {
        ref.remove_prefix(1);
    }
    split(ref);

    std::vector<std::string> parts;
    std::string segment;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (!DecodeSegment(raw[i], segment, error, target)) return std::nullopt;
        const bool bLast = i + 1 == raw.size();
        if (segment == ".") {
            if (bLast) return Refuse(error, target, "names a folder, not a part");
            continue;
        }
        if (segment == "..") {
            if (parts.empty()) return Refuse(error, target, "leaves the package");
            parts.pop_back();
            if (bLast) return Refuse(error, target, "names a folder, not a part");
            continue;
        }
        // "a//b" or a trailing "/": no part name has an empty segment.
        if (segment.empty()) return Refuse(error, target, "has an empty segment");
        if (segment.back() == '.') return Refuse(error, target, "has a segment that ends in \".\"");
        parts.push_back(segment);
    }
    std::string name;
    for (const std::string& part : parts) name += (name.empty() ? "" : "/") + part;
    if (name.empty()) return Refuse(error, target, "names no part");
    return name;
}

} // namespace quillmark::untrusted
