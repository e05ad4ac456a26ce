#include "host/controlsubscription.h"


namespace quillmark {

ControlSubscription::~ControlSubscription() { Unadvise(); }

void ControlSubscription::Advise(IUnknown* pControl, std::function<void()> fnHandler)
{
    Unadvise();
    ComPtr<IConnectionPointContainer> spContainer;
    ThrowIfFailed(spContainer.QueryFrom(pControl), "IConnectionPointContainer");
    ComPtr<IConnectionPoint> spPoint;
    ThrowIfFailed(spContainer->FindConnectionPoint(m_eventIid, &spPoint), "FindConnectionPoint");
    if (!spPoint) throw ComError(E_POINTER, "FindConnectionPoint");
    ComPtr<ControlSubscriptionSink> spSink = MakeComObject<ControlSubscriptionSink>(m_eventIid, std::move(fnHandler));
    DWORD dwCookie = 0;
    ThrowIfFailed(spPoint->Advise(static_cast<IDispatch*>(spSink.Get()), &dwCookie), "IConnectionPoint.Advise");
    m_spSink = std::move(spSink);
    m_spPoint = std::move(spPoint);
    m_dwCookie = dwCookie;
}

void ControlSubscription::Unadvise()
{
    if (m_spSink) m_spSink->Detach();
    if (m_spPoint) m_spPoint->Unadvise(m_dwCookie); // a control already deleted may refuse; nothing to undo then
    m_spSink = nullptr;
    m_spPoint = nullptr;
    m_dwCookie = 0;
}

} // namespace quillmark
