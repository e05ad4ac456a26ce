#include "platform/com/guid.h"

#include <cstdio>

std::string GuidToString(const GUID& guid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::size_t std::hash<GUID>::operator()(const GUID& guid) const noexcept
{
    std::uint64_t value = (std::uint64_t{guid.Data1} << 32) ^ (std::uint64_t{guid.Data2} << 16) ^ guid.Data3;
    for (std::uint8_t byte : guid.Data4)
        value = value * 1099511628211ull ^ byte;
    return static_cast<std::size_t>(value);
}
