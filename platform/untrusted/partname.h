#pragma once
// Part names of an Office Open XML package: a relationship's target resolved
// against the part that holds the relationship, as the package format defines it,
// and refused when it leaves the package or is no part name at all.
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::untrusted {

// The zip entry name (the part name without its leading "/") that `target`, a
// relative or absolute reference found in the relationships of `sourcePart` ("" for
// the package's own relationships, else e.g. "ppt/presentation.xml"), points to.
// "." and ".." segments are resolved and %XX escapes decoded. nullopt (error set)
// for an external reference (with a scheme or "//"), a reference that climbs above
// the package root, an empty segment or one ending in ".", an escaped "/" or "\",
// a "\", a control character, or a name that ends in "/".
std::optional<std::string> ResolvePartName(std::string_view sourcePart, std::string_view target, std::string* error);

} // namespace quillmark::untrusted
