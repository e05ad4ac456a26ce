// The command bars as the LibreOffice tool bar: what each control becomes, and the
// names in the command URLs leading back to the controls.
#include "libreoffice/office/toolbarsync.h"
#include "officeapi/word.h"
#include "simoffice/simoffice.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::libreoffice;
using officecore::ControlCore;
using officecore::HostKind;

namespace {

struct Bars {
    simoffice::SimOffice office{HostKind::Word};
    ComPtr<office::CommandBars> spBars;

    ComPtr<office::CommandBarControls> AddBar(const std::string& name, bool bVisible)
    {
        if (!spBars) {
            auto spApp = ComPtr<IDispatch>(office.Application()).As<word::_Application>();
            EXPECT_EQ(spApp->get_CommandBars(&spBars), S_OK);
        }
        ComPtr<office::CommandBar> spBar;
        EXPECT_EQ(spBars->Add(Variant(name), Variant("1"), Variant::Missing(), Variant(true), &spBar), S_OK);
        spBar->put_Visible(bVisible ? VARIANT_TRUE : VARIANT_FALSE);
        ComPtr<office::CommandBarControls> spControls;
        EXPECT_EQ(spBar->get_Controls(&spControls), S_OK);
        return spControls;
    }
};

ComPtr<office::CommandBarControl> Add(office::CommandBarControls* pControls, office::MsoControlType type,
                                      const std::string& caption)
{
    ComPtr<office::CommandBarControl> spControl;
    EXPECT_EQ(pControls->Add(Variant(type), Variant::Missing(), Variant::Missing(), Variant::Missing(), Variant(true),
                             &spControl),
              S_OK);
    spControl->put_Caption(caption);
    spControl->put_Tag(caption);
    return spControl;
}

ComPtr<office::CommandBarControls> ItemsOf(office::CommandBarControl* pPopup)
{
    ComPtr<office::CommandBarPopup> spPopup = ComPtr<office::CommandBarControl>(pPopup).As<office::CommandBarPopup>();
    ComPtr<office::CommandBarControls> spItems;
    EXPECT_TRUE(spPopup);
    if (spPopup) {
        EXPECT_EQ(spPopup->get_Controls(&spItems), S_OK);
    }
    return spItems;
}

} // namespace

TEST(ToolBarMirror, EveryVisibleControlBecomesAnItemNamedByItsPlace)
{
    Bars bars;
    auto spMain = bars.AddBar("Quillmark 1.0", true);
    auto spMenu = Add(spMain.Get(), office::msoControlPopup, "&Quillmark");
    auto spItems = ItemsOf(spMenu.Get());
    ASSERT_TRUE(spItems);
    Add(spItems.Get(), office::msoControlButton, "&About");
    Add(spItems.Get(), office::msoControlButton, "&Hidden")->put_Visible(VARIANT_FALSE);
    Add(spItems.Get(), office::msoControlButton, "&Help");
    Add(spMain.Get(), office::msoControlComboBox, "Search tags");
    auto spBrowse = Add(spMain.Get(), office::msoControlButton, "&Browse");
    spBrowse->put_TooltipText("Browse the tags");
    Add(spMain.Get(), office::msoControlButton, "R&&D")->put_BeginGroup(VARIANT_TRUE);
    Add(spMain.Get(), office::msoControlButton, "gone")->put_Visible(VARIANT_FALSE);
    Add(spMain.Get(), office::msoControlButton, "last")->put_Enabled(VARIANT_FALSE);
    auto spHidden = bars.AddBar("Hidden bar", false);
    Add(spHidden.Get(), office::msoControlButton, "unseen");
    auto spSecond = bars.AddBar("Second", true);
    Add(spSecond.Get(), office::msoControlButton, "&Second");

    const ToolBar toolBar = MirrorToolBar(bars.office.CommandBars());
    ASSERT_EQ(toolBar.vecItems.size(), 6u);
    const ToolBarItem& menu = toolBar.vecItems[0];
    EXPECT_EQ(menu.kind, ToolBarItem::Kind::DropDown);
    EXPECT_EQ(menu.strLabel, "~Quillmark");
    EXPECT_EQ(menu.strCommand, MenuCommand("1.1"));
    ASSERT_EQ(menu.vecEntries.size(), 2u) << "the hidden entry is left out";
    EXPECT_EQ(menu.vecEntries[0].strCommand, ClickCommand("1.1.1"));
    EXPECT_EQ(menu.vecEntries[1].strLabel, "~Help");
    EXPECT_EQ(menu.vecEntries[1].strCommand, ClickCommand("1.1.3")) << "entries keep their place";
    EXPECT_EQ(toolBar.vecItems[1].kind, ToolBarItem::Kind::TextField);
    EXPECT_EQ(toolBar.vecItems[1].strCommand, kSearchCommand);
    EXPECT_EQ(toolBar.vecItems[2].strLabel, "~Browse");
    EXPECT_EQ(toolBar.vecItems[2].strTooltip, "Browse the tags");
    EXPECT_EQ(toolBar.vecItems[3].strLabel, "R&D") << "a literal && is one &";
    EXPECT_TRUE(toolBar.vecItems[3].bBeginGroup);
    EXPECT_EQ(toolBar.vecItems[4].strCommand, ClickCommand("1.6", false)) << "after the hidden button; disabled";
    EXPECT_EQ(toolBar.vecItems[2].strCommand, ClickCommand("1.3")) << "enabled";
    EXPECT_EQ(toolBar.vecItems[5].strCommand, ClickCommand("2.1")) << "hidden bars are not counted";

    // Every name leads back to its control; anything else to none.
    officecore::SimCommandBars& core = bars.office.CommandBars();
    ControlCore* pHelp = ControlById(core, "1.1.3");
    ASSERT_NE(pHelp, nullptr);
    EXPECT_EQ(pHelp->State().caption, "&Help");
    ASSERT_NE(ControlById(core, "2.1"), nullptr);
    EXPECT_EQ(ControlById(core, "2.1")->State().caption, "&Second");
    for (const char* bad : {"", "1", "1.", ".1", "x.1", "1.x", "3.1", "0.1", "1.0", "1.99", "1.3.1", "-1.1",
                            "1.1.1.1", "99999999999.1"})
        EXPECT_EQ(ControlById(core, bad), nullptr) << bad;
}
