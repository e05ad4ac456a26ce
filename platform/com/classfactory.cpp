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
    if (m_pLockCount) {
        if (lock)
            ++*m_pLockCount;
        else
            --*m_pLockCount;
    }
    return S_OK;
}
