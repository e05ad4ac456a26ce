#pragma once
// ComObject<Interfaces...>: the base of an object implementing interfaces.
// It supplies an interlocked reference count (0 after construction; the object
// deletes itself when Release brings it back to 0) and QueryInterface driven by
// the interface list: each listed interface answers for its own id and for the
// ids of its parents (`Base` chain); IUnknown always yields the same pointer.
//
//   class Button final : public ComObject<office::CommandBarButton, IConnectionPointContainer> { ... };
//   ComPtr<Button> spButton = MakeComObject<Button>(args...);
#include <atomic>
#include <cassert>
#include <type_traits>
#include <utility>

#include "platform/com/comptr.h"

template <class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = Identity();
        } else if (!(FindInterface<First>(riid, ppv) || ... || FindInterface<Rest>(riid, ppv))) {
            return QueryOtherInterface(riid, ppv);
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return m_nRefs.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        ULONG count = m_nRefs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        assert(count != ULONG(-1) && "Release without a reference");
        if (count == 0) delete this;
        return count;
    }

    // The current count, for tests and diagnostics.
    ULONG RefCount() const { return m_nRefs.load(std::memory_order_relaxed); }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // Interfaces outside the list (tear-offs and the like): set *ppv to a
    // counted pointer and return S_OK, or return E_NOINTERFACE.
    virtual HRESULT QueryOtherInterface(REFIID, void**) { return E_NOINTERFACE; }

    // The pointer that stands for this object's identity.
    IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

private:
    template <class I, class Walk = I>
    bool FindInterface(REFIID riid, void** ppv)
    {
        if constexpr (std::is_same_v<Walk, IUnknown>) {
            return false;
        } else {
            if (riid == Walk::Iid) {
                *ppv = static_cast<Walk*>(static_cast<I*>(this));
                return true;
            }
            return FindInterface<I, typename Walk::Base>(riid, ppv);
        }
    }

    std::atomic<ULONG> m_nRefs{0};
};

// Creates a ComObject-derived T and returns the first counted reference.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}
