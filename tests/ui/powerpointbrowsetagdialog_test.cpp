// The Browse Tags dialog for presentations over the simulated PowerPoint (and,
// opened from Word's search box, over Word): search as you type, previews made
// when missing or older than the file, the slide preview pane, Insert Slide.
#include "host/previewfolder.h"
#include "tests/simoffice/guiapp.h"
#include "tests/ui/browsetestsupport.h"
#include "ui/browseprogresspanel.h"
#include "ui/controls/label.h"
#include "ui/powerpointbrowsetagdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace fs = std::filesystem;

// A presentation file of `slides` slides, as PowerPoint last saved it.
template <class Host>
std::string SavedPresentation(Host& host, const std::string& name, int slides)
{
    const std::string path = host.File(name);
    std::string error;
    simoffice::SimDocument* pDoc = host.office.Model().Open(path, slides, &error);
    if (!pDoc) throw std::runtime_error(error);
    host.Save(*pDoc);
    host.Close(*pDoc);
    return path;
}

std::string PictureSize(const SlidePreviewPane& pane)
{
    const QPixmap pixmap = pane.Picture()->pixmap();
    return pixmap.isNull() ? "none" : std::to_string(pixmap.width()) + "x" + std::to_string(pixmap.height());
}

struct PowerPointBrowseTest : ::testing::Test {
    WithWidgetApp app;
    EventHost<PowerPointApplication> host;
    QueuedPrompts prompts;
    RecordingHooks hooks;

    std::unique_ptr<PowerPointBrowseTagDialog> Dialog(const std::string& search = {})
    {
        auto pDialog = std::make_unique<PowerPointBrowseTagDialog>(host.wrapper);
        pDialog->queryText = search;
        pDialog->Initialise();
        pDialog->show();
        return pDialog;
    }
};

TEST_F(PowerPointBrowseTest, AFirstClickMakesThePreviewAndShowsSlideOne)
{
    const std::string deck = SavedPresentation(host, "deck.ppt", 3);
    host.Store(deck, {"sales"});
    auto pDialog = Dialog();
    SlidePreviewPane& pane = *pDialog->PreviewPane();
    EXPECT_EQ(PictureSize(pane), "320x240"); // the placeholder
    EXPECT_FALSE(pDialog->InsertButton()->isEnabled());

    ClickRow(*pDialog, 0);
    EXPECT_THAT(hooks.Positions(), ElementsAre(50, 75, 100));
    EXPECT_TRUE(pane.isVisible());
    EXPECT_FALSE(pDialog->ProgressPanel()->isVisible());
    EXPECT_THAT(PreviewImageNames(PreviewFolder(host.settings, host.database.GetMd5Hex(deck))),
                ElementsAre("Slide1.JPG", "Slide2.JPG", "Slide3.JPG"));
    EXPECT_NE(host.database.FindDocuments("", {"ppt"})[0].previewDate, 0);
    EXPECT_EQ(pane.Counter()->text().toStdString(), "1 of 3 Slides");
    EXPECT_EQ(PictureSize(pane), "320x240");
    EXPECT_FALSE(pane.PrevControl()->isEnabled());
    EXPECT_TRUE(pane.NextControl()->isEnabled());
    EXPECT_TRUE(pDialog->OpenButton()->isEnabled());
    EXPECT_EQ(host.office.Model().Count(), 0); // opened for the preview, closed again

    // Unchanged: shown again without a new preview.
    hooks.statuses.clear();
    ClickRow(*pDialog, 0);
    EXPECT_THAT(hooks.statuses, IsEmpty());

    // The file changed: made again.
    const auto later = fs::last_write_time(deck) + std::chrono::seconds(5);
    fs::last_write_time(deck, later);
    ClickRow(*pDialog, 0);
    EXPECT_THAT(hooks.Positions(), ElementsAre(50, 75, 100));
}

