#pragma once
// Variant: the automation value, a tagged union with value semantics. Copies
// AddRef the interfaces they hold, destruction releases them. Strings (VT_BSTR)
// are UTF-8 std::string.
#include <cstdint>
#include <string>

#include "platform/com/comptr.h"
#include "platform/com/dispatch.h"

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_BYREF = 0x4000;

class Variant {
public:
    Variant() noexcept : m_vt(VT_EMPTY), m_dR8(0) {}
    Variant(bool value) noexcept : m_vt(VT_BOOL), m_bVal(value ? VARIANT_TRUE : VARIANT_FALSE) {}
    Variant(std::int16_t value) noexcept : m_vt(VT_I2), m_nI2(value) {}
    Variant(std::int32_t value) noexcept : m_vt(VT_I4), m_nI4(value) {}
    Variant(std::uint32_t value) noexcept : m_vt(VT_UI4), m_nUI4(value) {}
    Variant(double value) noexcept : m_vt(VT_R8), m_dR8(value) {}
    Variant(std::string value) : m_vt(VT_BSTR), m_dR8(0), m_strVal(std::move(value)) {}
    Variant(const char* value) : Variant(std::string(value ? value : "")) {}
    // Interface values hold a reference of their own (a null pointer is allowed).
    Variant(IDispatch* value) noexcept;
    Variant(IUnknown* value) noexcept;
    template <class T>
    Variant(const ComPtr<T>& value) noexcept : Variant(value.Get())
    {
    }

    // The "missing argument": VT_ERROR with DISP_E_PARAMNOTFOUND.
    static Variant Missing() noexcept { return Error(DISP_E_PARAMNOTFOUND); }
    static Variant Error(HRESULT code) noexcept;
    // VT_BOOL from an automation boolean (any non-zero value is true).
    static Variant FromVariantBool(VARIANT_BOOL value) noexcept { return Variant(value != VARIANT_FALSE); }
    // VT_BOOL | VT_BYREF: the callee writes through the pointer (e.g. a Cancel flag).
    static Variant BoolRef(VARIANT_BOOL* target) noexcept;

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() { Clear(); }

    void Clear() noexcept;  // back to VT_EMPTY, releasing a held interface
    void Swap(Variant& other) noexcept;

    VARTYPE Type() const noexcept { return m_vt; }
    bool IsEmpty() const noexcept { return m_vt == VT_EMPTY; }
    bool IsMissing() const noexcept { return m_vt == VT_ERROR && m_hrError == DISP_E_PARAMNOTFOUND; }

    // Raw access for a known type; a value of another type gives 0 / "" / null.
    VARIANT_BOOL BoolVal() const noexcept { return m_vt == VT_BOOL ? m_bVal : VARIANT_FALSE; }
    std::int16_t I2Val() const noexcept { return m_vt == VT_I2 ? m_nI2 : 0; }
    std::int32_t I4Val() const noexcept { return m_vt == VT_I4 ? m_nI4 : 0; }
    std::uint32_t UI4Val() const noexcept { return m_vt == VT_UI4 ? m_nUI4 : 0; }
    double R8Val() const noexcept { return m_vt == VT_R8 ? m_dR8 : 0.0; }
    const std::string& StrVal() const noexcept;
    IDispatch* DispatchVal() const noexcept { return m_vt == VT_DISPATCH ? m_pDisp : nullptr; }  // not counted
    IUnknown* UnknownVal() const noexcept { return m_vt == VT_UNKNOWN ? m_pUnk : nullptr; }      // not counted
    HRESULT ErrorVal() const noexcept { return m_vt == VT_ERROR ? m_hrError : S_OK; }
    VARIANT_BOOL* BoolRefVal() const noexcept { return m_vt == (VT_BOOL | VT_BYREF) ? m_pBoolRef : nullptr; }

    // Conversion in the manner of VariantChangeType. Fails with DISP_E_TYPEMISMATCH
    // when the value has no form of that type (a missing argument, text that is no
    // number, an object asked for a plain value), DISP_E_OVERFLOW when a number
    // does not fit, E_NOINTERFACE when an object lacks IDispatch, and
    // DISP_E_BADVARTYPE for a type this Variant does not know. `out` is untouched
    // on failure.
    HRESULT ConvertTo(VARTYPE vt, Variant& out) const;
    HRESULT ChangeType(VARTYPE vt);  // in place; unchanged on failure

    // Converting accessors; they throw ComError with ConvertTo's code.
    bool ToBool() const;
    std::int16_t ToInt16() const;
    std::int32_t ToInt32() const;
    std::uint32_t ToUInt32() const;
    double ToDouble() const;
    std::string ToString() const;
    ComPtr<IDispatch> ToDispatch() const;
    ComPtr<IUnknown> ToUnknown() const;

private:
    VARTYPE m_vt;
    union {
        VARIANT_BOOL m_bVal;
        std::int16_t m_nI2;
        std::int32_t m_nI4;
        std::uint32_t m_nUI4;
        double m_dR8;
        HRESULT m_hrError;
        IUnknown* m_pUnk;
        IDispatch* m_pDisp;
        VARIANT_BOOL* m_pBoolRef;
    };
    std::string m_strVal;
};

// Windows-style spelling of Variant::ConvertTo.
inline HRESULT VariantChangeType(Variant& dest, const Variant& src, VARTYPE vt)
{
    return src.ConvertTo(vt, dest);
}
