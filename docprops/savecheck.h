#pragma once
// The check that a property write changed the properties and nothing else, made
// on the written bytes before they replace the file. It reads both files on its
// own terms, not through the writer: the zip entries with libzip, the streams of
// a compound file with a reader of its own that follows the sector chains and
// refuses a stream it cannot read whole (a declared size beyond the file, a
// broken chain).
#include <string>
#include <string_view>

#include "docprops/docprops.h"

namespace quillmark::docprops {

// True when every stream (OLE2) or zip entry of `original` other than the property
// parts is in `written` with the same name and the same bytes, none is lost, and
// `written` adds nothing but property parts. Otherwise false, and `error` names the
// first difference, or the part of `original` that could not be read whole.
// The property parts: OLE2 the root's SummaryInformation; Office Open XML the core
// properties part, the package relationships and [Content_Types].xml; OpenDocument
// meta.xml and META-INF/manifest.xml.
bool ChangesOnlyProperties(Format format, std::string_view original, std::string_view written,
                           std::string* error);

} // namespace quillmark::docprops
