#pragma once
// Case folding for the tag search: Unicode simple case folding, one character
// to one character (CaseFolding.txt, statuses C and S). It folds "Ü" to "ü" and
// "ẞ" to "ß", but never one character to several: "ß" stays "ß", so "STRASSE"
// does not find "straße" (full folding would make both "strasse"), while
// "STRAẞE" does.
#include <string>
#include <string_view>

namespace quillmark {

// Appends `text` folded to `out`. Bytes that are not well-formed UTF-8 are
// copied unchanged, so folding never loses or invents text.
void AppendFolded(std::string& out, std::string_view text);
std::string FoldCase(std::string_view text);

} // namespace quillmark
