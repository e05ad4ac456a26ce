#pragma once
// The registry's file syntax: the ".reg" export format of the Windows registry editor
// ("Windows Registry Editor Version 5.00"), kept as UTF-8 text.
#include "platform/registry/regmodel.h"

#include <string>
#include <string_view>

namespace quillmark::registry {

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";

struct RegParseError {
    int line = 0; // 1-based line where the fault is
    std::string message;
};

// Reads `text` into `model` (which should start empty). Empty text is an empty registry.
// False, with `error` set, when the text is malformed; `model` is then unspecified.
bool ParseRegFile(std::string_view text, RegistryModel& model, RegParseError& error);

// The whole registry in the file syntax; ParseRegFile reads it back unchanged.
std::string FormatRegFile(const RegistryModel& model);

} // namespace quillmark::registry
