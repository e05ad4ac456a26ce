// The command bar in both hosts: its controls, the tag buttons, refreshing, and
// what each control asks for when clicked.
#include "tests/host/hostfixture.h"

#include <gmock/gmock.h>

#include <map>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using officecore::ControlCore;

template <class Wrapper>
class CommandBarTest : public ::testing::Test {};
using Wrappers = ::testing::Types<WordApplication, PowerPointApplication>;
TYPED_TEST_SUITE(CommandBarTest, Wrappers);

// A control kept alive across a refresh, to see whether the refresh deleted it.
struct HeldControl {
    ComPtr<IDispatch> spObject;
    ControlCore* pCore;
    explicit HeldControl(ControlCore* p) : spObject(p->AsControl()), pCore(p) {}
};

TYPED_TEST(CommandBarTest, CreateCommandBarBuildsTheFixedControlsInOrder)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());

    officecore::SimCommandBar& bar = host.Bar();
    EXPECT_EQ(bar.Name(), "Quillmark 1.0");
    EXPECT_TRUE(bar.Visible());
    EXPECT_TRUE(bar.Temporary());

    auto controls = host.Controls();
    ASSERT_EQ(controls.size(), 3u); // the "&Tag" button comes with the first refresh

    const officecore::ControlState& menu = controls[0]->State();
    EXPECT_EQ(menu.type, office::msoControlPopup);
    EXPECT_EQ(menu.caption, "&Quillmark");
    EXPECT_EQ(menu.tooltip, "Quillmark");
    EXPECT_EQ(menu.tag, "QK");
    EXPECT_TRUE(menu.bVisible);
    EXPECT_TRUE(menu.bEnabled);
    EXPECT_TRUE(menu.bTemporary);
    ASSERT_NE(controls[0]->Items(), nullptr);
    std::vector<std::string> items;
    for (ControlCore* pItem : controls[0]->Items()->List()) {
        items.push_back(Describe(pItem));
        EXPECT_TRUE(pItem->State().bTemporary);
        EXPECT_TRUE(pItem->State().bVisible && pItem->State().bEnabled);
    }
    EXPECT_THAT(items, ElementsAre("&About|&About|&About|984|3", "&Options...|&Options...|&Options...|502|3",
                                   "&Help|&Help|&Help|983|3", "&Website|&Website|&Website|2497|3"));

    const officecore::ControlState& search = controls[1]->State();
    EXPECT_EQ(search.type, office::msoControlComboBox);
    EXPECT_EQ(search.caption, "Search tags");
    EXPECT_EQ(search.text, "Search tags");
    EXPECT_EQ(search.width, 95);
    EXPECT_EQ(search.dropDownLines, 8);
    EXPECT_TRUE(search.list.empty());
    EXPECT_TRUE(search.bTemporary);

    EXPECT_EQ(controls[2]->State().type, office::msoControlButton);
    EXPECT_EQ(Describe(controls[2]), "&Browse|&Browse|&Browse|1661|3");
    EXPECT_TRUE(controls[2]->State().bTemporary);
}

TYPED_TEST(CommandBarTest, ThreeStoredTagsWithTheFileNameShowTwoButtonsUnlessTheSettingIsOne)
{
    for (std::uint32_t setting : {0u, 1u, 7u}) {
        SCOPED_TRACE(setting);
        HostSetup<TypeParam> host(0, setting);
        ASSERT_TRUE(host.wrapper.CreateCommandBar());
        const std::string path = host.MakeFile("report");
        host.Open(path);
        ASSERT_TRUE(host.database.SetFileTags(path, {"alpha", "report", "beta"}));

        ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
        auto controls = host.Controls();
        ASSERT_GE(controls.size(), 4u);
        EXPECT_EQ(Describe(controls[3]), "&Tag|&Tag|&Tag|625|3");
        EXPECT_FALSE(controls[3]->State().bBeginGroup);
        std::vector<ControlCore*> tagButtons(controls.begin() + 4, controls.end());
        if (setting == 1) {
            EXPECT_THAT(Captions(tagButtons), ElementsAre("alpha", "report", "beta"));
        } else {
            EXPECT_THAT(Captions(tagButtons), ElementsAre("alpha", "beta"));
        }
        EXPECT_EQ(host.wrapper.TagButtonCount(), 1 + static_cast<int>(tagButtons.size()));
        // Every tag button: the tag as caption and Tag, the tooltip built around it,
        // a separator before the first one only.
        for (std::size_t i = 0; i < tagButtons.size(); ++i) {
            const officecore::ControlState& s = tagButtons[i]->State();
            EXPECT_EQ(s.tag, s.caption);
            EXPECT_EQ(s.tooltip, "Show all documents with \"" + s.caption + "\" tag");
            EXPECT_EQ(s.style, office::msoButtonIconAndCaption);
            EXPECT_EQ(s.bBeginGroup, i == 0);
            EXPECT_TRUE(s.bTemporary);
        }
    }
}

