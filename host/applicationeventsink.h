#pragma once
// The base of the two application-event handlers: an automation sink of the host's
// application-event dispinterface `EventInterface`. It answers QueryInterface for
// IUnknown, IDispatch and the event interface; type information and names are not
// offered. Invoke hands each event to the handler that m_eventTable names for its
// dispatch id, with its arguments (last first, as automation delivers them); an
// event not in the table is accepted and ignored, and nothing a handler throws
// reaches the host.
#include "platform/com/com.h"

namespace quillmark {

class OfficeApplication;
class TaggingDatabase;

// Positional argument `index` of an event as an object; null when absent or not one.
IDispatch* EventObjectArgument(DispParams& params, std::uint32_t index);
// The database of the wrapper that owns a handler.
TaggingDatabase& DatabaseOf(const OfficeApplication& app);

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
            const DispatchTable::Member* pMember = m_eventTable.Find(dispId);
            if (pMember && pMember->handler) pMember->handler(DISPATCH_METHOD, params ? *params : none, nullptr);
        } catch (...) {
            // A failing host call ends the handler; the host carries on.
        }
        return S_OK;
    }

    OfficeApplication* m_pOfficeApp = nullptr; // the wrapper that owns the subscription

protected:
    // The handled events by dispatch id, filled by the handler's constructor.
    DispatchTable m_eventTable;
};

} // namespace quillmark
