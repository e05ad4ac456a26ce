#pragma once
// IUnknown, the root of every interface: identity, interface navigation and
// reference counting.
//
// Every interface type names its interface id as `static constexpr IID Iid` and
// its parent interface as `using Base = ...` (all but IUnknown), which lets
// ComPtr and ComObject find ids and answer for parent interfaces by themselves.
#include <concepts>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

struct IUnknown {
    static constexpr IID Iid = GuidLiteral("{00000000-0000-0000-C000-000000000046}");

    // Puts a counted pointer to the interface `riid` into *ppv, or null and
    // E_NOINTERFACE; E_POINTER when ppv is null. Asking any interface of one
    // object for IUnknown always yields the same pointer.
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;   // the new count
    virtual ULONG Release() = 0;  // the new count; 0 means the object is gone

protected:
    ~IUnknown() = default;  // objects are destroyed by Release, never through an interface
};
inline constexpr const IID& IID_IUnknown = IUnknown::Iid;

template <class I>
constexpr const IID& IidOf()
{
    return I::Iid;
}

template <class I>
concept ComInterface = requires {
    { I::Iid } -> std::convertible_to<const IID&>;
};
