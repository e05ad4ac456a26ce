// The PowerPoint wrapper over the simulated PowerPoint: presentations, their
// properties, inserting a slide of another file, taking over a located file.
#include "tests/host/hostfixture.h"

#include <gmock/gmock.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

powerpoint::_PresentationPtr PresentationOf(HostSetup<PowerPointApplication>& host, simoffice::SimDocument& doc)
{
    return host.office.DocumentObject(doc).As<powerpoint::_Presentation>();
}

TEST(PowerPointApplicationTest, AuthoredByTheProductOnlyWithTheExactAuthor)
{
    HostSetup<PowerPointApplication> host;
    PowerPointApplication& ppt = host.wrapper;
    simoffice::SimDocument& doc = host.Open(host.MakeFile("deck"));
    powerpoint::_PresentationPtr spDeck = PresentationOf(host, doc);

    EXPECT_FALSE(ppt.IsAuthoredByProduct(spDeck)); // no author
    ASSERT_TRUE(doc.SetProperty("Author", "Corvenna"));
    EXPECT_TRUE(ppt.IsAuthoredByProduct(spDeck));
    for (const char* other : {"corvenna", "CORVENNA", "Corvenna ", "Ann"}) {
        ASSERT_TRUE(doc.SetProperty("Author", other));
        EXPECT_FALSE(ppt.IsAuthoredByProduct(spDeck)) << other;
    }
}

TEST(PowerPointApplicationTest, SavedPresentationsAndKeywords)
{
    HostSetup<PowerPointApplication> host;
    PowerPointApplication& ppt = host.wrapper;
    EXPECT_EQ(ppt.GetActiveDocumentPath(), "");
    EXPECT_TRUE(ppt.GetKeywords(nullptr).empty());
    EXPECT_TRUE(ppt.SetKeywords(nullptr, {"x"}));

    simoffice::SimDocument* pNew = host.office.Model().New();
    ASSERT_NE(pNew, nullptr);
    EXPECT_FALSE(ppt.IsSavedToFile(PresentationOf(host, *pNew)));
    EXPECT_EQ(ppt.GetFullName(PresentationOf(host, *pNew)), pNew->FullName());
    EXPECT_THROW(ppt.GetFullName(nullptr), ComError);

    const std::string path = host.MakeFile("talk");
    simoffice::SimDocument& doc = host.Open(path);
    EXPECT_TRUE(ppt.IsSavedToFile(PresentationOf(host, doc)));
    EXPECT_EQ(ppt.GetActiveDocumentPath(), path);

    ASSERT_TRUE(doc.SetProperty("Keywords", "alpha, beta,gamma,,"));
    EXPECT_THAT(ppt.GetKeywords(nullptr), ElementsAre("alpha", "beta", "gamma"));
    EXPECT_THAT(ppt.GetKeywords(PresentationOf(host, *pNew)), ElementsAre());
    EXPECT_TRUE(ppt.SetEmbeddedTags({"alpha", "beta", "gamma"}));
    EXPECT_EQ(doc.Property("Keywords"), "alpha, beta, gamma");
    EXPECT_TRUE(ppt.SetKeywords(PresentationOf(host, *pNew), {"n"}));
    EXPECT_EQ(pNew->Property("Keywords"), "n");
    EXPECT_TRUE(ppt.SetKeywords(nullptr, {}));
    EXPECT_EQ(doc.Property("Keywords"), "");

    ASSERT_TRUE(host.database.SetFileTags(path, {"t1"}));
    EXPECT_THAT(ppt.GetActiveDocumentTags(), ElementsAre("t1"));
    EXPECT_THAT(ppt.GetDatabaseTags(path), ElementsAre("t1"));
}

