#include "host/keywords.h"

#include "host/officeapplication.h"
#include "store/utf8.h"

namespace quillmark {

namespace {

// Item(name) of the collection; empty when there is no such property.
ComPtr<IDispatch> PropertyItem(IDispatch* pProperties, const std::string& name)
{
    Variant result;
    OfficeApplication::DispatchByName(DISPATCH_PROPERTYGET, &result, pProperties, "Item", {Variant(name)});
    return ComPtr<IDispatch>(result.DispatchVal());
}

} // namespace

std::string CleanKeywordText(std::string_view text)
{
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const utf8::Unit unit = utf8::Decode(text, pos);
        const std::uint32_t c = unit.codePoint;
        if (!unit.valid)
            clean += "\xEF\xBF\xBD"; // U+FFFD for a byte that is no UTF-8
        else if (c == '\r' || c == '\n' || c == 0x85 || c == 0x2028 || c == 0x2029)
            clean += ','; // a line break separates tags like a comma
        else if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF)
            clean += ' ';
        else
            clean.append(text.substr(pos, unit.length));
        pos += unit.length;
    }
    return clean;
}

std::string ReadBuiltInProperty(IDispatch* pProperties, const std::string& name)
{
    ComPtr<IDispatch> spProperty = PropertyItem(pProperties, name);
    Variant result;
    if (FAILED(OfficeApplication::DispatchByName(DISPATCH_PROPERTYGET, &result, spProperty.Get(), "Value")))
        return {};
    return result.Type() == VT_BSTR ? result.StrVal() : std::string();
}

void WriteBuiltInProperty(IDispatch* pProperties, const std::string& name, const std::string& value)
{
    ComPtr<IDispatch> spProperty = PropertyItem(pProperties, name);
    OfficeApplication::DispatchByName(DISPATCH_PROPERTYPUT, nullptr, spProperty.Get(), "Value", {Variant(value)});
}

TagList ReadKeywords(IDispatch* pProperties)
{
    return SplitTags(CleanKeywordText(ReadBuiltInProperty(pProperties, "Keywords")));
}

void WriteKeywords(IDispatch* pProperties, const TagList& tags)
{
    WriteBuiltInProperty(pProperties, "Keywords", JoinTags(tags));
}

} // namespace quillmark
