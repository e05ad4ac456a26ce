#pragma once
// Which office application a simulated host process plays.
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::officecore {

enum class HostKind { Word, PowerPoint };

// "Word" / "PowerPoint": the name used in registry keys and messages.
inline const char* HostName(HostKind host) { return host == HostKind::Word ? "Word" : "PowerPoint"; }

// "word" or "powerpoint" (any case) as given to --host.
inline std::optional<HostKind> HostFromName(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "word") return HostKind::Word;
    if (lower == "powerpoint") return HostKind::PowerPoint;
    return std::nullopt;
}

} // namespace quillmark::officecore