TEST_F(PowerPointBrowseTest, TheCounterAndNavigationFollowTheSlides)
{
    const std::string deck = SavedPresentation(host, "three.ppt", 3);
    host.Store(deck, {"t"});
    auto pDialog = Dialog();
    SlidePreviewPane& pane = *pDialog->PreviewPane();
    ClickRow(*pDialog, 0);
    QTest::mouseClick(pane.NextControl(), Qt::LeftButton);
    EXPECT_EQ(pane.Counter()->text().toStdString(), "2 of 3 Slides");
    EXPECT_EQ(pDialog->InsertButton()->text().toStdString(), "Insert Slide 2");
    QTest::mouseClick(pane.NextControl(), Qt::LeftButton);
    EXPECT_EQ(pane.Counter()->text().toStdString(), "3 of 3 Slides");
    EXPECT_FALSE(pane.NextControl()->isEnabled());
    EXPECT_TRUE(pane.PrevControl()->isEnabled());
    pane.Next(); // past the end: nothing
    EXPECT_EQ(pane.currentSlide, 3);
    QTest::mouseClick(pane.PrevControl(), Qt::LeftButton);
    EXPECT_EQ(pane.Counter()->text().toStdString(), "2 of 3 Slides");

    // One image: no way to move; none: an empty counter and an empty picture.
    const std::string one = SavedPresentation(host, "one.ppt", 1);
    host.Store(one, {"t"});
    FileItem item = host.database.FindDocuments("", {"ppt"})[1];
    ASSERT_TRUE(host.wrapper.GeneratePreview(one));
    pane.SetItem(item);
    pane.ShowSlide();
    EXPECT_EQ(pane.Counter()->text().toStdString(), "1 of 1 Slides");
    EXPECT_FALSE(pane.NextControl()->isEnabled());
    EXPECT_FALSE(pane.PrevControl()->isEnabled());
    item.md5 = std::string(32, '0'); // no preview folder
    pane.SetItem(item);
    pane.ShowSlide();
    EXPECT_EQ(pane.Counter()->text().toStdString(), "");
    EXPECT_EQ(PictureSize(pane), "none");
    EXPECT_FALSE(pDialog->OpenButton()->isEnabled());

    pane.ClearItem();
    EXPECT_EQ(pane.Counter()->text().toStdString(), "");
    EXPECT_EQ(pDialog->InsertButton()->text().toStdString(), "Insert Slide 0");
}

TEST_F(PowerPointBrowseTest, InsertSlideThreeLandsBehindTheCurrentSlide)
{
    const std::string source = SavedPresentation(host, "source.ppt", 3);
    host.Store(source, {"pick"});
    const std::string target = SavedPresentation(host, "target.ppt", 4);
    simoffice::SimDocument& doc = host.Open(target);
    ASSERT_TRUE(doc.SetCurrentSlide(2));

    auto pDialog = Dialog("pick");
    ClickRow(*pDialog, 0);
    pDialog->PreviewPane()->Next();
    pDialog->PreviewPane()->Next();
    ASSERT_TRUE(pDialog->InsertButton()->isEnabled());
    QTest::mouseClick(pDialog->InsertButton(), Qt::LeftButton);
    EXPECT_EQ(pDialog->result(), IDC_INSERTSLIDE);
    // The dialog is gone at once; the status line says what was done.
    ASSERT_FALSE(hooks.statuses.empty());
    EXPECT_EQ(hooks.statuses.back(), std::make_pair(100, std::string("Slide 3 of \"source.ppt\" was inserted.")));
    ASSERT_EQ(doc.Slides().size(), 5u);
    EXPECT_THAT(doc.Slides()[2].text, ::testing::EndsWith("slide 3"));
    EXPECT_EQ(doc.CurrentSlide(), 2);
}

