#include <gtest/gtest.h>

#include <vector>

#include "officeapi/commandbarswrappers.h"
#include "platform/com/connectionpoint.h"
#include "platform/com/dispatchtable.h"

namespace quillmark::office {
namespace {

// A button as a host would implement it, with a Click connection point.
class FakeButton final : public DispatchObject<CommandBarButton, IConnectionPointContainer> {
public:
    FakeButton() { m_points.Add(_CommandBarButtonEvents::Iid); }

    HRESULT get_Caption(std::string* v) override { return Out(v, m_strCaption); }
    HRESULT put_Caption(const std::string& v) override { m_strCaption = v; return S_OK; }
    HRESULT get_Tag(std::string* v) override { return Out(v, m_strTag); }
    HRESULT put_Tag(const std::string& v) override { m_strTag = v; return S_OK; }
    HRESULT get_TooltipText(std::string* v) override { return Out(v, m_strTooltip); }
    HRESULT put_TooltipText(const std::string& v) override { m_strTooltip = v; return S_OK; }
    HRESULT get_Parameter(std::string* v) override { return Out(v, m_strParameter); }
    HRESULT put_Parameter(const std::string& v) override { m_strParameter = v; return S_OK; }
    HRESULT get_BeginGroup(VARIANT_BOOL* v) override { return Out(v, m_bBeginGroup); }
    HRESULT put_BeginGroup(VARIANT_BOOL v) override { m_bBeginGroup = v; return S_OK; }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return Out(v, m_bEnabled); }
    HRESULT put_Enabled(VARIANT_BOOL v) override { m_bEnabled = v; return S_OK; }
    HRESULT get_Visible(VARIANT_BOOL* v) override { return Out(v, m_bVisible); }
    HRESULT put_Visible(VARIANT_BOOL v) override { m_bVisible = v; return S_OK; }
    HRESULT get_Width(std::int32_t* v) override { return Out(v, m_nWidth); }
    HRESULT put_Width(std::int32_t v) override { m_nWidth = v; return S_OK; }
    HRESULT get_Type(MsoControlType* v) override { return Out(v, msoControlButton); }
    HRESULT get_Index(std::int32_t* v) override { return Out(v, 1); }
    HRESULT get_Parent(CommandBar** bar) override { if (bar) *bar = nullptr; return E_NOTIMPL; }
    HRESULT Delete(const Variant& temporary) override
    {
        m_deleteArgs.push_back(temporary);
        return m_bDeleted ? E_FAIL : (m_bDeleted = true, S_OK);
    }
    HRESULT get_FaceId(std::int32_t* v) override { return Out(v, m_nFaceId); }
    HRESULT put_FaceId(std::int32_t v) override { m_nFaceId = v; return S_OK; }
    HRESULT get_Style(MsoButtonStyle* v) override { return Out(v, m_nStyle); }
    HRESULT put_Style(MsoButtonStyle v) override
    {
        if (v < 0 || v > 3) return E_INVALIDARG;
        m_nStyle = v;
        return S_OK;
    }

    HRESULT EnumConnectionPoints(IEnumConnectionPoints** pp) override { if (pp) *pp = nullptr; return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** pp) override { return m_points.Find(riid, pp); }

    // What the host does on a click: Click(Ctrl, CancelDefault).
    VARIANT_BOOL Click()
    {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        DispParams params = DispParams::FromArgs(
            {Variant(static_cast<IDispatch*>(static_cast<CommandBarButton*>(this))), Variant::BoolRef(&cancel)});
        m_points.Fire(_CommandBarButtonEvents::Iid, DISPID_CommandBarButton_Click, params);
        return cancel;
    }

    std::vector<Variant> m_deleteArgs;

private:
    template <class T, class V>
    static HRESULT Out(T* p, const V& v)
    {
        if (!p) return E_POINTER;
        *p = v;
        return S_OK;
    }

