// What both application-event handlers share: the automation sink they are to the
// host (interfaces, no reference counting, no type information, the dispatch-id
// table, unknown events), their subscription, and that nothing a failing host call
// raises reaches the host.
#include "tests/host/eventhandlertestsupport.h"

#include "platform/files/files.h"

#include <gmock/gmock.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;

template <class Wrapper>
struct HandlerOf;
template <>
struct HandlerOf<WordApplication> {
    using Type = WordEventHandler;
    static constexpr DISPID kOpen = word::DISPID_Word_DocumentOpen;
    static constexpr const char* kExtension = ".doc";
    // Ids of Word events not handled: Startup, Quit, DocumentChange, NewDocument,
    // WindowDeactivate, and ids no event has.
    static std::vector<DISPID> Unhandled() { return {1, 2, 3, 5, 9, 11, 2005, 2006, 2009, 2018, 0, -1, 999}; }
};
template <>
struct HandlerOf<PowerPointApplication> {
    using Type = PowerPointEventHandler;
    static constexpr DISPID kOpen = powerpoint::DISPID_PowerPoint_PresentationOpen;
    static constexpr const char* kExtension = ".ppt";
    static std::vector<DISPID> Unhandled() { return {2001, 2002, 2003, 2004, 2007, 2010, 4, 8, 10, 0, -1, 999}; }
};

template <class Wrapper>
class EventHandlerTest : public ::testing::Test {};
using Wrappers = ::testing::Types<WordApplication, PowerPointApplication>;
TYPED_TEST_SUITE(EventHandlerTest, Wrappers);

TYPED_TEST(EventHandlerTest, AnswersAsAnEventSinkWithoutCountingReferences)
{
    using Handler = typename HandlerOf<TypeParam>::Type;
    EventHost<TypeParam> host;
    Handler handler;
    handler.m_pOfficeApp = &host.wrapper;

    IUnknown* pUnknown = nullptr;
    ASSERT_EQ(handler.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnknown)), S_OK);
    for (const IID& iid : {IID_IDispatch, EventHost<TypeParam>::EventIid()}) {
        IUnknown* pInterface = nullptr;
        ASSERT_EQ(handler.QueryInterface(iid, reinterpret_cast<void**>(&pInterface)), S_OK);
        ASSERT_NE(pInterface, nullptr);
        IUnknown* pIdentity = nullptr;
        ASSERT_EQ(pInterface->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pIdentity)), S_OK);
        EXPECT_EQ(pIdentity, pUnknown);
        EXPECT_EQ(static_cast<void*>(pInterface), static_cast<IDispatch*>(&handler));
    }
    for (const IID& iid : {word::_Document::Iid, powerpoint::_Presentation::Iid, IConnectionPoint::Iid,
                           word::ApplicationEvents::Iid == EventHost<TypeParam>::EventIid()
                               ? powerpoint::EApplication::Iid
                               : word::ApplicationEvents::Iid}) {
        void* pv = &handler;
        EXPECT_EQ(handler.QueryInterface(iid, &pv), E_NOINTERFACE);
        EXPECT_EQ(pv, nullptr);
    }
    EXPECT_EQ(handler.QueryInterface(IID_IDispatch, nullptr), E_POINTER);

    // The wrapper owns it: references neither keep it nor end it.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(handler.AddRef(), 1u);
        EXPECT_EQ(handler.Release(), 1u);
        EXPECT_EQ(handler.Release(), 1u);
    }

    std::uint32_t count = 7;
    EXPECT_EQ(handler.GetTypeInfoCount(&count), E_NOTIMPL);
    ITypeInfo* pInfo = reinterpret_cast<ITypeInfo*>(&handler);
    EXPECT_EQ(handler.GetTypeInfo(0, 0, &pInfo), E_NOTIMPL);
    EXPECT_EQ(pInfo, nullptr);
    const char* names[] = {"WindowActivate"};
    DISPID id = 0;
    EXPECT_EQ(handler.GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
}

