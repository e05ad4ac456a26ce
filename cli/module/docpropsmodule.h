#pragma once
// The entry point of the document-properties module (docpropsmodule.cpp): the
// same function as docprops::Read, under a name looked up by dlsym.
#include <optional>
#include <string>

#include "docprops/docprops.h"

namespace quillmark::cli {

using PropertiesRead = std::optional<docprops::Properties> (*)(const std::string& path, std::string* error,
                                                               files::FileStamp* pStamp);
inline constexpr char kDocpropsModuleName[] = "libquillmark-docprops.so";
inline constexpr char kPropertiesReadSymbol[] = "quillmark_properties_read";

} // namespace quillmark::cli
