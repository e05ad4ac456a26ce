#include "platform/com/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/comerror.h"

Variant::Variant(IDispatch* value) noexcept : m_vt(VT_DISPATCH), m_pDisp(value)
{
    if (m_pDisp) m_pDisp->AddRef();
}

Variant::Variant(IUnknown* value) noexcept : m_vt(VT_UNKNOWN), m_pUnk(value)
{
    if (m_pUnk) m_pUnk->AddRef();
}

Variant Variant::Error(HRESULT code) noexcept
{
    Variant v;
    v.m_vt = VT_ERROR;
    v.m_hrError = code;
    return v;
}

Variant Variant::BoolRef(VARIANT_BOOL* target) noexcept
{
    Variant v;
    v.m_vt = VT_BOOL | VT_BYREF;
    v.m_pBoolRef = target;
    return v;
}

Variant::Variant(const Variant& other) : m_vt(other.m_vt), m_strVal(other.m_strVal)
{
    m_dR8 = 0;
    switch (m_vt) {
    case VT_BOOL: m_bVal = other.m_bVal; break;
    case VT_I2: m_nI2 = other.m_nI2; break;
    case VT_I4: m_nI4 = other.m_nI4; break;
    case VT_UI4: m_nUI4 = other.m_nUI4; break;
    case VT_R8: m_dR8 = other.m_dR8; break;
    case VT_ERROR: m_hrError = other.m_hrError; break;
    case VT_BOOL | VT_BYREF: m_pBoolRef = other.m_pBoolRef; break;
    case VT_DISPATCH:
        m_pDisp = other.m_pDisp;
        if (m_pDisp) m_pDisp->AddRef();
        break;
    case VT_UNKNOWN:
        m_pUnk = other.m_pUnk;
        if (m_pUnk) m_pUnk->AddRef();
        break;
    default: break;
    }
}

Variant::Variant(Variant&& other) noexcept : Variant()
{
    Swap(other);
}

Variant& Variant::operator=(const Variant& other)
{
    Variant(other).Swap(*this);
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    Variant(std::move(other)).Swap(*this);
    return *this;
}

void Variant::Swap(Variant& other) noexcept
{
    // The union is trivially copyable: swap it as raw bytes.
    VARTYPE vt = m_vt;
    double raw;
    static_assert(sizeof(raw) >= sizeof(void*));
    std::memcpy(&raw, &m_dR8, sizeof raw);
    std::memcpy(&m_dR8, &other.m_dR8, sizeof raw);
    std::memcpy(&other.m_dR8, &raw, sizeof raw);
    m_vt = other.m_vt;
    other.m_vt = vt;
    m_strVal.swap(other.m_strVal);
}

void Variant::Clear() noexcept
{
    if (m_vt == VT_DISPATCH && m_pDisp) m_pDisp->Release();
    if (m_vt == VT_UNKNOWN && m_pUnk) m_pUnk->Release();
    m_vt = VT_EMPTY;
    m_dR8 = 0;
    m_strVal.clear();
}

const std::string& Variant::StrVal() const noexcept
{
    static const std::string empty;
    return m_vt == VT_BSTR ? m_strVal : empty;
}

namespace {

// A plain decimal number: optional sign, digits with an optional fraction,
// optional exponent, surrounding blanks allowed. No hex, inf or nan.
bool ParseNumber(const std::string& text, double& value)
{
    std::size_t i = 0, n = text.size();
    auto isDigit = [&](std::size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(text[k])); };
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    while (isDigit(i)) { ++i; digits = true; }
    if (i < n && text[i] == '.') {
        ++i;
        while (isDigit(i)) { ++i; digits = true; }
    }
    if (!digits) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        if (!isDigit(i)) return false;
        while (isDigit(i)) ++i;
    }
    std::size_t end = i;
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i != n) return false;
    value = std::strtod(text.substr(start, end - start).c_str(), nullptr);
    return std::isfinite(value);
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// The numeric value of a plain (non-object) variant.
HRESULT NumericValue(const Variant& v, double& value)
{
    switch (v.Type()) {
    case VT_EMPTY: value = 0; return S_OK;
    case VT_BOOL: value = v.BoolVal() ? -1 : 0; return S_OK;
    case VT_BOOL | VT_BYREF: value = *v.BoolRefVal() ? -1 : 0; return S_OK;
    case VT_I2: value = v.I2Val(); return S_OK;
    case VT_I4: value = v.I4Val(); return S_OK;
    case VT_UI4: value = v.UI4Val(); return S_OK;
    case VT_R8: value = v.R8Val(); return S_OK;
    case VT_BSTR: {
        const std::string& text = v.StrVal();
        if (EqualsNoCase(text, "true")) { value = -1; return S_OK; }
        if (EqualsNoCase(text, "false")) { value = 0; return S_OK; }
        return ParseNumber(text, value) ? S_OK : DISP_E_TYPEMISMATCH;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

// Rounds half to even, as automation does, and checks the target range.
template <class Int>
HRESULT ToInteger(double value, Int& out)
{
    // NaN has no integer form, and casting it (or an infinity) would be undefined.
    if (std::isnan(value)) return DISP_E_TYPEMISMATCH;
    double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5) rounded = 2.0 * std::round(value / 2.0);
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max())))
        return DISP_E_OVERFLOW;
    out = static_cast<Int>(rounded);
    return S_OK;
}