TYPED_TEST(CommandBarTest, OnlyTheFirstTagEqualToTheFileNameIsLeftOut)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("report");
    host.Open(path);
    ASSERT_TRUE(host.database.SetFileTags(path, {"Report", "report", "x", "report"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    auto controls = host.Controls();
    EXPECT_THAT(Captions({controls.begin() + 4, controls.end()}), ElementsAre("Report", "x", "report"));
}

TYPED_TEST(CommandBarTest, FaceIdTellsKeywordsTagsFromDatabaseOnlyTags)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("deck");
    simoffice::SimDocument& doc = host.Open(path);
    ASSERT_TRUE(doc.SetProperty("Keywords", "alpha, gamma"));
    ASSERT_TRUE(host.database.SetFileTags(path, {"alpha", "beta", "Gamma"}));

    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    auto controls = host.Controls();
    ASSERT_EQ(controls.size(), 7u);
    EXPECT_EQ(Describe(controls[4]), "alpha|Show all documents with \"alpha\" tag|alpha|1546|3");
    EXPECT_EQ(controls[5]->State().faceId, 1589);
    EXPECT_EQ(controls[6]->State().faceId, 1589); // tags compare case-sensitively
}

TYPED_TEST(CommandBarTest, AnUnsavedDocumentShowsItsKeywordsWithTheDatabaseFace)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    simoffice::SimDocument* pDoc = host.office.Model().New();
    ASSERT_NE(pDoc, nullptr);
    ASSERT_TRUE(pDoc->SetProperty("Keywords", "draft, ideas"));
    ASSERT_FALSE(host.wrapper.HasFilePath());

    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(pDoc->FullName(), true));
    auto controls = host.Controls();
    ASSERT_EQ(controls.size(), 6u);
    EXPECT_THAT(Captions({controls.begin() + 4, controls.end()}), ElementsAre("draft", "ideas"));
    EXPECT_EQ(controls[4]->State().faceId, 1589);
    EXPECT_EQ(controls[5]->State().faceId, 1589);
}

TYPED_TEST(CommandBarTest, RefreshRemovesExactlyTheTagButtonsAndWithTheFlagTheTagButton)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("plan");
    host.Open(path);
    ASSERT_TRUE(host.database.SetFileTags(path, {"a", "b", "c"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    ASSERT_EQ(host.Controls().size(), 7u);
    EXPECT_EQ(host.wrapper.TagButtonCount(), 4);

    std::vector<HeldControl> before;
    for (ControlCore* pControl : host.Controls())
        before.emplace_back(pControl);

    // Without the flag: positions 5 to 7 go, "&Tag" stays.
    ASSERT_TRUE(host.database.SetFileTags(path, {"d"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, false));
    auto after = host.Controls();
    ASSERT_EQ(after.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(before[i].pCore->IsDeleted()) << i;
        EXPECT_EQ(after[i], before[i].pCore) << i;
    }
    for (int i = 4; i < 7; ++i)
        EXPECT_TRUE(before[i].pCore->IsDeleted()) << i;
    EXPECT_EQ(after[4]->State().caption, "d");
    EXPECT_TRUE(after[4]->State().bBeginGroup);
    EXPECT_EQ(host.wrapper.TagButtonCount(), 2);

    // With the flag: "&Tag" and the tag button go, a new "&Tag" takes position 4.
    HeldControl oldTag(after[3]), oldD(after[4]);
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    auto recreated = host.Controls();
    ASSERT_EQ(recreated.size(), 5u);
    EXPECT_TRUE(oldTag.pCore->IsDeleted());
    EXPECT_TRUE(oldD.pCore->IsDeleted());
    EXPECT_EQ(recreated[2], before[2].pCore);
    EXPECT_NE(recreated[3], oldTag.pCore);
    EXPECT_EQ(recreated[3]->State().caption, "&Tag");
    EXPECT_EQ(recreated[4]->State().caption, "d");

    // No tags at all: the bar ends with "&Tag".
    ASSERT_TRUE(host.database.SetFileTags(path, {}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, false));
    EXPECT_THAT(Captions(host.Controls()), ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag"));
    EXPECT_EQ(host.wrapper.TagButtonCount(), 1);
}

TYPED_TEST(CommandBarTest, ARefreshWithoutTheFlagBeforeAnyActivationStillGivesATagButton)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("early");
    ASSERT_TRUE(host.database.SetFileTags(path, {"one"}));
    host.Open(path);

    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, false));
    EXPECT_THAT(Captions(host.Controls()), ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag", "one"));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    EXPECT_THAT(Captions(host.Controls()), ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag", "one"));
}

