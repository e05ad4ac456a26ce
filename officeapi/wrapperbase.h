#pragma once
// Building blocks of the object-model wrappers: each wrapper is a ComPtr to a
// raw interface with methods that return values and wrapped objects and throw
// ComError when the pointer is empty (E_POINTER) or the call fails, as a
// type-library import generates them.
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/com/comerror.h"
#include "platform/com/comptr.h"
#include "platform/com/variant.h"

namespace quillmark::office::wrap {

template <class T>
T* Checked(const ComPtr<T>& p, const char* what)
{
    if (!p) throw ComError(E_POINTER, what);
    return p.Get();
}

// A property of plain type: `Value v = Get(p, &I::get_X, "I.X")`.
template <class Value, class T, class I>
Value Get(const ComPtr<T>& p, HRESULT (I::*getter)(Value*), const char* what)
{
    Value value{};
    ThrowIfFailed((Checked(p, what)->*getter)(&value), what);
    return value;
}

template <class T, class I>
bool GetBool(const ComPtr<T>& p, HRESULT (I::*getter)(VARIANT_BOOL*), const char* what)
{
    return Get(p, getter, what) != VARIANT_FALSE;
}

// The object type a method hands out through its last parameter (Out**).
template <class M>
struct OutObject;
template <class I, class... Args>
struct OutObject<HRESULT (I::*)(Args...)> {
    using type = std::remove_pointer_t<std::remove_pointer_t<std::tuple_element_t<sizeof...(Args) - 1, std::tuple<Args...>>>>;
};

// A property or method result that is an object: the arguments before the
// out parameter are passed on.
template <class T, class M, class... Passed>
ComPtr<typename OutObject<M>::type> GetObject(const ComPtr<T>& p, M method, const char* what, Passed&&... args)
{
    ComPtr<typename OutObject<M>::type> out;
    ThrowIfFailed((Checked(p, what)->*method)(std::forward<Passed>(args)..., &out), what);
    return out;
}

// Any call whose only result is the HRESULT.
template <class T, class I, class... Args, class... Passed>
void Call(const ComPtr<T>& p, HRESULT (I::*method)(Args...), const char* what, Passed&&... args)
{
    ThrowIfFailed((Checked(p, what)->*method)(std::forward<Passed>(args)...), what);
}

inline VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

} // namespace quillmark::office::wrap
