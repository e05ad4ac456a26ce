#pragma once
// The base of the two application-event handlers: an automation sink of the host's
// application-event dispinterface `EventInterface`. It answers QueryInterface for
// IUnknown, IDispatch and the event interface; type information and names are not
// offered. Invoke hands each event to OnEvent with its arguments (last first, as
// automation delivers them); an event the handler does not know is accepted and
// ignored, and nothing it throws reaches the host.
#include "platform/com/com.h"

namespace quillmark {

class OfficeApplication;

template <class EventInterface>
class ApplicationEventSink : public ComObject<EventInterface> {
public:
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
    HRESULT Invoke(DISPID dispId, REFIID, LCID, std::uint16_t, DispParams* params, Variant*, ExcepInfo*,
                   std::uint32_t*) override
    {
        DispParams none;
        try {
            OnEvent(dispId, params ? *params : none);
        } catch (...) {
            // A failing host call ends the handler; the host carries on.
        }
        return S_OK;
    }

    OfficeApplication* m_pOfficeApp = nullptr; // the wrapper that owns the subscription

protected:
    virtual void OnEvent(DISPID dispId, DispParams& params) = 0;
};

} // namespace quillmark
