#include "platform/com/classfactory.h"

#include <new>

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!m_create) return E_UNEXPECTED;
    try {
        return m_create(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ClassFactory::LockServer(bool lock)
{
    if (lock) {
        ++m_nServerLocks;
    } else {
        long held = m_nServerLocks.load();
        do {
            if (held <= 0)
                return E_UNEXPECTED;
        } while (!m_nServerLocks.compare_exchange_weak(held, held - 1));
    }
    if (m_pLockCount)
        lock ? ++*m_pLockCount : --*m_pLockCount;
    return S_OK;
}