std::string FormatDouble(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

} // namespace

HRESULT Variant::ConvertTo(VARTYPE vt, Variant& out) const
{
    if (vt == m_vt) {
        out = *this;
        return S_OK;
    }
    // A by-reference bool converts like the bool it points to.
    if (m_vt == (VT_BOOL | VT_BYREF)) {
        if (!m_pBoolRef) return E_POINTER;
        return Variant::FromVariantBool(*m_pBoolRef).ConvertTo(vt, out);
    }
    switch (vt) {
    case VT_EMPTY:
        out = Variant();
        return S_OK;
    case VT_BSTR: {
        std::string text;
        switch (m_vt) {
        case VT_EMPTY: break;
        case VT_BOOL: text = m_bVal ? "True" : "False"; break;
        case VT_I2: text = std::to_string(m_nI2); break;
        case VT_I4: text = std::to_string(m_nI4); break;
        case VT_UI4: text = std::to_string(m_nUI4); break;
        case VT_R8: text = FormatDouble(m_dR8); break;
        default: return DISP_E_TYPEMISMATCH;
        }
        out = Variant(std::move(text));
        return S_OK;
    }
    case VT_BOOL: case VT_I2: case VT_I4: case VT_UI4: case VT_R8: {
        double value = 0;
        if (HRESULT hr = NumericValue(*this, value); FAILED(hr)) return hr;
        if (vt == VT_BOOL) {
            out = Variant(value != 0);
        } else if (vt == VT_R8) {
            out = Variant(value);
        } else if (vt == VT_I2) {
            std::int16_t n = 0;
            if (HRESULT hr = ToInteger(value, n); FAILED(hr)) return hr;
            out = Variant(n);
        } else if (vt == VT_I4) {
            std::int32_t n = 0;
            if (HRESULT hr = ToInteger(value, n); FAILED(hr)) return hr;
            out = Variant(n);
        } else {
            std::uint32_t n = 0;
            if (HRESULT hr = ToInteger(value, n); FAILED(hr)) return hr;
            out = Variant(n);
        }
        return S_OK;
    }
    case VT_DISPATCH: {
        if (m_vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
        ComPtr<IDispatch> disp;
        if (m_pUnk) {
            if (HRESULT hr = disp.QueryFrom(m_pUnk); FAILED(hr)) return hr;
        }
        out = Variant(disp.Get());
        return S_OK;
    }
    case VT_UNKNOWN: {
        if (m_vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
        ComPtr<IUnknown> unk;
        if (m_pDisp) {
            if (HRESULT hr = unk.QueryFrom(m_pDisp); FAILED(hr)) return hr;
        }
        out = Variant(unk.Get());
        return S_OK;
    }
    case VT_ERROR:
    case VT_BOOL | VT_BYREF:
        return DISP_E_TYPEMISMATCH;
    default:
        return DISP_E_BADVARTYPE;
    }
}

HRESULT Variant::ChangeType(VARTYPE vt)
{
    Variant converted;
    HRESULT hr = ConvertTo(vt, converted);
    if (SUCCEEDED(hr)) Swap(converted);
    return hr;
}

namespace {
Variant Converted(const Variant& v, VARTYPE vt)
{
    Variant out;
    ThrowIfFailed(v.ConvertTo(vt, out), "Variant conversion");
    return out;
}
} // namespace

bool Variant::ToBool() const { return Converted(*this, VT_BOOL).BoolVal() != VARIANT_FALSE; }
std::int16_t Variant::ToInt16() const { return Converted(*this, VT_I2).I2Val(); }
std::int32_t Variant::ToInt32() const { return Converted(*this, VT_I4).I4Val(); }
std::uint32_t Variant::ToUInt32() const { return Converted(*this, VT_UI4).UI4Val(); }
double Variant::ToDouble() const { return Converted(*this, VT_R8).R8Val(); }
std::string Variant::ToString() const { return Converted(*this, VT_BSTR).StrVal(); }
ComPtr<IDispatch> Variant::ToDispatch() const { return Converted(*this, VT_DISPATCH).DispatchVal(); }
ComPtr<IUnknown> Variant::ToUnknown() const { return Converted(*this, VT_UNKNOWN).UnknownVal(); }
