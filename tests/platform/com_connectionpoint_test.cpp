#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/com/connectionpoint.h"
#include "platform/com/dispatchtable.h"

namespace {

struct IClockEvents : IDispatch {  // an event dispinterface
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{2B000001-0000-4000-8000-000000000001}");
};
struct IOtherEvents : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{2B000002-0000-4000-8000-000000000001}");
};
constexpr DISPID DISPID_Tick = 1;

// A source firing IClockEvents.
class Clock final : public ComObject<IConnectionPointContainer> {
public:
    Clock() { m_points.Add(IClockEvents::Iid); }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override
    {
        if (ppEnum) *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override { return m_points.Find(riid, ppCP); }
    std::size_t Tick(DispParams& params) { return m_points.Fire(IClockEvents::Iid, DISPID_Tick, params); }

    ConnectionPointList m_points{this};
};

// A sink that records the ticks it receives and runs an action on each.
class Listener final : public DispatchObject<IClockEvents> {
public:
    explicit Listener(std::vector<std::string>* log, std::string name) : m_pLog(log), m_strName(std::move(name)) {}
    std::function<void(DispParams&)> m_onTick;

protected:
    HRESULT InvokeMember(DISPID id, std::uint16_t flags, DispParams& params, Variant*) override
    {
        EXPECT_EQ(flags, DISPATCH_METHOD);
        m_pLog->push_back(m_strName + ":" + std::to_string(id));
        if (m_onTick) m_onTick(params);
        return S_OK;
    }

private:
    std::vector<std::string>* m_pLog;
    std::string m_strName;
};

class PlainDispatch final : public DispatchObject<IOtherEvents> {};

ComPtr<IConnectionPoint> PointOf(Clock& clock)
{
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(clock.FindConnectionPoint(IClockEvents::Iid, &point), S_OK);
    return point;
}

TEST(ComConnectionPoint, CookiesStartAtOneAndAreNeverReused)
{
    ComPtr<Clock> clock = MakeComObject<Clock>();
    ComPtr<IConnectionPoint> point = PointOf(*clock);
    ASSERT_TRUE(point);
    std::vector<std::string> log;
    ComPtr<Listener> a = MakeComObject<Listener>(&log, "a");
    ComPtr<Listener> b = MakeComObject<Listener>(&log, "b");

    DWORD cookieA = 0, cookieB = 0, cookieC = 0;
    EXPECT_EQ(point->Advise(a.Get(), &cookieA), S_OK);
    EXPECT_EQ(point->Advise(b.Get(), &cookieB), S_OK);
    EXPECT_EQ(cookieA, 1u);
    EXPECT_EQ(cookieB, 2u);
    EXPECT_EQ(a->RefCount(), 2u);  // the point holds the sink

    EXPECT_EQ(point->Unadvise(cookieA), S_OK);
    EXPECT_EQ(a->RefCount(), 1u);  // and lets it go
    EXPECT_EQ(point->Unadvise(cookieA), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(77), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Advise(a.Get(), &cookieC), S_OK);
    EXPECT_EQ(cookieC, 3u);  // not 1 again

    // Sinks without the event interface, or no sink at all, are refused.
    ComPtr<PlainDispatch> plain = MakeComObject<PlainDispatch>();
    DWORD refused = 5;
    EXPECT_EQ(point->Advise(plain.Get(), &refused), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(refused, 0u);
    EXPECT_EQ(point->Advise(nullptr, &refused), E_POINTER);
    EXPECT_EQ(point->Advise(a.Get(), nullptr), E_POINTER);

    IID iid{};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IClockEvents::Iid);
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(point->GetConnectionPointContainer(&container), S_OK);
    EXPECT_TRUE(IsSameObject(container.Get(), clock.Get()));

    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(clock->FindConnectionPoint(IOtherEvents::Iid, &none), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(none);
    EXPECT_EQ(clock->FindConnectionPoint(IClockEvents::Iid, nullptr), E_POINTER);
}

TEST(ComConnectionPoint, FiresInOrderAndSurvivesUnadviseDuringTheCall)
{
    ComPtr<Clock> clock = MakeComObject<Clock>();
    ComPtr<IConnectionPoint> point = PointOf(*clock);
    std::vector<std::string> log;
    ComPtr<Listener> a = MakeComObject<Listener>(&log, "a");
    ComPtr<Listener> b = MakeComObject<Listener>(&log, "b");
    ComPtr<Listener> c = MakeComObject<Listener>(&log, "c");
    DWORD ca = 0, cb = 0, cc = 0;
    point->Advise(a.Get(), &ca);
    point->Advise(b.Get(), &cb);
    point->Advise(c.Get(), &cc);

    DispParams none;
    EXPECT_EQ(clock->Tick(none), 3u);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:1", "c:1"}));

    // b unadvises itself and c while being called; a new sink advised meanwhile
    // waits for the next event.
    log.clear();
    ComPtr<Listener> late = MakeComObject<Listener>(&log, "late");
    b->m_onTick = [&](DispParams&) {
        EXPECT_EQ(point->Unadvise(cb), S_OK);
        EXPECT_EQ(point->Unadvise(cc), S_OK);
        DWORD cl = 0;
        EXPECT_EQ(point->Advise(late.Get(), &cl), S_OK);
        EXPECT_EQ(cl, 4u);
    };
    EXPECT_EQ(clock->Tick(none), 2u);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:1"}));
    log.clear();
    EXPECT_EQ(clock->Tick(none), 2u);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "late:1"}));

    // A sink that breaks the rules by throwing does not stop the others.
    log.clear();
    a->m_onTick = [](DispParams&) { throw 42; };
    EXPECT_EQ(clock->Tick(none), 2u);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "late:1"}));

    // A sink that drops its last outside reference during the call stays alive until it returns.
    b.Reset();
    c.Reset();
    EXPECT_EQ(late->RefCount(), 2u);
}