TEST(PowerPointApplicationTest, InsertsTheSlideBehindTheShownOneInTheSlidePane)
{
    HostSetup<PowerPointApplication> host;
    PowerPointApplication& ppt = host.wrapper;
    const std::string source = host.MakeFile("source");
    host.office.Model().SetDefaultSlideCount(4); // what the source file holds

    // Without a window nothing happens.
    EXPECT_TRUE(ppt.InsertSlideFromFile(source, 3));

    const std::string path = host.MakeFile("main");
    std::string error;
    simoffice::SimDocument* pMain = host.office.Model().Open(path, 8, &error);
    ASSERT_NE(pMain, nullptr) << error;
    ASSERT_TRUE(pMain->SetCurrentSlide(5));
    const std::string fifth = pMain->Slides()[4].text;
    const std::string sixth = pMain->Slides()[5].text;

    // The outline pane is active; the insertion makes the slide pane active first.
    powerpoint::DocumentWindowPtr spWindow = ppt.Application().GetActiveWindow();
    spWindow.GetPanes().Item(1).Activate();
    ASSERT_EQ(spWindow.GetPanes().Item(2).GetActive(), office::msoFalse);

    EXPECT_TRUE(ppt.InsertSlideFromFile(source, 3));
    ASSERT_EQ(pMain->Slides().size(), 9u);
    EXPECT_EQ(pMain->Slides()[4].text, fifth);
    EXPECT_THAT(pMain->Slides()[5].text, StartsWith("source"));
    EXPECT_THAT(pMain->Slides()[5].text, ::testing::EndsWith("slide 3"));
    EXPECT_EQ(pMain->Slides()[6].text, sixth);
    EXPECT_EQ(pMain->CurrentSlide(), 5);
    EXPECT_EQ(spWindow.GetPanes().Item(2).GetActive(), office::msoTrue);

    // A slide the file does not have: the host's failure ends the operation.
    EXPECT_THROW(ppt.InsertSlideFromFile(source, 9), ComError);
    EXPECT_EQ(pMain->Slides().size(), 9u);
}

TEST(PowerPointApplicationTest, MergeTagsFromFileOpensClosesAndRefreshes)
{
    HostSetup<PowerPointApplication> host;
    PowerPointApplication& ppt = host.wrapper;
    ASSERT_TRUE(ppt.CreateCommandBar());
    const std::string located = host.MakeFile("located");

    // Another presentation is open: its tag buttons are rebuilt, "&Tag" included.
    const std::string active = host.MakeFile("active");
    host.Open(active);
    ASSERT_TRUE(host.database.SetFileTags(active, {"kept"}));
    ASSERT_TRUE(ppt.RefreshTagToolbar(active, true));
    ASSERT_TRUE(host.database.SetFileTags(active, {"kept", "added"}));
    EXPECT_TRUE(ppt.MergeTagsFromFile(located));
    EXPECT_EQ(host.office.Model().Count(), 1);
    EXPECT_EQ(ppt.GetActiveDocumentPath(), active);
    EXPECT_THAT(Captions(host.Controls()),
                ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag", "kept", "added"));
    EXPECT_TRUE(host.Controls()[3]->State().bEnabled);

    // Nothing else open: the bar keeps "&Tag" and loses the tag buttons.
    host.office.Model().Close(host.office.Model().Active());
    EXPECT_TRUE(ppt.MergeTagsFromFile(located));
    EXPECT_EQ(host.office.Model().Count(), 0);
    EXPECT_THAT(Captions(host.Controls()), ElementsAre("&Quillmark", "Search tags", "&Browse", "&Tag"));
    EXPECT_EQ(ppt.TagButtonCount(), 1);
    EXPECT_FALSE(host.Controls()[3]->State().bEnabled) << "\"&Tag\" with no presentation to tag";

    // A file PowerPoint cannot open changes nothing and fails nothing.
    EXPECT_TRUE(ppt.MergeTagsFromFile(host.folders.dir / "gone.ppt"));
    EXPECT_EQ(host.office.Model().Count(), 0);
}

TEST(PowerPointApplicationTest, OpenDocumentOpensThePresentationInAWindow)
{
    HostSetup<PowerPointApplication> host;
    const std::string path = host.MakeFile("slides");
    EXPECT_TRUE(host.wrapper.OpenDocument(path));
    EXPECT_EQ(host.wrapper.GetActiveDocumentPath(), path);
    powerpoint::_PresentationPtr spOpened;
    EXPECT_TRUE(host.wrapper.OpenPresentation(host.folders.dir / "missing.ppt", spOpened));
    EXPECT_FALSE(spOpened);
    EXPECT_TRUE(host.wrapper.OpenPresentation(path, spOpened));
    EXPECT_EQ(spOpened.GetFullName(), path);
    EXPECT_EQ(host.office.Model().Count(), 1);
}

} // namespace
} // namespace quillmark::test