    std::string m_strCaption, m_strTag, m_strTooltip, m_strParameter;
    VARIANT_BOOL m_bBeginGroup = VARIANT_FALSE, m_bEnabled = VARIANT_TRUE, m_bVisible = VARIANT_TRUE;
    std::int32_t m_nWidth = 0, m_nFaceId = 0;
    MsoButtonStyle m_nStyle = msoButtonAutomatic;
    bool m_bDeleted = false;
    ConnectionPointList m_points{static_cast<IConnectionPointContainer*>(this)};
};

// A click handler as the add-in writes one.
class ClickSink final : public DispatchObject<_CommandBarButtonEvents> {
public:
    std::vector<std::string> m_clicked;
    bool m_bCancel = false;

protected:
    HRESULT InvokeMember(DISPID id, std::uint16_t, DispParams& params, Variant*) override
    {
        if (id != DISPID_CommandBarButton_Click) return S_OK;
        CommandBarButtonPtr button = params.Positional(0)->ToDispatch().As<CommandBarButton>();
        m_clicked.push_back(button.GetTag());
        if (m_bCancel) *params.Positional(1)->BoolRefVal() = VARIANT_TRUE;
        return S_OK;
    }
};

TEST(CommandBarWrappers, PassValuesThroughAndQueryTheControlKinds)
{
    ComPtr<FakeButton> fake = MakeComObject<FakeButton>();
    CommandBarControlPtr control(static_cast<CommandBarControl*>(static_cast<CommandBarButton*>(fake.Get())));
    control.PutCaption("&Tag");
    control.PutTag("&Tag");
    control.PutTooltipText("Show all");
    control.PutBeginGroup(true);
    control.PutEnabled(false);
    EXPECT_EQ(control.GetCaption(), "&Tag");
    EXPECT_EQ(control.GetTooltipText(), "Show all");
    EXPECT_TRUE(control.GetBeginGroup());
    EXPECT_FALSE(control.GetEnabled());
    EXPECT_TRUE(control.GetVisible());
    EXPECT_EQ(control.GetType(), msoControlButton);

    // The caller converts the control to the kind it added.
    CommandBarButtonPtr button = control.As<CommandBarButton>();
    ASSERT_TRUE(button);
    button.PutFaceId(625);
    button.PutStyle(msoButtonIconAndCaption);
    EXPECT_EQ(button.GetFaceId(), 625);
    EXPECT_EQ(button.GetStyle(), msoButtonIconAndCaption);
    EXPECT_EQ(button.GetTag(), "&Tag");  // base members through the derived wrapper
    EXPECT_FALSE(control.As<CommandBarPopup>());
    EXPECT_FALSE(control.As<CommandBarComboBox>());
    EXPECT_TRUE(control.As<IDispatch>());
    EXPECT_TRUE(IsSameObject(button.Get(), control.Get()));
}

TEST(CommandBarWrappers, ThrowComErrorWithTheFailingCode)
{
    ComPtr<FakeButton> fake = MakeComObject<FakeButton>();
    CommandBarButtonPtr button(static_cast<CommandBarButton*>(fake.Get()));
    try {
        button.PutStyle(42);
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_INVALIDARG);
        EXPECT_EQ(error.Context(), "CommandBarButton.Style");
    }
    EXPECT_EQ(button.GetStyle(), msoButtonAutomatic);  // nothing changed

    button.Delete(false);
    ASSERT_EQ(fake->m_deleteArgs.size(), 1u);
    EXPECT_EQ(fake->m_deleteArgs[0].Type(), VT_BOOL);
    try {
        button.Delete();
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_FAIL);
    }
    EXPECT_TRUE(fake->m_deleteArgs[1].IsMissing());

    // An empty wrapper fails the same way instead of crashing.
    CommandBarsPtr none;
    try {
        none.Add("Quillmark 1.0", "1", Variant::Missing(), true);
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_POINTER);
        EXPECT_EQ(error.Context(), "CommandBars.Add");
    }
    EXPECT_THROW(CommandBarControlsPtr().GetItem(1), ComError);
    EXPECT_THROW(CommandBarComboBoxPtr().GetList(1), ComError);
}

TEST(CommandBarEvents, ClickReachesTheSinkWithControlAndCancelFlag)
{
    ComPtr<FakeButton> fake = MakeComObject<FakeButton>();
    fake->put_Tag("&Browse");
    ComPtr<ClickSink> sink = MakeComObject<ClickSink>();

    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(container.QueryFrom(static_cast<CommandBarButton*>(fake.Get())), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(_CommandBarButtonEvents::Iid, &point), S_OK);
    ComPtr<IConnectionPoint> comboPoint;
    EXPECT_EQ(container->FindConnectionPoint(_CommandBarComboBoxEvents::Iid, &comboPoint), CONNECT_E_NOCONNECTION);

    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<_CommandBarButtonEvents*>(sink.Get()), &cookie), S_OK);
    EXPECT_EQ(cookie, 1u);
    EXPECT_EQ(fake->Click(), VARIANT_FALSE);
    sink->m_bCancel = true;
    EXPECT_EQ(fake->Click(), VARIANT_TRUE);
    EXPECT_EQ(sink->m_clicked, (std::vector<std::string>{"&Browse", "&Browse"}));

    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    fake->Click();
    EXPECT_EQ(sink->m_clicked.size(), 2u);
}

TEST(OfficeInterfaceIds, MatchTheOfficeTypeLibrary)
{
    EXPECT_EQ(GuidToString(_CommandBarButtonEvents::Iid), "{000C0351-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(_CommandBarComboBoxEvents::Iid), "{000C0354-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(CommandBarButton::Iid), "{000C030E-0000-0000-C000-000000000046}");
    EXPECT_EQ(DISPID_CommandBarButton_Click, 1);
    EXPECT_EQ(DISPID_CommandBarComboBox_Change, 1);
}

} // namespace
} // namespace quillmark::office
