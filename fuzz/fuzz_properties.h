#pragma once
// What every document property fuzz target checks on one input: reading and
// rewriting never crash, a refusal says why, and rewritten properties read back.
#include "docprops/docprops.h"
#include "fuzz/quietglib.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::fuzz {

inline void ReadAndRewrite(docprops::Format format, std::string_view name, const std::uint8_t* data,
                           std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    std::optional<docprops::Properties> read = docprops::ReadBytes(format, bytes, &error);
    if (!read && error.empty())
        __builtin_trap(); // a refusal always says why
    if (bytes.empty())
        return; // empty bytes ask the writer for a new package
    docprops::Properties wanted;
    wanted.title = "Fuzzed title";
    wanted.keywords = read ? "kept, " + read->title.substr(0, 20) : "one, two";
    wanted.comments = "line one\nline two";
    error.clear();
    std::optional<std::string> written = docprops::WriteBytes(format, bytes, wanted, name, &error);
    if (!written) {
        if (error.empty())
            __builtin_trap();
        return;
    }
    std::optional<docprops::Properties> again = docprops::ReadBytes(format, *written, &error);
    if (!again || again->title != wanted.title || again->comments != wanted.comments)
        __builtin_trap(); // the writer produced what the reader cannot read back
}

} // namespace quillmark::fuzz
