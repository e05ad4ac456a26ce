// The settings file reader over any bytes: it must accept or name a line, never
// crash, and what it accepts must survive being written and read again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry/regfile.h"

using namespace quillmark::registry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RegistryModel model;
    RegParseError error;
    if (!ParseRegFile(text, model, error)) {
        if (error.line < 1 || error.message.empty())
            __builtin_trap(); // a refusal names its line and says why
        return 0;
    }
    const std::string written = FormatRegFile(model);
    RegistryModel again;
    if (!ParseRegFile(written, again, error) || FormatRegFile(again) != written)
        __builtin_trap(); // what was read is written back readably and unchanged
    return 0;
}
