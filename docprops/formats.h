#pragma once
// One reader and one writer per file format, on file contents in memory.
// A writer given empty bytes builds a new package that holds only the properties.
#include "docprops/docprops.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::docprops {

std::optional<Properties> ReadOoxml(std::string_view bytes, std::string* error);
std::optional<std::string> WriteOoxml(std::string_view bytes, const Properties& properties, std::string* error);
// The name of the package's core properties part, as its relationships give it ("" when none).
std::optional<std::string> OoxmlCorePart(std::string_view bytes, std::string* error);

std::optional<Properties> ReadOdf(std::string_view bytes, std::string* error);
// `mimeType` is the package's type when a new one is built.
std::optional<std::string> WriteOdf(std::string_view bytes, const Properties& properties,
                                    const std::string& mimeType, std::string* error);

std::optional<Properties> ReadOle2(std::string_view bytes, std::string* error);
std::optional<std::string> WriteOle2(std::string_view bytes, const Properties& properties, std::string* error);

} // namespace quillmark::docprops
