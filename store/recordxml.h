#pragma once
// A database record as text: the attributes it may carry and the exact bytes
// the XML library's formatter writes for it, so that a record can be written or
// checked without building a document tree.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/tagtext.h"

namespace quillmark {

// A record's attributes, in the order a freshly written record carries them.
enum Attr : std::uint8_t { kMd5, kPath, kThumbWriteDate, kWriteDate, kCreateDate, kAccessDate, kType, kAttrCount };

const char* AttrName(Attr attr);
// The attribute called `name`, or kAttrCount for a name records do not use.
Attr AttrOf(std::string_view name);

// A record's attributes: their values (views) and the order they stand in.
struct AttrList {
    std::array<std::string_view, kAttrCount> values{};
    std::array<Attr, kAttrCount> order{};
    std::uint8_t count = 0;

    bool Has(Attr attr) const;
    // Adds `attr` last, after removing it where it stood.
    void Set(Attr attr, std::string_view value);
    void Remove(Attr attr);
};

// `text` escaped as the formatter escapes an attribute value / element text.
void AppendEscapedAttribute(std::string& out, std::string_view text);
void AppendEscapedText(std::string& out, std::string_view text);

// "<doc" and the attributes, without the closing ">" or "/>".
void AppendStartTag(std::string& out, const AttrList& attrs);

// A record made in memory as the formatter writes it: compact inside a root that
// holds text ("<doc ...><tag>a</tag></doc>"), or indented as a child of an
// indented root. A record without tags is "<doc .../>" either way.
void AppendNewRecord(std::string& out, const AttrList& attrs, const TagList& tags, bool indented);

// The XML declaration the formatter writes.
inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

} // namespace quillmark