TYPED_TEST(EventHandlerTest, InvokeFollowsTheTableAndIgnoresEverythingElse)
{
    using Traits = HandlerOf<TypeParam>;
    EventHost<TypeParam> host;
    const std::string path = host.Prepare(std::string("Ledger") + Traits::kExtension, {{"Keywords", "q1"}});
    simoffice::SimDocument& doc = host.Open(path); // recorded by the subscribed handler
    ASSERT_THAT(host.Stored(path), ElementsAre("q1", "Ledger"));
    host.Store(path, {"kept"});
    const auto stamp = files::GetFileStamp(host.DatabaseFile());

    typename Traits::Type handler;
    handler.m_pOfficeApp = &host.wrapper;
    ComPtr<IDispatch> spDoc = host.Object(doc);

    // Events it does not handle, with the arguments any event might bring.
    for (DISPID unhandled : Traits::Unhandled()) {
        DispParams params = DispParams::FromArgs({Variant(spDoc), Variant(spDoc), Variant::BoolRef(nullptr)});
        EXPECT_EQ(handler.Invoke(unhandled, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK)
            << unhandled;
    }
    // Handled events without their document.
    DispParams noArgs;
    EXPECT_EQ(handler.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(handler.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, &noArgs, nullptr, nullptr, nullptr), S_OK);
    DispParams text = DispParams::FromArgs({Variant(path)});
    EXPECT_EQ(handler.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, &text, nullptr, nullptr, nullptr), S_OK);
    // An object that is no document.
    DispParams application = DispParams::FromArgs({Variant(host.office.Application())});
    EXPECT_EQ(handler.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, &application, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
    EXPECT_THAT(host.Stored(path), ElementsAre("kept"));

    // The open event's id leads to the open handler.
    DispParams open = DispParams::FromArgs({Variant(spDoc)});
    EXPECT_EQ(handler.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, &open, nullptr, nullptr, nullptr), S_OK);
    EXPECT_THAT(host.Stored(path), ElementsAre("kept", "q1", "Ledger"));
}

TYPED_TEST(EventHandlerTest, AFailingHostCallEndsTheHandlerQuietly)
{
    using Traits = HandlerOf<TypeParam>;
    EventHost<TypeParam> host;
    const std::string path = host.Prepare(std::string("Minutes") + Traits::kExtension, {{"Keywords", "m"}});
    simoffice::SimDocument& doc = host.Open(path);
    ComPtr<IDispatch> spDoc = host.Object(doc);
    host.Store(path, {"kept"});
    host.Close(doc); // its object is cut off: every call on it fails
    const auto stamp = files::GetFileStamp(host.DatabaseFile());

    typename Traits::Type handler;
    handler.m_pOfficeApp = &host.wrapper;
    DispParams open = DispParams::FromArgs({Variant(spDoc)});
    EXPECT_EQ(handler.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, &open, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);

    // A handler that was never given its wrapper does nothing either.
    typename Traits::Type orphan;
    simoffice::SimDocument& other = host.Open(host.File(std::string("Other") + Traits::kExtension));
    DispParams openOther = DispParams::FromArgs({Variant(host.Object(other))});
    const auto stampAfterOpen = files::GetFileStamp(host.DatabaseFile());
    EXPECT_EQ(orphan.Invoke(Traits::kOpen, IID_NULL, 0, DISPATCH_METHOD, &openOther, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stampAfterOpen);
    EXPECT_THAT(host.Stored(path), ElementsAre("kept"));
}

TYPED_TEST(EventHandlerTest, SubscribedOnceAndWithdrawn)
{
    using Traits = HandlerOf<TypeParam>;
    EventHost<TypeParam> host;
    EXPECT_EQ(host.Subscribers(), 1u);
    // Subscribing again replaces the subscription.
    host.wrapper.ConnectApplicationEvents();
    EXPECT_EQ(host.Subscribers(), 1u);

    host.wrapper.DisconnectApplicationEvents();
    EXPECT_EQ(host.Subscribers(), 0u);
    const std::string unheard = host.File(std::string("Unheard") + Traits::kExtension);
    host.Open(unheard);
    EXPECT_TRUE(host.Stored(unheard).empty());
    host.wrapper.DisconnectApplicationEvents(); // twice is harmless

    host.wrapper.ConnectApplicationEvents();
    EXPECT_EQ(host.Subscribers(), 1u);
    const std::string heard = host.File(std::string("Heard") + Traits::kExtension);
    host.Open(heard);
    EXPECT_THAT(host.Stored(heard), ElementsAre("Heard"));

    // The wrapper ends its subscription when it goes; the host carries on.
    host.pWrapper.reset();
    EXPECT_EQ(host.Subscribers(), 0u);
    host.Open(unheard);
    EXPECT_TRUE(host.Stored(unheard).empty());
}

} // namespace
} // namespace quillmark::test
