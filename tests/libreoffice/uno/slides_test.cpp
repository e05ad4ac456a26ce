// Presentations through the office: slides, titles, pictures made by the office,
// slides inserted from another file and present in the saved file.
#include "tests/libreoffice/uno/officeenvironment.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

using namespace quillmark;
using namespace quillmark::libreoffice;
using quillmark::test::FileBytes;
using quillmark::test::FlatPresentation;
using quillmark::test::Office;
using quillmark::test::TempDir;

namespace {

// A .pptx made by the office from slides with these titles.
std::string MakePptx(const TempDir& dir, const std::string& name, const std::vector<std::string>& titles)
{
    const std::string flat = dir.WriteFile(name + ".fodp", FlatPresentation(titles));
    std::string error;
    const DocumentId id = Office().Load(flat, true, &error);
    EXPECT_NE(id, 0u) << error;
    EXPECT_TRUE(Office().StoreCopy(id, dir / (name + ".pptx"), &error)) << error;
    EXPECT_TRUE(Office().Close(id, &error)) << error;
    return dir / (name + ".pptx");
}

} // namespace

TEST(UnoSlides, CountTitlesAndPicturesAtTheAskedSize)
{
    TempDir dir;
    const std::string deck = MakePptx(dir, "deck", {"Alpha", "Beta", "Gamma"});
    std::string error;
    const DocumentId id = Office().Load(deck, true, &error);
    ASSERT_NE(id, 0u) << error;
    EXPECT_EQ(Office().Info(id, &error).kind, DocumentKind::Presentation);
    EXPECT_EQ(Office().SlideCount(id, &error), 3) << error;
    EXPECT_EQ(Office().SlideTitles(id, &error), (std::vector<std::string>{"Alpha", "Beta", "Gamma"})) << error;

    ASSERT_TRUE(Office().ExportSlides(id, dir / "previews/new", "JPG", 320, 240, &error)) << error;
    for (int n = 1; n <= 3; ++n) {
        QImage picture(QString::fromStdString(dir / ("previews/new/Slide" + std::to_string(n) + ".JPG")));
        ASSERT_FALSE(picture.isNull()) << "slide " << n;
        EXPECT_EQ(picture.width(), 320);
        EXPECT_EQ(picture.height(), 240);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "previews/new/Slide4.JPG"));
    ASSERT_TRUE(Office().ExportSlides(id, dir / "bmp", "bmp", 64, 48, &error)) << error;
    EXPECT_EQ(QImage(QString::fromStdString(dir / "bmp/Slide2.bmp")).size(), QSize(64, 48));
    EXPECT_FALSE(Office().ExportSlides(id, dir / "gif", "GIF", 64, 48, &error));
    EXPECT_NE(error.find("\"GIF\" is not a picture format"), std::string::npos) << error;
    // Exporting changes nothing in the document.
    EXPECT_FALSE(Office().Info(id, &error).bModified);
    EXPECT_TRUE(Office().Close(id, &error)) << error;
}

TEST(UnoSlides, InsertedSlidesCarryTheirContentIntoTheSavedFile)
{
    TempDir dir;
    const std::string deck = MakePptx(dir, "deck", {"Alpha", "Beta", "Gamma"});
    const std::string extra = MakePptx(dir, "extra", {"Delta", "Epsilon"});
    const std::string extraBytes = FileBytes(extra);
    std::string error;
    const DocumentId id = Office().Load(deck, true, &error);
    ASSERT_NE(id, 0u) << error;

    // Behind slide 1, slide 2 of the other file.
    EXPECT_EQ(Office().InsertSlides(id, extra, 1, 2, 2, &error), 1) << error;
    EXPECT_EQ(Office().SlideTitles(id, &error), (std::vector<std::string>{"Alpha", "Epsilon", "Beta", "Gamma"}));
    // At the front, both; the first slide keeps its content behind them.
    EXPECT_EQ(Office().InsertSlides(id, extra, 0, 1, -1, &error), 2) << error;
    EXPECT_EQ(Office().SlideTitles(id, &error),
              (std::vector<std::string>{"Delta", "Epsilon", "Alpha", "Epsilon", "Beta", "Gamma"}));

    // Slides that are not there, a missing file: nothing inserted.
    EXPECT_EQ(Office().InsertSlides(id, extra, 1, 2, 5, &error), -1);
    EXPECT_NE(error.find("holds 2 slides"), std::string::npos) << error;
    EXPECT_EQ(Office().InsertSlides(id, dir / "none.pptx", 1, 1, 1, &error), -1);
    EXPECT_NE(error.find("none.pptx"), std::string::npos) << error;
    EXPECT_EQ(Office().InsertSlides(id, extra, 9, 1, 1, &error), -1);
    EXPECT_EQ(Office().SlideCount(id, &error), 6);

    ASSERT_TRUE(Office().Store(id, "", &error)) << error;
    ASSERT_TRUE(Office().Close(id, &error)) << error;
    EXPECT_EQ(FileBytes(extra), extraBytes) << "the source file was changed";
    // The saved file, opened afresh, has them, with the source's other shapes.
    const DocumentId again = Office().Load(deck, true, &error);
    ASSERT_NE(again, 0u) << error;
    EXPECT_EQ(Office().SlideTitles(again, &error),
              (std::vector<std::string>{"Delta", "Epsilon", "Alpha", "Epsilon", "Beta", "Gamma"}));
    ASSERT_TRUE(Office().ExportSlides(again, dir / "saved", "PNG", 160, 120, &error)) << error;
    // The copied slide shows its rectangle as the source slide does.
    ASSERT_TRUE(Office().ExportSlides(again, dir / "saved", "PNG", 160, 120, &error)) << error;
    const QImage copied(QString::fromStdString(dir / "saved/Slide2.PNG"));
    const QImage original(QString::fromStdString(dir / "saved/Slide4.PNG"));
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied, original);
    EXPECT_TRUE(Office().Close(again, &error)) << error;
}
