#pragma once
// Globally unique identifiers of interfaces and classes, and their text form
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};

namespace guid_detail {
constexpr int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
// Reads `count` hex digits at `pos`; false on a non-hex character.
constexpr bool ReadHex(std::string_view text, std::size_t pos, std::size_t count, std::uint64_t& value)
{
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        int digit = HexValue(text[pos + i]);
        if (digit < 0) return false;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return true;
}
} // namespace guid_detail

// Parses exactly "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hex digits in either
// case, braces required, nothing before or after). nullopt for anything else.
constexpr std::optional<GUID> ParseGuid(std::string_view text)
{
    using guid_detail::ReadHex;
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    GUID guid;
    std::uint64_t value = 0;
    if (!ReadHex(text, 1, 8, value)) return std::nullopt;
    guid.Data1 = static_cast<std::uint32_t>(value);
    if (!ReadHex(text, 10, 4, value)) return std::nullopt;
    guid.Data2 = static_cast<std::uint16_t>(value);
    if (!ReadHex(text, 15, 4, value)) return std::nullopt;
    guid.Data3 = static_cast<std::uint16_t>(value);
    constexpr std::size_t bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, bytePos[i], 2, value)) return std::nullopt;
        guid.Data4[i] = static_cast<std::uint8_t>(value);
    }
    return guid;
}

// A GUID written in the source; a malformed literal does not compile.
consteval GUID GuidLiteral(std::string_view text)
{
    auto guid = ParseGuid(text);
    if (!guid) throw "malformed GUID literal";
    return *guid;
}

// "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}": upper-case hex digits, as Windows writes them.
std::string GuidToString(const GUID& guid);

template <>
struct std::hash<GUID> {
    std::size_t operator()(const GUID& guid) const noexcept;
};
