#pragma once
// Text and file names between our UTF-8 strings and the office's.
#include <osl/file.hxx>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

#include <initializer_list>
#include <string>

namespace quillmark::libreoffice {

using rtl::OString;
using rtl::OUString;

// A named argument of an office call.
inline css::beans::PropertyValue Prop(const char* name, const css::uno::Any& value)
{
    css::beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// A sequence of named arguments.
inline css::uno::Sequence<css::beans::PropertyValue> Args(std::initializer_list<css::beans::PropertyValue> list)
{
    return css::uno::Sequence<css::beans::PropertyValue>(list.begin(), static_cast<sal_Int32>(list.size()));
}

// The kind of a shape ("com.sun.star.presentation.TitleTextShape").
template <class Shape>
OUString ShapeTypeOf(const Shape& xShape)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return xShape->getShapeType();
#pragma GCC diagnostic pop
}

inline OUString ToOU(const std::string& text)
{
    return OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

inline std::string ToStd(const OUString& text)
{
    const OString utf8 = OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(utf8.getStr(), static_cast<std::size_t>(utf8.getLength()));
}

// The file URL of an absolute local path.
inline OUString UrlOfPath(const std::string& path)
{
    OUString url;
    osl::FileBase::getFileURLFromSystemPath(ToOU(path), url);
    return url;
}

// The local path of a file URL; "" for any other URL (a never-saved document has none).
inline std::string PathOfUrl(const OUString& url)
{
    if (!url.startsWithIgnoreAsciiCase("file:")) return {};
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None) return {};
    return ToStd(path);
}

} // namespace quillmark::libreoffice