// A wrapper whose database answers with tags that are not tags.
template <class Base>
struct EmptyTagWrapper : Base {
    TagList GetDatabaseTags(const std::string&) override { return {"", "  ", "kept"}; }
};

TYPED_TEST(CommandBarTest, AnEmptyTagNeverBecomesAButton)
{
    for (std::uint32_t setting : {0u, 1u}) {
        SCOPED_TRACE(setting);
        HostSetup<EmptyTagWrapper<TypeParam>> host(0, setting);
        ASSERT_TRUE(host.wrapper.CreateCommandBar());
        // No dot anywhere in the path: its file-name tag is empty.
        const std::string path = host.folders.dir / "README";
        host.folders.dir.WriteFile("README", "x");
        ASSERT_EQ(OfficeApplication::GetFileNameTag(path), "");
        host.Open(path);
        ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
        auto controls = host.Controls();
        EXPECT_THAT(Captions({controls.begin() + 4, controls.end()}), ElementsAre("kept"));
        EXPECT_EQ(host.wrapper.TagButtonCount(), 2);
    }
}

// A wrapper whose host refuses the subscription of one tag button.
template <class Base>
struct RefusingWrapper : Base {
    bool AddTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag) override
    {
        if (tag == "refused") throw ComError(CONNECT_E_CANNOTCONNECT, "IConnectionPoint.Advise");
        return Base::AddTagButtonHandler(spButton, tag);
    }
};

TYPED_TEST(CommandBarTest, AButtonLeftByAFailedRefreshGoesWithTheNextOne)
{
    HostSetup<RefusingWrapper<TypeParam>> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("draft");
    host.Open(path);
    ASSERT_TRUE(host.database.SetFileTags(path, {"first", "refused", "never"}));
    EXPECT_THROW(host.wrapper.RefreshTagToolbar(path, true), ComError);
    // What was built before the failure stays.
    EXPECT_THAT(Captions(host.Controls()),
                ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag", "first", "refused"));

    ASSERT_TRUE(host.database.SetFileTags(path, {"fine"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, false));
    EXPECT_THAT(Captions(host.Controls()), ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag", "fine"));
}

TYPED_TEST(CommandBarTest, ClickingAskForTheRightDialogs)
{
    using Traits = HostTraits<TypeParam>;
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("minutes");
    simoffice::SimDocument& doc = host.Open(path);
    ASSERT_TRUE(host.database.SetFileTags(path, {"budget", "q3"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    auto& requests = host.launcher.requests;
    officecore::SimCommandBars& bars = host.office.CommandBars();

    ASSERT_EQ(bars.FindButtonByTag("q3")->FireClick(), 1u);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, Traits::kBrowse);
    EXPECT_EQ(requests[0].strSearch, "q3");
    EXPECT_EQ(requests[0].pOfficeApp, &host.wrapper);

    ASSERT_EQ(bars.FindButtonByTag("&Browse")->FireClick(), 1u);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].kind, Traits::kBrowse);
    EXPECT_EQ(requests[1].strSearch, "");

    ASSERT_EQ(bars.FindButtonByTag("&Tag")->FireClick(), 1u);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].kind, Traits::kTag);
    EXPECT_TRUE(IsSameObject(requests[2].spDocument.Get(), host.office.DocumentObject(doc).Get()));

    ASSERT_EQ(bars.FindButtonByTag("&About")->FireClick(), 1u);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3].kind, DialogKind::About);
    EXPECT_EQ(requests[3].pSettings, &host.settings);

    // Without a document the Tag button opens nothing.
    host.office.Model().Close(&doc);
    ASSERT_EQ(bars.FindButtonByTag("&Tag")->FireClick(), 1u);
    EXPECT_EQ(requests.size(), 4u);
}

