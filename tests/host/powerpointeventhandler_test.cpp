// PowerPoint's presentation events over the simulated PowerPoint: the union on
// opening, presentations authored by the product, the database winning before a
// save and the recording after it, and the temporary folder left alone.
#include "tests/host/eventhandlertestsupport.h"
#include "tests/support/faultyfilesystem.h"

#include "platform/files/files.h"

#include <gmock/gmock.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using PowerPointHost = EventHost<PowerPointApplication>;

// A control held across an event, to see whether the event replaced it.
struct HeldControl {
    ComPtr<IDispatch> spObject;
    officecore::ControlCore* pCore;
    explicit HeldControl(officecore::ControlCore* p) : spObject(p ? p->AsControl() : nullptr), pCore(p) {}
};

TEST(PowerPointEventHandlerTest, OpeningAddsWhatOnlyThePresentationHoldsAndWritesNothingNew)
{
    PowerPointHost host;
    const std::string path = host.Prepare("Pitch.ppt", {{"Keywords", "a, b"}});
    host.Store(path, {"b", "c"});

    simoffice::SimDocument& pres = host.Open(path);
    EXPECT_THAT(host.Stored(path), ElementsAre("b", "c", "a", "Pitch"));
    EXPECT_EQ(pres.Property("Keywords"), "a, b");
    EXPECT_THAT(host.TagButtons(), ElementsAre("b 1546", "c 1589", "a 1546"));

    host.Close(pres);
    const auto stamp = files::GetFileStamp(host.DatabaseFile());
    const auto bytes = files::ReadFile(host.DatabaseFile());
    host.Open(path);
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
    EXPECT_EQ(files::ReadFile(host.DatabaseFile()), bytes);

    // Temporary folders and the browser cache stay out.
    for (const std::string& name : {host.tempFolder + "/Scratch.ppt", host.folders.dir / "cache/Web.ppt"}) {
        const std::string temp = host.Prepare(name, {{"Keywords", "t"}});
        host.Open(temp);
        EXPECT_THAT(host.Stored(temp), IsEmpty()) << temp;
    }
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
}

TEST(PowerPointEventHandlerTest, PresentationsOfTheProductAuthorAreNotRecordedOnOpening)
{
    PowerPointHost host;
    const std::string product = host.Prepare("Product.ppt", {{"Author", "Corvenna"}, {"Keywords", "p"}});
    const std::string lower = host.Prepare("Lower.ppt", {{"Author", "corvenna"}, {"Keywords", "l"}});
    const std::string longer = host.Prepare("Longer.ppt", {{"Author", "Corvenna "}, {"Keywords", "g"}});

    simoffice::SimDocument& productPres = host.Open(product);
    EXPECT_THAT(host.Stored(product), IsEmpty());
    host.Open(lower);
    EXPECT_THAT(host.Stored(lower), ElementsAre("l", "Lower"));
    host.Open(longer);
    EXPECT_THAT(host.Stored(longer), ElementsAre("g", "Longer"));

    // Its "Keywords" are not overwritten before a save; after the save it is
    // recorded like any other presentation.
    host.Activate(productPres);
    host.Store(product, {"db"});
    host.Save(productPres);
    EXPECT_EQ(productPres.Property("Keywords"), "p");
    EXPECT_THAT(host.Stored(product), ElementsAre("p", "Product"));
}

