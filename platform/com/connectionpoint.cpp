#include "platform/com/connectionpoint.h"

#include <algorithm>
#include <limits>

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID eventIid)
    : m_pContainer(container), m_iid(eventIid)
{
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID)
{
    if (!pIID) return E_POINTER;
    *pIID = m_iid;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC)
{
    if (!ppCPC) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *ppCPC = m_pContainer;
    if (!m_pContainer) return E_UNEXPECTED;
    m_pContainer->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComPtr<IUnknown> events;
    HRESULT hr = sink->QueryInterface(m_iid, reinterpret_cast<void**>(&events));
    if (FAILED(hr) || !events) return CONNECT_E_CANNOTCONNECT;
    ComPtr<IDispatch> dispatch;
    if (FAILED(dispatch.QueryFrom(sink)) || !dispatch) return CONNECT_E_CANNOTCONNECT;

    std::lock_guard lock(m_mutex);
    if (m_bCookiesExhausted) return CONNECT_E_ADVISELIMIT;
    DWORD issued = m_nNextCookie;
    if (issued == std::numeric_limits<DWORD>::max())
        m_bCookiesExhausted = true;
    else
        ++m_nNextCookie;
    m_sinks.emplace_back(issued, std::move(dispatch));
    *cookie = issued;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie)
{
    ComPtr<IDispatch> released;  // released after the lock is dropped
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_sinks.begin(), m_sinks.end(),
                               [cookie](const auto& entry) { return entry.first == cookie; });
        if (it == m_sinks.end()) return CONNECT_E_NOCONNECTION;
        released = std::move(it->second);
        m_sinks.erase(it);
    }
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return E_NOTIMPL;
}

bool ConnectionPoint::IsAdvised(DWORD cookie) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_sinks.begin(), m_sinks.end(), [cookie](const auto& entry) { return entry.first == cookie; });
}

std::size_t ConnectionPoint::Fire(DISPID dispId, DispParams& params)
{
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> snapshot;
    {
        std::lock_guard lock(m_mutex);
        snapshot = m_sinks;
    }
    std::size_t called = 0;
    for (auto& [cookie, sink] : snapshot) {
        if (!IsAdvised(cookie)) continue;
        ++called;
        try {
            sink->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        } catch (...) {
            // A sink must not throw across the interface; if one does, the
            // source and the other sinks carry on.
        }
    }
    return called;
}

std::size_t ConnectionPoint::SinkCount() const
{
    std::lock_guard lock(m_mutex);
    return m_sinks.size();
}

void ConnectionPoint::DetachContainer()
{
    std::lock_guard lock(m_mutex);
    m_pContainer = nullptr;
}

ConnectionPointList::~ConnectionPointList()
{
    for (auto& [iid, point] : m_points) point->DetachContainer();
}

ConnectionPoint& ConnectionPointList::Add(REFIID eventIid)
{
    auto& slot = m_points[eventIid];
    if (!slot) slot = MakeComObject<ConnectionPoint>(m_pOwner, eventIid);
    return *slot;
}

ConnectionPoint* ConnectionPointList::Get(REFIID eventIid) const
{
    auto it = m_points.find(eventIid);
    return it == m_points.end() ? nullptr : it->second.Get();
}

HRESULT ConnectionPointList::Find(REFIID eventIid, IConnectionPoint** ppCP) const
{
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    ConnectionPoint* point = Get(eventIid);
    if (!point) return CONNECT_E_NOCONNECTION;
    *ppCP = point;
    point->AddRef();
    return S_OK;
}

std::size_t ConnectionPointList::Fire(REFIID eventIid, DISPID dispId, DispParams& params) const
{
    ConnectionPoint* point = Get(eventIid);
    if (!point) return 0;
    ComPtr<ConnectionPoint> keep(point);  // a sink might drop the source meanwhile
    return point->Fire(dispId, params);
}
