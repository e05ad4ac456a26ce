#include "host/keywords.h"

#include "host/officeapplication.h"

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

TagList ReadKeywords(IDispatch* pProperties) { return SplitTags(ReadBuiltInProperty(pProperties, "Keywords")); }

void WriteKeywords(IDispatch* pProperties, const TagList& tags)
{
    WriteBuiltInProperty(pProperties, "Keywords", JoinTags(tags));
}

} // namespace quillmark
