#pragma once
// Base of the tests' event sinks: an IDispatch that also answers for the one
// event interface it is advised on.
#include "platform/com/com.h"

namespace quillmark::test {

class EventSinkBase : public DispatchObject<IDispatch> {
public:
    explicit EventSinkBase(const IID& iid) : m_iid(iid) {}

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** ppv) override
    {
        if (riid != m_iid) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }

private:
    IID m_iid;
};

} // namespace quillmark::test
