#pragma once
// Connection points: how a source (an application, a command-bar control)
// delivers events to the sinks that subscribed to them.
//
// A source derives from IConnectionPointContainer, keeps a ConnectionPointList
// with one ConnectionPoint per event interface it fires, answers
// FindConnectionPoint from it, and fires with `points.Fire(iid, dispId, params)`.
// Sinks are IDispatch implementations of the event dispinterface.
#include <cstddef>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/com/comobject.h"
#include "platform/com/dispparams.h"

struct IConnectionPoint;

// Enumeration of points and connections is not offered here; the methods that
// would hand them out answer E_NOTIMPL.
struct IEnumConnectionPoints : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{B196B285-BAB4-101A-B69C-00AA00341D07}");
};
struct IEnumConnections : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{B196B287-BAB4-101A-B69C-00AA00341D07}");
};

struct IConnectionPointContainer : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{B196B284-BAB4-101A-B69C-00AA00341D07}");

    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
    // CONNECT_E_NOCONNECTION when the object fires no such events.
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;
};
inline constexpr const IID& IID_IConnectionPointContainer = IConnectionPointContainer::Iid;

struct IConnectionPoint : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{B196B286-BAB4-101A-B69C-00AA00341D07}");

    virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
    // Subscribes `sink`; *cookie identifies the subscription for Unadvise.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;
};
inline constexpr const IID& IID_IConnectionPoint = IConnectionPoint::Iid;

// The connection point of one event interface. Advise accepts a sink that
// answers QueryInterface for the event interface and for IDispatch (E_POINTER
// for null arguments, CONNECT_E_CANNOTCONNECT otherwise) and hands out cookies
// 1, 2, 3, ..., never reusing one while the point lives (CONNECT_E_ADVISELIMIT
// once they are used up). Unadvise of a cookie not in use gives
// CONNECT_E_NOCONNECTION.
class ConnectionPoint final : public ComObject<IConnectionPoint> {
public:
    // `container` is not counted; the container detaches itself before it goes.
    ConnectionPoint(IConnectionPointContainer* container, REFIID eventIid);

    HRESULT GetConnectionInterface(IID* pIID) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** ppEnum) override;

    // Invokes `dispId` as a method on every sink subscribed when the call
    // starts, in order of subscription. The list is copied first, so a sink may
    // Advise or Unadvise during the call; a sink unadvised meanwhile is not
    // called any more. All sinks see the same `params` (by-reference arguments
    // carry a sink's answer on to the next). A sink's failure (a failing code,
    // even an exception it should not have let out) does not stop the others.
    // Returns how many sinks were called.
    std::size_t Fire(DISPID dispId, DispParams& params);

    std::size_t SinkCount() const;
    const IID& EventIid() const { return m_iid; }
    void DetachContainer();

private:
    bool IsAdvised(DWORD cookie) const;

    mutable std::mutex m_mutex;
    IConnectionPointContainer* m_pContainer;
    IID m_iid;
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> m_sinks;
    DWORD m_nNextCookie = 1;
    bool m_bCookiesExhausted = false;
};

// The connection points of one container, a member of the container object:
//   ConnectionPointList m_points{this};   // then m_points.Add(EApplication::Iid)
class ConnectionPointList {
public:
    explicit ConnectionPointList(IConnectionPointContainer* owner) : m_pOwner(owner) {}
    ~ConnectionPointList();
    ConnectionPointList(const ConnectionPointList&) = delete;
    ConnectionPointList& operator=(const ConnectionPointList&) = delete;

    ConnectionPoint& Add(REFIID eventIid);
    ConnectionPoint* Get(REFIID eventIid) const;  // null when not added
    // What FindConnectionPoint answers.
    HRESULT Find(REFIID eventIid, IConnectionPoint** ppCP) const;
    // Fires on the point of `eventIid`; 0 when there is none.
    std::size_t Fire(REFIID eventIid, DISPID dispId, DispParams& params) const;

private:
    IConnectionPointContainer* m_pOwner;
    std::map<IID, ComPtr<ConnectionPoint>> m_points;
};
