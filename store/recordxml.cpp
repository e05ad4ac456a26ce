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

void AppendEscapedAttribute(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
}

void AppendEscapedText(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
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
