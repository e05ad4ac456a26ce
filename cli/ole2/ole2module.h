#pragma once
// The entry points of the OLE2 module (cli/ole2/ole2module.cpp): the same
// functions as docprops' ReadOle2 and WriteOle2, under names looked up by dlsym.
#include <optional>
#include <string>
#include <string_view>

#include "docprops/docprops.h"

namespace quillmark::cli {

using Ole2Read = std::optional<docprops::Properties> (*)(std::string_view bytes, std::string* error);
using Ole2Write = std::optional<std::string> (*)(std::string_view bytes, const docprops::Properties& properties,
                                                 std::string* error);
inline constexpr char kOle2ModuleName[] = "libquillmark-ole2.so";
inline constexpr char kOle2ReadSymbol[] = "quillmark_ole2_read";
inline constexpr char kOle2WriteSymbol[] = "quillmark_ole2_write";

} // namespace quillmark::cli
