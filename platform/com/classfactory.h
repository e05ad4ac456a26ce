#pragma once
// IClassFactory, the object an in-process server hands out from
// DllGetClassObject, and a ready-made factory around a creation function.
#include <atomic>
#include <functional>

#include "platform/com/comobject.h"

struct IClassFactory : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{00000001-0000-0000-C000-000000000046}");

    // `outer` must be null (no aggregation): CLASS_E_NOAGGREGATION otherwise.
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};
inline constexpr const IID& IID_IClassFactory = IClassFactory::Iid;

class ClassFactory final : public ComObject<IClassFactory> {
public:
    // `create` makes a new object and queries it for `riid` into *ppv.
    using Creator = std::function<HRESULT(REFIID riid, void** ppv)>;
    // `lockCount`, when given, is the module's lock count: the factory holds one lock
    // while it lives (its code is in the module), and LockServer adds and removes more.
    explicit ClassFactory(Creator create, std::atomic<long>* lockCount = nullptr)
        : m_create(std::move(create)), m_pLockCount(lockCount)
    {
        if (m_pLockCount)
            ++*m_pLockCount;
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    // LockServer(false) undoes only a LockServer(true) of this factory; one without
    // a matching lock changes nothing and fails with E_UNEXPECTED.
    HRESULT LockServer(bool lock) override;

protected:
    ~ClassFactory() override
    {
        if (m_pLockCount)
            --*m_pLockCount;
    }

private:
    Creator m_create;
    std::atomic<long>* m_pLockCount;
    std::atomic<long> m_nServerLocks{0};
};

// A Creator for a default-constructible ComObject-derived T.
template <class T>
HRESULT CreateComObject(REFIID riid, void** ppv)
{
    ComPtr<T> object = MakeComObject<T>();
    return object->QueryInterface(riid, ppv);
}