TYPED_TEST(CommandBarTest, OptionsRefreshesTheTagButtonsOnlyAfterOk)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("memo");
    host.Open(path);
    ASSERT_TRUE(host.database.SetFileTags(path, {"old"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    ASSERT_TRUE(host.database.SetFileTags(path, {"new"}));
    ControlCore* pOptions = host.office.CommandBars().FindButtonByTag("&Options...");

    host.launcher.bAnswer = false;
    ASSERT_EQ(pOptions->FireClick(), 1u);
    ASSERT_EQ(host.launcher.requests.size(), 1u);
    EXPECT_EQ(host.launcher.requests[0].kind, DialogKind::Options);
    EXPECT_EQ(host.Controls().back()->State().caption, "old");

    host.launcher.bAnswer = true;
    ASSERT_EQ(pOptions->FireClick(), 1u);
    EXPECT_EQ(host.launcher.requests.size(), 2u);
    EXPECT_THAT(Captions(host.Controls()), ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag", "new"));
}

TYPED_TEST(CommandBarTest, TheSearchBoxIgnoresItsOwnTextAndListsEveryOtherEntry)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    ControlCore* pBox = host.office.CommandBars().FindComboBox();
    ASSERT_NE(pBox, nullptr);
    auto& requests = host.launcher.requests;

    pBox->State().text = "Search tags";
    ASSERT_EQ(pBox->FireChange(), 1u);
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(pBox->State().list.empty());

    for (int round = 1; round <= 2; ++round) {
        pBox->State().text = "budget";
        ASSERT_EQ(pBox->FireChange(), 1u);
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(round));
        EXPECT_EQ(requests.back().kind, DialogKind::BrowsePresentations); // in both hosts
        EXPECT_EQ(requests.back().strSearch, "budget");
        EXPECT_EQ(pBox->State().text, "Search tags");
    }
    // The history keeps one entry per text.
    EXPECT_THAT(pBox->State().list, ElementsAre("budget"));

    pBox->State().text = "search tags"; // only the exact text is the box's own
    ASSERT_EQ(pBox->FireChange(), 1u);
    EXPECT_EQ(requests.size(), 3u);
    EXPECT_THAT(pBox->State().list, ElementsAre("budget", "search tags"));
    // A text searched again moves to the end: the newest last.
    pBox->State().text = "budget";
    ASSERT_EQ(pBox->FireChange(), 1u);
    EXPECT_THAT(pBox->State().list, ElementsAre("search tags", "budget"));
}

TYPED_TEST(CommandBarTest, TagCaptionsShowAmpersandsAndCutLongTagsWhileTagAndTooltipKeepThemWhole)
{
    HostSetup<TypeParam> host(0, 1);
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("plain");
    host.Open(path);
    const std::string longTag(200, 'x');
    const std::string accented = "\xC3\xA9" + std::string(45, 'e'); // "é" then 45 "e": 46 characters
    ASSERT_TRUE(host.database.SetFileTags(path, {"R&D", longTag, accented, "exactly forty characters long, no more!!"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));
    auto controls = host.Controls();
    ASSERT_EQ(controls.size(), 8u);
    std::vector<ControlCore*> tagButtons(controls.begin() + 4, controls.end());
    std::map<std::string, const officecore::ControlState*> byTag;
    for (ControlCore* pButton : tagButtons) byTag[pButton->State().tag] = &pButton->State();
    ASSERT_EQ(byTag.size(), 4u);
    EXPECT_EQ(byTag["R&D"]->caption, "R&&D");
    EXPECT_EQ(byTag["R&D"]->tooltip, "Show all documents with \"R&D\" tag");
    EXPECT_EQ(byTag[longTag]->caption, std::string(40, 'x') + "...");
    EXPECT_EQ(byTag[longTag]->tooltip, "Show all documents with \"" + longTag + "\" tag");
    EXPECT_EQ(byTag[accented]->caption, "\xC3\xA9" + std::string(39, 'e') + "...");
    EXPECT_EQ(byTag["exactly forty characters long, no more!!"]->caption, "exactly forty characters long, no more!!");
    // Fixed buttons keep their accelerators.
    EXPECT_EQ(controls[2]->State().caption, "&Browse");
    EXPECT_EQ(controls[3]->State().caption, "&Tag");
}

TYPED_TEST(CommandBarTest, TheProductTypeNamesTheBarAndChoosesTheHelpAndWebsiteAddresses)
{
    for (std::uint32_t type : {0u, 2u}) {
        SCOPED_TRACE(type);
        ScopedOpener recorder;
        HostSetup<TypeParam> host(type);
        ASSERT_TRUE(host.wrapper.CreateCommandBar());
        officecore::SimCommandBars& bars = host.office.CommandBars();
        ASSERT_EQ(bars.FindButtonByTag("&Help")->FireClick(), 1u);
        ASSERT_EQ(bars.FindButtonByTag("&Website")->FireClick(), 1u);
        const std::string site = type == 2 ? "https://www.pallister.example/" : "https://www.quillmark.example/";
        EXPECT_EQ(host.Bar().Name(), type == 2 ? "Pallister 1.0" : "Quillmark 1.0");
        EXPECT_EQ(host.Controls()[0]->State().caption, type == 2 ? "&Pallister" : "&Quillmark");
        EXPECT_THAT(recorder.opener.urls, ElementsAre(site + "help/index.html", site));
        EXPECT_TRUE(host.launcher.requests.empty());
    }
}

TYPED_TEST(CommandBarTest, AFailingClickEndsQuietlyAndDroppedHandlersHearNothing)
{
    HostSetup<TypeParam> host;
    ASSERT_TRUE(host.wrapper.CreateCommandBar());
    const std::string path = host.MakeFile("notes");
    host.Open(path);
    ASSERT_TRUE(host.database.SetFileTags(path, {"x"}));
    ASSERT_TRUE(host.wrapper.RefreshTagToolbar(path, true));

    // The dialog fails with a host error: the click still ends normally.
    host.launcher.fnDuring = [] { throw ComError(E_FAIL, "dialog"); };
    HeldControl xButton(host.office.CommandBars().FindButtonByTag("x"));
    HeldControl oldTag(host.office.CommandBars().FindButtonByTag("&Tag"));
    EXPECT_EQ(xButton.pCore->FireClick(), 1u);
    EXPECT_EQ(host.launcher.requests.size(), 1u);

    // A refresh during the dialog drops the clicked button's handler: nothing breaks.
    host.launcher.fnDuring = [&] { host.wrapper.RefreshTagToolbar(path, true); };
    EXPECT_EQ(xButton.pCore->FireClick(), 1u);
    EXPECT_TRUE(xButton.pCore->IsDeleted());
    EXPECT_TRUE(oldTag.pCore->IsDeleted());
    host.launcher.fnDuring = nullptr;
    EXPECT_EQ(xButton.pCore->FireClick(), 0u);
    EXPECT_EQ(oldTag.pCore->FireClick(), 0u);

    // Gone with the wrapper: no control reaches it any more.
    HeldControl about(host.office.CommandBars().FindButtonByTag("&About"));
    HeldControl tag(host.office.CommandBars().FindButtonByTag("&Tag"));
    HeldControl box(host.office.CommandBars().FindComboBox());
    host.pWrapper.reset();
    EXPECT_EQ(about.pCore->FireClick(), 0u);
    EXPECT_EQ(tag.pCore->FireClick(), 0u);
    EXPECT_EQ(box.pCore->FireChange(), 0u);
}

TYPED_TEST(CommandBarTest, NoCommandBarsMeansNoBar)
{
    HostSetup<TypeParam> host;
    host.wrapper.SetApplication(nullptr);
    EXPECT_FALSE(host.wrapper.CreateCommandBar());
    EXPECT_TRUE(host.office.CommandBars().Bars().empty());
}

} // namespace
} // namespace quillmark::test