TEST_F(PowerPointBrowseTest, TypingSearchesAndEmptiesThePreview)
{
    host.Store(SavedPresentation(host, "a.ppt", 1), {"alpha"});
    host.Store(SavedPresentation(host, "b.ppt", 1), {"beta"});
    host.Store(host.File("pic.jpg"), {"alpha"});
    auto pDialog = Dialog();
    EXPECT_THAT(Rows(*pDialog), ElementsAre("a.ppt|alpha", "b.ppt|beta", "pic.jpg|alpha"));
    ClickRow(*pDialog, 1);
    ASSERT_EQ(pDialog->PreviewPane()->slideCount, 1);

    QTest::keyClicks(pDialog->SearchEdit(), "al");
    EXPECT_THAT(Rows(*pDialog), ElementsAre("a.ppt|alpha", "pic.jpg|alpha"));
    EXPECT_EQ(pDialog->PreviewPane()->slideCount, 0);
    EXPECT_EQ(PictureSize(*pDialog->PreviewPane()), "320x240"); // the placeholder again
    EXPECT_FALSE(pDialog->OpenButton()->isEnabled());
    EXPECT_EQ(pDialog->SelectedIndex(), -1);
}

TEST_F(PowerPointBrowseTest, AFailedPreviewIsNotRecordedAndIsTriedAgain)
{
    // A presentation without slides exports no images.
    const std::string path = host.File("empty.ppt");
    std::string error;
    simoffice::SimDocument* pDoc = host.office.Model().Open(path, 0, &error);
    ASSERT_NE(pDoc, nullptr) << error;
    pDoc->Slides().clear();
    host.Save(*pDoc);
    host.Close(*pDoc);
    host.Store(path, {"none"});

    auto pDialog = Dialog();
    ClickRow(*pDialog, 0);
    EXPECT_THAT(hooks.Positions(), ElementsAre(50, 75, 100));
    EXPECT_EQ(host.database.FindDocuments("", {"ppt"})[0].previewDate, 0);
    EXPECT_FALSE(pDialog->OpenButton()->isEnabled());
    EXPECT_EQ(PictureSize(*pDialog->PreviewPane()), "none");

    hooks.statuses.clear();
    ClickRow(*pDialog, 0);
    EXPECT_THAT(hooks.Positions(), ElementsAre(50, 75, 100));
}

TEST(PowerPointBrowseFromWordTest, ListsAndShowsExistingPreviewsButMakesNoneAndCannotInsert)
{
    EnsureWidgetApp();
    EventHost<WordApplication> host;
    QueuedPrompts prompts;
    RecordingHooks hooks;
    const std::string made = host.File("made.ppt");
    const std::string fresh = host.File("fresh.ppt");
    host.Store(made, {"deck"});
    host.Store(fresh, {"deck"});
    // Images made earlier by PowerPoint.
    const std::string folder = PreviewFolder(host.settings, host.database.GetMd5Hex(made));
    fs::create_directories(folder);
    ASSERT_TRUE(imaging::Image::Blank(320, 240).SaveJpeg(folder + "/Slide1.JPG", 90));
    ASSERT_TRUE(imaging::Image::Blank(320, 240).SaveJpeg(folder + "/Slide2.JPG", 90));

    PowerPointBrowseTagDialog dialog(host.wrapper);
    dialog.queryText = "deck";
    dialog.Initialise();
    dialog.show();
    EXPECT_THAT(Rows(dialog), ElementsAre("made.ppt|deck", "fresh.ppt|deck"));

    ClickRow(dialog, 1); // no images and nothing to make them with
    EXPECT_THAT(hooks.statuses, IsEmpty());
    EXPECT_EQ(dialog.PreviewPane()->slideCount, 0);
    EXPECT_FALSE(dialog.OpenButton()->isEnabled());

    ClickRow(dialog, 0);
    EXPECT_THAT(hooks.statuses, IsEmpty());
    EXPECT_EQ(dialog.PreviewPane()->Counter()->text().toStdString(), "1 of 2 Slides");
    EXPECT_EQ(PictureSize(*dialog.PreviewPane()), "320x240");
    EXPECT_FALSE(dialog.InsertButton()->isEnabled());
    ASSERT_TRUE(dialog.OpenButton()->isEnabled());
    QTest::mouseClick(dialog.OpenButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_THAT(hooks.shell, ElementsAre(std::pair<std::string, std::string>("open", made)));
    EXPECT_EQ(host.office.Model().Count(), 0); // Word did not open it
}

} // namespace
} // namespace quillmark::test
