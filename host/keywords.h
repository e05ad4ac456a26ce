#pragma once
// The built-in document properties of a Word document or a presentation, reached
// late-bound: Item(name) of the collection gives the property, whose Value is read
// and written. The "Keywords" property holds the tags joined by ", ".
#include <string>
#include <string_view>

#include "platform/com/com.h"
#include "store/tagtext.h"

namespace quillmark {

// The Value of property `name` as text; "" when it cannot be read or is not text.
std::string ReadBuiltInProperty(IDispatch* pProperties, const std::string& name);
// Writes `value` into property `name`; result codes are not examined.
void WriteBuiltInProperty(IDispatch* pProperties, const std::string& name, const std::string& value);

// Keywords text as it came from a file, made fit to be stored: a line break
// (CR, LF, NEL, U+2028, U+2029) separates tags like a comma, any other control
// character becomes a space, and a byte that is no UTF-8 becomes U+FFFD.
std::string CleanKeywordText(std::string_view text);

// The "Keywords" tags (SplitTags of CleanKeywordText of its text); an empty list
// when it cannot be read.
TagList ReadKeywords(IDispatch* pProperties);
// Writes JoinTags(tags) into "Keywords"; an empty list clears it.
void WriteKeywords(IDispatch* pProperties, const TagList& tags);

} // namespace quillmark
