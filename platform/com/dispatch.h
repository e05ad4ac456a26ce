#pragma once
// IDispatch: late-bound automation. Members are found by name (GetIDsOfNames)
// and called by dispatch id (Invoke) with a DispParams block.
#include <cstdint>
#include <string>

#include "platform/com/unknown.h"

class Variant;
struct DispParams;

using DISPID = std::int32_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

// Invoke flags.
inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 8;

inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

// Type information is not available on this platform; GetTypeInfo answers
// E_NOTIMPL or DISP_E_BADINDEX. The type exists so the signature is the real one.
struct ITypeInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{00020401-0000-0000-C000-000000000046}");
};

// What Invoke reports with DISP_E_EXCEPTION.
struct ExcepInfo {
    std::uint16_t code = 0;
    std::string source;
    std::string description;
    HRESULT scode = S_OK;
};

struct IDispatch : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{00020400-0000-0000-C000-000000000046}");

    virtual HRESULT GetTypeInfoCount(std::uint32_t* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(std::uint32_t iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    // `names[0]` is the member, further names are its parameters; the ids come
    // back in `dispIds` (DISPID_UNKNOWN for a name not known, with DISP_E_UNKNOWNNAME).
    virtual HRESULT GetIDsOfNames(REFIID riid, const char* const* names, std::uint32_t count, LCID lcid,
                                  DISPID* dispIds) = 0;
    // `riid` must be IID_NULL. `params` may be null for a call without arguments;
    // `result`, `excepInfo` and `argErr` may be null when the caller wants none.
    virtual HRESULT Invoke(DISPID dispId, REFIID riid, LCID lcid, std::uint16_t flags, DispParams* params,
                           Variant* result, ExcepInfo* excepInfo, std::uint32_t* argErr) = 0;
};
inline constexpr const IID& IID_IDispatch = IDispatch::Iid;