TEST(ComConnectionPoint, ByReferenceArgumentsCarryTheSinksAnswer)
{
    ComPtr<Clock> clock = MakeComObject<Clock>();
    ComPtr<IConnectionPoint> point = PointOf(*clock);
    std::vector<std::string> log;
    ComPtr<Listener> first = MakeComObject<Listener>(&log, "first");
    ComPtr<Listener> second = MakeComObject<Listener>(&log, "second");
    bool secondSawCancel = false;
    first->m_onTick = [](DispParams& params) {
        // Arguments arrive last-first: args[0] is the cancel flag, args[1] the control.
        ASSERT_EQ(params.Count(), 2u);
        *params.args[0].BoolRefVal() = VARIANT_TRUE;
    };
    second->m_onTick = [&](DispParams& params) { secondSawCancel = params.args[0].ToBool(); };
    DWORD c1 = 0, c2 = 0;
    point->Advise(first.Get(), &c1);
    point->Advise(second.Get(), &c2);

    VARIANT_BOOL cancel = VARIANT_FALSE;
    DispParams params = DispParams::FromArgs({Variant("control"), Variant::BoolRef(&cancel)});
    clock->Tick(params);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_TRUE(secondSawCancel);
}

TEST(ComConnectionPoint, OutlivesItsContainerSafely)
{
    std::vector<std::string> log;
    ComPtr<Listener> sink = MakeComObject<Listener>(&log, "s");
    ComPtr<IConnectionPoint> point;
    {
        ComPtr<Clock> clock = MakeComObject<Clock>();
        point = PointOf(*clock);
        DWORD cookie = 0;
        point->Advise(sink.Get(), &cookie);
    }
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(point->GetConnectionPointContainer(&container), E_UNEXPECTED);
    EXPECT_FALSE(container);
    EXPECT_EQ(point->Unadvise(1), S_OK);
    EXPECT_EQ(sink->RefCount(), 1u);
}

} // namespace
