#pragma once
// One reader and one writer per file format. The zip based formats work on an
// open package (read from the file or from memory): the writer replaces the parts
// that hold the properties and leaves writing the package to its caller; `bNew`
// says the package is a new, empty one to build. OLE2 files work on their bytes.
#include "docprops/docprops.h"
#include "platform/untrusted/zippackage.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::docprops {

using untrusted::ZipPackage;
// The name of the package's core properties part, as its relationships give it ("" when none).
std::optional<std::string> OoxmlCorePart(const ZipPackage& pkg, std::string* error);
std::optional<std::string> OoxmlCorePart(std::string_view bytes, std::string* error);

std::optional<Properties> ReadOoxml(const ZipPackage& pkg, std::string* error);
bool WriteOoxml(ZipPackage& pkg, bool bNew, const Properties& properties, std::string* error);

std::optional<Properties> ReadOdf(const ZipPackage& pkg, std::string* error);
// `mimeType` is the package's type when a new one is built.
bool WriteOdf(ZipPackage& pkg, bool bNew, const Properties& properties, const std::string& mimeType,
              std::string* error);

std::optional<Properties> ReadOle2(std::string_view bytes, std::string* error);
std::optional<std::string> WriteOle2(std::string_view bytes, const Properties& properties, std::string* error);

} // namespace quillmark::docprops
