#include "store/recordxml.h"

namespace quillmark {

namespace {

constexpr std::array<const char*, kAttrCount> kNames = {"md5",       "path",       "thumbwritedate", "writedate",
                                                        "createdate", "accessdate", "type"};

} // namespace

const char* AttrName(Attr attr)
{
    return kNames[attr];
}

Attr AttrOf(std::string_view name)
{
    for (std::uint8_t i = 0; i < kAttrCount; ++i)
        if (name == kNames[i])
            return static_cast<Attr>(i);
    return kAttrCount;
}

bool AttrList::Has(Attr attr) const
{
    for (std::uint8_t i = 0; i < count; ++i)
        if (order[i] == attr)
            return true;
    return false;
}

void AttrList::Remove(Attr attr)
{
    std::uint8_t kept = 0;
    for (std::uint8_t i = 0; i < count; ++i)
        if (order[i] != attr)
            order[kept++] = order[i];
    count = kept;
    values[attr] = {};
}

void AttrList::Set(Attr attr, std::string_view value)
{
    Remove(attr);
    order[count++] = attr;
    values[attr] = value;
}

namespace {

// Appends `text`, replacing each character `escape` names with its reference;
// runs without such characters are copied whole.
template <class Escape> void AppendEscaped(std::string& out, std::string_view text, Escape escape)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const char* reference = escape(text[i])) {
            out.append(text.data() + run, i - run);
            out += reference;
            run = i + 1;
        }
    }
    out.append(text.data() + run, text.size() - run);
}

const char* AttributeReference(char c)
{
    switch (c) {
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '&': return "&amp;";
    case '"': return "&quot;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    default: return nullptr;
    }
}

const char* TextReference(char c)
{
    switch (c) {
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '&': return "&amp;";
    case '\r': return "&#13;";
    default: return nullptr;
    }
}

} // namespace

void AppendEscapedAttribute(std::string& out, std::string_view text)
{
    AppendEscaped(out, text, AttributeReference);
}

void AppendEscapedText(std::string& out, std::string_view text)
{
    AppendEscaped(out, text, TextReference);
}

void AppendStartTag(std::string& out, const AttrList& attrs)
{
    out += "<doc";
    for (std::uint8_t i = 0; i < attrs.count; ++i) {
        const Attr attr = attrs.order[i];
        out += ' ';
        out += kNames[attr];
        out += "=\"";
        AppendEscapedAttribute(out, attrs.values[attr]);
        out += '"';
    }
}

void AppendNewRecord(std::string& out, const AttrList& attrs, const TagList& tags, bool indented)
{
    AppendStartTag(out, attrs);
    if (tags.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    for (const std::string& tag : tags) {
        if (indented)
            out += "\n    ";
        out += "<tag>";
        AppendEscapedText(out, tag);
        out += "</tag>";
    }
    out += indented ? "\n  </doc>" : "</doc>";
}

} // namespace quillmark
