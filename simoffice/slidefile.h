#pragma once
// The slides a presentation file holds, read from the file itself: one entry per
// slide in slide order, holding the slide's title text ("" for a slide without a
// title). Office Open XML (.pptx .pptm .potx .ppsx) through ppt/presentation.xml's
// slide list; OpenDocument (.odp .otp) through content.xml's draw:page elements;
// PowerPoint 97-2003 (.ppt .pot .pps) through the slide list of the "PowerPoint
// Document" stream.
//
// The files may come from anyone: parts are read through the safe XML parser and
// zip package, each part is parsed once however many slides name it, a file with
// more slides than a presentation holds (SimDocument::kMaxSlides) is refused, and a
// title longer than kMaxTitleBytes is cut.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::simoffice {

enum class SlideFileKind { None, OfficeOpenXml, OpenDocument, Ole2 };

// The kind by the file name's extension (ASCII case ignored); None for other files.
SlideFileKind SlideFileKindOf(const std::string& path);

// The slide titles of `path`; nullopt with `error` set when the file is not a
// presentation of a known kind or cannot be read as one (damaged, truncated, not
// what its extension says).
std::optional<std::vector<std::string>> ReadSlideTitles(const std::string& path, std::string* error = nullptr);

constexpr std::size_t kMaxTitleBytes = 4096;

namespace detail {
// The same for a file of the given kind, whatever its name.
std::optional<std::vector<std::string>> ReadSlideTitlesOfKind(SlideFileKind kind, const std::string& path,
                                                              std::string* error);
// The .ppt reader (kept apart: its library's headers do not mix with Qt's).
std::optional<std::vector<std::string>> ReadOle2SlideTitles(const std::string& path, std::string* error);
// A title as shown: line breaks and tabs as blanks, no blanks at either end, at most
// kMaxTitleBytes (cut at a character boundary).
std::string CleanTitle(std::string text);
// The error for a file with `count` slides or more, more than a presentation holds.
std::string TooManySlides(const std::string& path, std::size_t count);
} // namespace detail

} // namespace quillmark::simoffice
