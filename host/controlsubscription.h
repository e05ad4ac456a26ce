#pragma once
// One subscription to the events of a command-bar control (Click of a button,
// Change of a combo box): a small sink object implementing the control's event
// dispinterface, advised on the control's connection point. Both events have
// dispatch id 1; the sink calls its handler for it and swallows whatever the
// handler throws, so nothing ever reaches the host.
#include <functional>
#include <utility>

#include "platform/com/com.h"

namespace quillmark {

// The event sink: IDispatch that also answers for the event interface's id.
class ControlSubscriptionSink final : public ComObject<IDispatch> {
public:
    ControlSubscriptionSink(const IID& eventIid, std::function<void()> fnHandler)
        : m_eventIid(eventIid), m_fnHandler(std::move(fnHandler))
    {
    }

    void Detach() { m_fnHandler = nullptr; }

    HRESULT GetTypeInfoCount(std::uint32_t* pctinfo) override
    {
        if (pctinfo) *pctinfo = 0;
        return E_NOTIMPL;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo) *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, const char* const*, std::uint32_t, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID dispId, REFIID, LCID, std::uint16_t, DispParams*, Variant*, ExcepInfo*,
                   std::uint32_t*) override
    {
        if (dispId != 1) return S_OK; // other events are accepted and ignored
        // A copy: the handler may end this very subscription while it runs.
        std::function<void()> fnHandler = m_fnHandler;
        if (!fnHandler) return S_OK;
        ComPtr<ControlSubscriptionSink> spKeepAlive(this);
        try {
            fnHandler();
        } catch (...) {
            // The host is never told: the click simply ends here.
        }
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** ppv) override
    {
        if (riid != m_eventIid) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }

private:
    IID m_eventIid;
    std::function<void()> m_fnHandler;
};

class ControlSubscription {
public:
    ControlSubscription(int nId, const IID& eventIid) : m_nId(nId), m_eventIid(eventIid) {}
    ~ControlSubscription();
    ControlSubscription(const ControlSubscription&) = delete;
    ControlSubscription& operator=(const ControlSubscription&) = delete;

    // Subscribes `fnHandler` to the events of `pControl`, ending an earlier
    // subscription first. Throws ComError when the control refuses.
    void Advise(IUnknown* pControl, std::function<void()> fnHandler);
    // Ends the subscription (if any); the handler is never called again.
    void Unadvise();

    bool IsAdvised() const { return m_spPoint != nullptr; }
    int Id() const { return m_nId; }
    const IID& EventIid() const { return m_eventIid; }

private:
    int m_nId;
    IID m_eventIid;
    ComPtr<ControlSubscriptionSink> m_spSink;
    ComPtr<IConnectionPoint> m_spPoint;
    DWORD m_dwCookie = 0;
};

} // namespace quillmark
