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

// For each byte, the reference that stands for it, or null where it stands as is.
using References = std::array<const char*, 256>;

// Text keeps its tabs, line breaks and quotes as they are; an attribute value
// would lose them to white-space normalisation or end at the quote.
constexpr References ReferencesFor(bool attribute)
{
    References references{};
    references['<'] = "&lt;";
    references['>'] = "&gt;";
    references['&'] = "&amp;";
    references['\r'] = "&#13;";
    if (attribute) {
        references['"'] = "&quot;";
        references['\t'] = "&#9;";
        references['\n'] = "&#10;";
    }
    return references;
}

constexpr References kAttributeReferences = ReferencesFor(true);
constexpr References kTextReferences = ReferencesFor(false);

// Appends `text`, replacing each byte that has a reference with it; runs
// without such bytes are copied whole. A table, not a call per byte: the
// database reader escapes every value it reads to check the file's form.
void AppendEscaped(std::string& out, std::string_view text, const References& references)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const char* reference = references[static_cast<unsigned char>(text[i])]) {
            out.append(text.data() + run, i - run);
            out += reference;
            run = i + 1;
        }
    }
    out.append(text.data() + run, text.size() - run);
}

} // namespace

void AppendEscapedAttribute(std::string& out, std::string_view text)
{
    AppendEscaped(out, text, kAttributeReferences);
}

void AppendEscapedText(std::string& out, std::string_view text)
{
    AppendEscaped(out, text, kTextReferences);
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
