#pragma once
// An OLE property set stream (such as SummaryInformation) with some string
// properties of its first property set replaced. Every other property, and every
// other property set of the stream, keeps its bytes: thumbnails, dates and types
// this code does not know survive a save.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillmark::docprops {

// Property ids of the summary information.
constexpr std::uint32_t kPidTitle = 2, kPidSubject = 3, kPidAuthor = 4, kPidKeywords = 5, kPidComments = 6;

// `values`: property id and UTF-8 text; an empty text removes the property. Strings are
// stored in the set's code page when it can hold them, else as UTF-16 strings.
// With an empty `stream` a new SummaryInformation stream (UTF-8 code page) is built.
// nullopt (error set) when `stream` is not a property set stream.
std::optional<std::string> ReplaceStringProperties(std::string_view stream,
                                                   const std::vector<std::pair<std::uint32_t, std::string>>& values,
                                                   std::string* error);

// How a property of the first set is stored: its type and, for a string
// (VT_LPSTR, VT_LPWSTR), the length its value declares in characters, the
// terminator included (0 for other types), and whether it holds any text.
struct StoredString {
    std::uint16_t type = 0;
    std::uint32_t length = 0;
    bool bHasText = false;
};
// nullopt (error set) when `stream` is not a property set stream.
std::optional<std::map<std::uint32_t, StoredString>> StoredStrings(std::string_view stream, std::string* error);
constexpr std::uint16_t kVtString8 = 0x001E, kVtString16 = 0x001F;

} // namespace quillmark::docprops
