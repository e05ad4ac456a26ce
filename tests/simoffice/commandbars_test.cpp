#include "tests/simoffice/sinkbase.h"
#include "simoffice/simoffice.h"

#include "officeapi/word.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::officecore;
using namespace quillmark::simoffice;

namespace {

// Records Click / Change calls: the control's Tag and, for Click, sets CancelDefault.
class ControlSink final : public quillmark::test::EventSinkBase {
public:
    explicit ControlSink(const IID& iid) : EventSinkBase(iid) {}
    std::vector<std::string> calls;
    bool bSawCancelFlag = false;

protected:
    HRESULT InvokeMember(DISPID id, std::uint16_t, DispParams& params, Variant*) override
    {
        ComPtr<office::CommandBarControl> spControl;
        spControl.QueryFrom(params.args.back().DispatchVal());
        std::string tag;
        if (spControl) spControl->get_Tag(&tag);
        calls.push_back(std::to_string(id) + " " + tag);
        if (params.Count() == 2 && params.args[0].BoolRefVal()) {
            bSawCancelFlag = *params.args[0].BoolRefVal() == VARIANT_FALSE;
            *params.args[0].BoolRefVal() = VARIANT_TRUE;
        }
        return S_OK;
    }

};

ComPtr<ControlSink> Subscribe(IUnknown* pControl, const IID& iid, DWORD* pCookie = nullptr)
{
    ComPtr<ControlSink> spSink = MakeComObject<ControlSink>(iid);
    ComPtr<IConnectionPointContainer> spCpc;
    EXPECT_EQ(spCpc.QueryFrom(pControl), S_OK);
    ComPtr<IConnectionPoint> spCp;
    EXPECT_EQ(spCpc->FindConnectionPoint(iid, &spCp), S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(spCp->Advise(static_cast<IDispatch*>(spSink.Get()), &cookie), S_OK);
    if (pCookie) *pCookie = cookie;
    return spSink;
}

ComPtr<office::CommandBarControl> AddControl(office::CommandBarControls* pControls, office::MsoControlType type,
                                             const std::string& tag, Variant before = Variant::Missing())
{
    ComPtr<office::CommandBarControl> spControl;
    EXPECT_EQ(pControls->Add(Variant(type), Variant::Missing(), Variant::Missing(), before, Variant(true), &spControl),
              S_OK);
    if (spControl) spControl->put_Tag(tag);
    return spControl;
}

std::vector<std::string> Tags(office::CommandBarControls* pControls)
{
    std::vector<std::string> tags;
    std::int32_t count = 0;
    pControls->get_Count(&count);
    for (std::int32_t i = 1; i <= count; ++i) {
        ComPtr<office::CommandBarControl> sp;
        EXPECT_EQ(pControls->get_Item(Variant(i), &sp), S_OK);
        std::int32_t index = 0;
        sp->get_Index(&index);
        EXPECT_EQ(index, i);
        std::string tag;
        sp->get_Tag(&tag);
        tags.push_back(tag);
    }
    return tags;
}

struct Fixture {
    SimOffice office{HostKind::Word};
    ComPtr<office::CommandBars> spBars;
    ComPtr<office::CommandBar> spBar;
    ComPtr<office::CommandBarControls> spControls;
    Fixture()
    {
        auto spApp = ComPtr<IDispatch>(office.Application()).As<word::_Application>();
        EXPECT_EQ(spApp->get_CommandBars(&spBars), S_OK);
        EXPECT_EQ(spBars->Add(Variant("Quillmark 1.0"), Variant("1"), Variant::Missing(), Variant(true), &spBar), S_OK);
        EXPECT_EQ(spBar->get_Controls(&spControls), S_OK);
    }
};

using V = std::vector<std::string>;

} // namespace

TEST(SimCommandBars, BarsAreAddedOnceByNameWithTextPositions)
{
    Fixture f;
    office::MsoBarPosition position = -1;
    f.spBar->get_Position(&position);
    EXPECT_EQ(position, office::msoBarTop) << "the position \"1\" as text means the top";
    std::string name;
    f.spBar->get_Name(&name);
    EXPECT_EQ(name, "Quillmark 1.0");
    ComPtr<office::CommandBar> spSame, spDup, spBad;
    EXPECT_EQ(f.spBars->get_Item(Variant("quillmark 1.0"), &spSame), S_OK);
    EXPECT_EQ(spSame, f.spBar);
    EXPECT_EQ(f.spBars->Add(Variant("Quillmark 1.0"), Variant("1"), Variant::Missing(), Variant(true), &spDup),
              E_INVALIDARG);
    EXPECT_EQ(f.spBars->Add(Variant("Other"), Variant("top"), Variant::Missing(), Variant(true), &spBad),
              E_INVALIDARG);
    std::int32_t count = 0;
    f.spBars->get_Count(&count);
    EXPECT_EQ(count, 1);
    VARIANT_BOOL visible = VARIANT_TRUE;
    f.spBar->get_Visible(&visible);
    EXPECT_EQ(visible, VARIANT_FALSE);
    EXPECT_EQ(f.spBar->put_Visible(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(f.office.CommandBars().Bars()[0]->Visible());
}

TEST(SimCommandBars, PositionsCloseUpAfterDelete)
{
    Fixture f;
    for (const char* tag : {"QK", "search", "&Browse", "&Tag", "a", "b", "c"})
        AddControl(f.spControls.Get(), office::msoControlButton, tag);
    EXPECT_EQ(Tags(f.spControls.Get()), (V{"QK", "search", "&Browse", "&Tag", "a", "b", "c"}));

    // As the add-in removes its tag buttons: delete position 5 three times.
    ComPtr<office::CommandBarControl> spA;
    f.spControls->get_Item(Variant(5), &spA);
    for (int i = 0; i < 3; ++i) {
        ComPtr<office::CommandBarControl> sp;
        ASSERT_EQ(f.spControls->get_Item(Variant(5), &sp), S_OK);
        ASSERT_EQ(sp->Delete(Variant(false)), S_OK);
    }
    EXPECT_EQ(Tags(f.spControls.Get()), (V{"QK", "search", "&Browse", "&Tag"}));
    ComPtr<office::CommandBarControl> spNone;
    EXPECT_EQ(f.spControls->get_Item(Variant(5), &spNone), E_INVALIDARG);
    EXPECT_EQ(f.spControls->get_Item(Variant(0), &spNone), E_INVALIDARG);

    // A deleted control's object stays valid but every call on it fails.
    std::string caption;
    EXPECT_EQ(spA->get_Caption(&caption), E_FAIL);
    EXPECT_EQ(spA->Delete(Variant::Missing()), E_FAIL);

    // Insert before position 2, then delete position 1.
    AddControl(f.spControls.Get(), office::msoControlButton, "new", Variant(std::int32_t(2)));
    EXPECT_EQ(Tags(f.spControls.Get()), (V{"QK", "new", "search", "&Browse", "&Tag"}));
    ComPtr<office::CommandBarControl> spFirst;
    f.spControls->get_Item(Variant(1), &spFirst);
    spFirst->Delete(Variant::Missing());
    EXPECT_EQ(Tags(f.spControls.Get()), (V{"new", "search", "&Browse", "&Tag"}));
    ComPtr<office::CommandBarControl> spBad;
    EXPECT_EQ(f.spControls->Add(Variant(std::int32_t(99)), Variant::Missing(), Variant::Missing(), Variant::Missing(),
                                Variant(true), &spBad),
              E_INVALIDARG);
    EXPECT_EQ(f.spControls->Add(Variant(office::msoControlButton), Variant::Missing(), Variant::Missing(),
                                Variant(std::int32_t(7)), Variant(true), &spBad),
              E_INVALIDARG);
}

TEST(SimCommandBars, ClickAndChangeReachEverySink)
{
    Fixture f;
    auto spControl = AddControl(f.spControls.Get(), office::msoControlButton, "&Tag");
    auto spButton = spControl.As<office::CommandBarButton>();
    ASSERT_TRUE(spButton);
    spButton->put_FaceId(625);
    spButton->put_Style(office::msoButtonIconAndCaption);
    spButton->put_Caption("&Tag");
    DWORD cookie = 0;
    auto spFirst = Subscribe(spButton.Get(), office::_CommandBarButtonEvents::Iid, &cookie);
    auto spSecond = Subscribe(spButton.Get(), office::_CommandBarButtonEvents::Iid);

    ControlCore* pCore = f.office.CommandBars().FindButtonByTag("&Tag");
    ASSERT_TRUE(pCore);
    EXPECT_EQ(pCore->State().faceId, 625);
    EXPECT_EQ(pCore->FireClick(), 2u);
    EXPECT_EQ(spFirst->calls, (V{"1 &Tag"}));
    EXPECT_EQ(spSecond->calls, (V{"1 &Tag"}));
    EXPECT_TRUE(spFirst->bSawCancelFlag);
    EXPECT_FALSE(spSecond->bSawCancelFlag) << "the first sink's CancelDefault reaches the next";

    ComPtr<IConnectionPointContainer> spCpc = spButton.As<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> spCp;
    spCpc->FindConnectionPoint(office::_CommandBarButtonEvents::Iid, &spCp);
    ASSERT_EQ(spCp->Unadvise(cookie), S_OK);
    EXPECT_EQ(pCore->FireClick(), 1u);
    EXPECT_EQ(spFirst->calls.size(), 1u);
    EXPECT_EQ(spSecond->calls.size(), 2u);
    EXPECT_EQ(spCpc->FindConnectionPoint(office::_CommandBarComboBoxEvents::Iid, &spCp), CONNECT_E_NOCONNECTION);

    // Combo box: Text, list, Change.
    auto spCombo = AddControl(f.spControls.Get(), office::msoControlComboBox, "").As<office::CommandBarComboBox>();
    ASSERT_TRUE(spCombo);
    spCombo->put_Text("Search tags");
    spCombo->put_DropDownLines(8);
    spCombo->put_Width(95);
    ASSERT_EQ(spCombo->AddItem("one", Variant::Missing()), S_OK);
    ASSERT_EQ(spCombo->AddItem("one", Variant::Missing()), S_OK);
    ASSERT_EQ(spCombo->AddItem("zero", Variant(std::int32_t(1))), S_OK);
    EXPECT_EQ(spCombo->AddItem("x", Variant(std::int32_t(9))), E_INVALIDARG);
    std::int32_t listCount = 0;
    spCombo->get_ListCount(&listCount);
    EXPECT_EQ(listCount, 3);
    std::string item;
    spCombo->get_List(1, &item);
    EXPECT_EQ(item, "zero");
    auto spChange = Subscribe(spCombo.Get(), office::_CommandBarComboBoxEvents::Iid);
    ControlCore* pCombo = f.office.CommandBars().FindComboBox();
    ASSERT_TRUE(pCombo);
    pCombo->State().text = "beta";
    EXPECT_EQ(pCombo->FireChange(), 1u);
    EXPECT_EQ(spChange->calls, (V{"1 "}));
    std::string text;
    spCombo->get_Text(&text);
    EXPECT_EQ(text, "beta");
}

TEST(SimCommandBars, PopupItemsAndShutdown)
{
    Fixture f;
    auto spPopup = AddControl(f.spControls.Get(), office::msoControlPopup, "QK").As<office::CommandBarPopup>();
    ASSERT_TRUE(spPopup);
    ComPtr<office::CommandBarControls> spItems;
    ASSERT_EQ(spPopup->get_Controls(&spItems), S_OK);
    auto spAbout = AddControl(spItems.Get(), office::msoControlButton, "&About");
    AddControl(spItems.Get(), office::msoControlButton, "&Options...");
    auto spSink = Subscribe(spAbout.Get(), office::_CommandBarButtonEvents::Iid);

    ControlCore* pAbout = f.office.CommandBars().FindButtonByTag("&About");
    ASSERT_TRUE(pAbout) << "buttons inside popups are found";
    EXPECT_EQ(pAbout->Position(), 1);
    EXPECT_EQ(f.office.CommandBars().FindButtonByTag("QK"), nullptr) << "a popup is no button";
    pAbout->FireClick();
    EXPECT_EQ(spSink->calls, (V{"1 &About"}));
    ComPtr<office::CommandBar> spParent;
    ASSERT_EQ(spAbout->get_Parent(&spParent), S_OK);
    EXPECT_EQ(spParent, f.spBar);

    // The host ends: temporary bars and controls vanish; held objects fail from then on.
    f.office.Shutdown();
    EXPECT_TRUE(f.office.CommandBars().Bars().empty());
    std::string caption;
    EXPECT_EQ(spAbout->get_Caption(&caption), E_FAIL);
    ComPtr<office::CommandBarControls> spControls;
    EXPECT_EQ(f.spBar->get_Controls(&spControls), E_FAIL);
}
