#pragma once
// The slides a presentation file holds, read from the file itself: one entry per
// slide in slide order, holding the slide's title text ("" for a slide without a
// title). Office Open XML (.pptx .pptm .potx .ppsx) through ppt/presentation.xml's
// slide list; OpenDocument (.odp .otp) through content.xml's draw:page elements;
// PowerPoint 97-2003 (.ppt .pot .pps) through the slide list of the "PowerPoint
// Document" stream.
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

namespace detail {
// The .ppt reader (kept apart: its library's headers do not mix with Qt's).
std::optional<std::vector<std::string>> ReadOle2SlideTitles(const std::string& path, std::string* error);
} // namespace detail

} // namespace quillmark::simoffice