TEST(PowerPointEventHandlerTest, SavingTakesTheDatabaseTagsAndRecordsThemAfterwardsKeepingTheTagButton)
{
    PowerPointHost host;
    const std::string path = host.Prepare("Review.ppt", {{"Keywords", "a"}});
    simoffice::SimDocument& pres = host.Open(path);
    host.Store(path, {"x", "y"});
    pres.SetProperty("Keywords", "a, local");

    HeldControl tagButton(host.TagButton());
    host.Save(pres);
    EXPECT_EQ(pres.Property("Keywords"), "x, y");
    EXPECT_THAT(host.Stored(path), ElementsAre("x", "y", "Review"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("x 1546", "y 1546"));
    EXPECT_EQ(host.TagButton(), tagButton.pCore); // the refresh after saving keeps "&Tag"

    // A record without tags empties the property.
    host.Store(path, {});
    host.Save(pres);
    EXPECT_EQ(pres.Property("Keywords"), "");
    EXPECT_THAT(host.Stored(path), ElementsAre("Review"));
    EXPECT_THAT(host.TagButtons(), IsEmpty());

    // Activation rebuilds the bar with a new "&Tag".
    simoffice::SimDocument& other = host.Open(host.File("Other.ppt"));
    host.Activate(pres);
    EXPECT_NE(host.TagButton(), tagButton.pCore);
    host.Activate(other);
}

TEST(PowerPointEventHandlerTest, ANewPresentationIsRecordedRightAfterItsFirstSave)
{
    PowerPointHost host;
    simoffice::SimDocument& fresh = host.New();
    fresh.SetProperty("Keywords", "n1, n2");
    host.Save(fresh, host.docs + "/Fresh.ppt");
    EXPECT_EQ(fresh.Property("Keywords"), "n1, n2");
    EXPECT_THAT(host.Stored(host.docs + "/Fresh.ppt"), ElementsAre("n1", "n2", "Fresh"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("n1 1546", "n2 1546"));
    EXPECT_THAT(host.Stored("Presentation1"), IsEmpty());
}

TEST(PowerPointEventHandlerTest, SavingInTheTemporaryFolderChangesNeitherTheDatabaseNorTheBar)
{
    PowerPointHost host;
    const std::string path = host.Prepare("Deck.ppt", {{"Keywords", "k1, k2"}});
    simoffice::SimDocument& pres = host.Open(path);
    const std::vector<std::string> buttons = host.TagButtons();
    ASSERT_THAT(buttons, ElementsAre("k1 1546", "k2 1546"));
    const auto stamp = files::GetFileStamp(host.DatabaseFile());
    const auto bytes = files::ReadFile(host.DatabaseFile());
    HeldControl tagButton(host.TagButton());

    // Saved as a copy in the temporary folder, then saved there again.
    host.Save(pres, host.tempFolder + "/Deck.ppt");
    host.Save(pres);
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
    EXPECT_EQ(files::ReadFile(host.DatabaseFile()), bytes);
    EXPECT_EQ(host.TagButtons(), buttons);
    EXPECT_EQ(host.TagButton(), tagButton.pCore);
    EXPECT_THAT(host.Stored(host.tempFolder + "/Deck.ppt"), IsEmpty());

    // A new presentation saved there for the first time.
    simoffice::SimDocument& scratch = host.New();
    scratch.SetProperty("Keywords", "s");
    const std::vector<std::string> scratchButtons = host.TagButtons();
    HeldControl scratchTag(host.TagButton());
    host.Save(scratch, host.tempFolder + "/Scratch.ppt");
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
    EXPECT_EQ(host.TagButtons(), scratchButtons);
    EXPECT_EQ(host.TagButton(), scratchTag.pCore);
}

TEST(PowerPointEventHandlerTest, ADatabaseThatRefusesTheTagsStillGetsTheBarRebuilt)
{
    FaultyFileSystem fs;
    PowerPointHost host(fs);
    const std::string path = host.Prepare("Odd.ppt", {{"Keywords", "fine"}});
    simoffice::SimDocument& pres = host.Open(path);
    host.Store(path, {"kept"});
    pres.SetProperty("Keywords", std::string("bad tag"));
    HeldControl tagButton(host.TagButton());
    // The after-save step alone, so that the before-save step does not replace the
    // property with the stored tags first; the database's replace fails.
    host.wrapper.DisconnectApplicationEvents();
    PowerPointEventHandler handler;
    handler.m_pOfficeApp = &host.wrapper;
    fs.FailNth(IoCall::Rename, 1);
    handler.OnPresentationSave(host.Object(pres).Get());
    ASSERT_TRUE(fs.Failed());
    EXPECT_THAT(host.Stored(path), ElementsAre("kept"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("kept 1589"));
    EXPECT_EQ(host.TagButton(), tagButton.pCore);
}

TEST(PowerPointEventHandlerTest, TheLastPresentationToCloseTakesItsButtons)
{
    PowerPointHost host;
    const std::string a = host.File("A.ppt"), b = host.File("B.ppt");
    host.Store(a, {"a1"});
    host.Store(b, {"b1", "b2"});
    simoffice::SimDocument& docA = host.Open(a);
    simoffice::SimDocument& docB = host.Open(b);
    EXPECT_THAT(host.TagButtons(), ElementsAre("b1 1589", "b2 1589"));
    host.Close(docB);
    EXPECT_THAT(host.TagButtons(), ElementsAre("a1 1589"));
    host.Close(docA);
    EXPECT_THAT(host.TagButtons(), IsEmpty());
    EXPECT_NE(host.TagButton(), nullptr);
}

} // namespace
} // namespace quillmark::test
