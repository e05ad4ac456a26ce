#pragma once
// ComPtr<T>: a counted reference to an interface (intrusive: AddRef on copy,
// Release on destruction).
#include <cstddef>
#include <type_traits>
#include <utility>

#include "platform/com/unknown.h"

template <class T>
class ComPtr {
public:
    using InterfaceType = T;

    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    ComPtr(T* p) noexcept : m_p(p) { InternalAddRef(); }
    ComPtr(const ComPtr& other) noexcept : m_p(other.m_p) { InternalAddRef(); }
    template <class U>
        requires std::is_convertible_v<U*, T*>
    ComPtr(const ComPtr<U>& other) noexcept : m_p(other.Get())
    {
        InternalAddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept
    {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(T* p) noexcept
    {
        ComPtr(p).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        Reset();
        return *this;
    }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // For out parameters: releases what is held and hands out the slot, which
    // the callee fills with a counted pointer: `app->get_CommandBars(&spBars)`.
    T** operator&() noexcept { return ReleaseAndGetAddressOf(); }
    T** ReleaseAndGetAddressOf() noexcept
    {
        Reset();
        return &m_p;
    }
    T* const* GetAddressOf() const noexcept { return &m_p; }

    // Takes over a reference the caller owns (no AddRef).
    void Attach(T* p) noexcept
    {
        Reset();
        m_p = p;
    }
    // Gives up the reference without releasing it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    void Reset() noexcept
    {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    // A counted copy for an out parameter.
    HRESULT CopyTo(T** pp) const noexcept
    {
        if (!pp) return E_POINTER;
        *pp = m_p;
        InternalAddRef();
        return S_OK;
    }

    // QueryInterface for U. On failure `out` is empty and the code returned;
    // an empty pointer gives E_POINTER.
    template <ComInterface U>
    HRESULT As(ComPtr<U>& out) const noexcept
    {
        if (!m_p) {
            out.Reset();
            return E_POINTER;
        }
        return m_p->QueryInterface(U::Iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    }
    // QueryInterface for U; empty when the object does not have it.
    template <ComInterface U>
    ComPtr<U> As() const noexcept
    {
        ComPtr<U> out;
        As(out);
        return out;
    }
    // Sets this pointer from another object's QueryInterface for T.
    HRESULT QueryFrom(IUnknown* p) noexcept
    {
        Reset();
        if (!p) return E_POINTER;
        return p->QueryInterface(T::Iid, reinterpret_cast<void**>(&m_p));
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.m_p == b.m_p; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.m_p == nullptr; }

private:
    void InternalAddRef() const noexcept
    {
        if (m_p) m_p->AddRef();
    }

    T* m_p = nullptr;
};

// True when the two pointers belong to one object (compares their IUnknown).
bool IsSameObject(IUnknown* a, IUnknown* b);
