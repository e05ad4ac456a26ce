// Slide previews over the simulated PowerPoint: the images written into the
// preview folder, their size and format, what happens to bitmaps and older
// images, and which presentations a preview leaves open.
#include "host/presentationuse.h"
#include "host/previewfolder.h"
#include "tests/host/eventhandlertestsupport.h"
#include "tests/simoffice/guiapp.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace fs = std::filesystem;

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The number of colour components of a baseline JPEG (3 for 24-bit RGB), 0 when
// the file has no baseline frame header.
int JpegComponents(const std::string& bytes)
{
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && static_cast<unsigned char>(bytes[i + 1]) == 0xC0)
            return static_cast<unsigned char>(bytes[i + 9]);
    return 0;
}

struct PreviewTest : ::testing::Test {
    PreviewTest() { EnsureGuiApp(); }
    EventHost<PowerPointApplication> host;
    PowerPointApplication& ppt = host.wrapper;

    std::string Folder(const std::string& path) { return PreviewFolder(host.settings, host.database.GetMd5Hex(path)); }
    // A presentation file of `slides` slides that PowerPoint knows (saved by this
    // process), closed again.
    std::string Presentation(const std::string& name, int slides)
    {
        const std::string path = host.File(name);
        std::string error;
        simoffice::SimDocument* pDoc = host.office.Model().Open(path, slides, &error);
        if (!pDoc) throw std::runtime_error(error);
        host.Save(*pDoc);
        host.Close(*pDoc);
        return path;
    }
};

TEST_F(PreviewTest, GeneratePreviewWritesOneJpegPerSlideAndNoBitmaps)
{
    const std::string path = Presentation("deck.ppt", 3);
    const std::string folder = Folder(path);
    EXPECT_EQ(folder, host.settings.DatabasePath + host.database.GetMd5Hex(path));

    EXPECT_TRUE(ppt.GeneratePreview(path));
    EXPECT_THAT(files::ListFiles(folder, "*"), ElementsAre("Slide1.JPG", "Slide2.JPG", "Slide3.JPG"));
    for (int slide = 1; slide <= 3; ++slide) {
        const std::string image = FindSlideImage(folder, slide);
        ASSERT_FALSE(image.empty()) << slide;
        imaging::Image loaded = imaging::Image::Load(image);
        EXPECT_EQ(loaded.Width(), 320);
        EXPECT_EQ(loaded.Height(), 240);
        EXPECT_EQ(JpegComponents(Bytes(image)), 3);
    }
    // The file was opened for the preview and closed again.
    EXPECT_EQ(host.office.Model().Count(), 0);
}

TEST_F(PreviewTest, APresentationCutShortKeepsTheImagesOfItsFormerLastSlides)
{
    const std::string path = Presentation("talk.ppt", 3);
    ASSERT_TRUE(ppt.GeneratePreview(path));
    const std::string folder = Folder(path);
    const std::string third = Bytes(folder + "/Slide3.JPG");

    std::string error;
    simoffice::SimDocument* pDoc = host.office.Model().Open(path, 2, &error);
    ASSERT_NE(pDoc, nullptr) << error;
    pDoc->Slides()[0].text = "a new first slide";
    host.Save(*pDoc);
    host.Close(*pDoc);
    const std::string first = Bytes(folder + "/Slide1.JPG");

    EXPECT_TRUE(ppt.GeneratePreview(path));
    EXPECT_THAT(files::ListFiles(folder, "*"), ElementsAre("Slide1.JPG", "Slide2.JPG", "Slide3.JPG"));
    EXPECT_NE(Bytes(folder + "/Slide1.JPG"), first);
    EXPECT_EQ(Bytes(folder + "/Slide3.JPG"), third);
    EXPECT_EQ(PreviewImageNames(folder).size(), 3u);
}

TEST_F(PreviewTest, AnOpenPresentationIsExportedAsItStandsAndLeftOpen)
{
    const std::string path = Presentation("open.ppt", 2);
    std::string error;
    simoffice::SimDocument* pDoc = host.office.Model().Open(path, 0, &error);
    ASSERT_NE(pDoc, nullptr) << error;
    pDoc->SetSlideCount(4); // unsaved change
    pDoc->MarkChanged();
    const std::string other = Presentation("other.ppt", 1);
    host.Activate(*host.office.Model().Find(path));

    EXPECT_TRUE(ppt.GeneratePreview(path));
    EXPECT_EQ(PreviewImageNames(Folder(path)).size(), 4u);
    ASSERT_EQ(host.office.Model().Find(path), pDoc);
    EXPECT_FALSE(pDoc->Saved());
    EXPECT_EQ(pDoc->Slides().size(), 4u);

    // A file opened for the preview goes again; the user's presentation stays active.
    EXPECT_TRUE(ppt.GeneratePreview(other));
    EXPECT_EQ(host.office.Model().Count(), 1);
    EXPECT_EQ(host.office.Model().Active(), pDoc);
}

TEST_F(PreviewTest, SavePresentationPreviewExportsTheActivePresentation)
{
    EXPECT_FALSE(ppt.SavePresentationPreview()); // nothing open

    const std::string path = Presentation("active.ppt", 2);
    simoffice::SimDocument& doc = host.Open(path);
    EXPECT_TRUE(ppt.SavePresentationPreview());
    EXPECT_THAT(PreviewImageNames(Folder(path)), ElementsAre("Slide1.JPG", "Slide2.JPG"));
    EXPECT_EQ(host.office.Model().Active(), &doc);
}

TEST_F(PreviewTest, NoImagesIsReportedAndLeavesTheFolderAsItWas)
{
    // PowerPoint cannot open a missing file: no images, nothing left open.
    const std::string missing = host.docs + "/missing.ppt";
    EXPECT_FALSE(ppt.GeneratePreview(missing));
    EXPECT_THAT(PreviewImageNames(Folder(missing)), IsEmpty());
    EXPECT_EQ(host.office.Model().Count(), 0);

    // A bitmap that cannot be read is deleted all the same; the others still convert,
    // and an image spelled differently for the same slide does not stay beside the new one.
    const std::string path = Presentation("mixed.ppt", 1);
    const std::string folder = Folder(path);
    ASSERT_TRUE(files::MakeDirectories(folder));
    host.File(folder + "/Slide7.bmp", "not a bitmap");
    host.File(folder + "/slide1.jpg", "an old image");
    EXPECT_TRUE(ppt.GeneratePreview(path));
    EXPECT_THAT(files::ListFiles(folder, "*"), ElementsAre("Slide1.JPG"));

    // Only unreadable bitmaps: no image was written.
    host.File(folder + "/Slide2.BMP", "still not a bitmap");
    simoffice::SimDocument& doc = host.Open(path);
    doc.Slides().clear(); // PowerPoint exports nothing
    EXPECT_FALSE(ppt.SavePresentationPreview());
    EXPECT_THAT(files::ListFiles(folder, "*"), ElementsAre("Slide1.JPG"));
}

TEST(PresentationPreviewTest, ConvertToJpegStretchesInto320x240AtQuality90)
{
    EnsureGuiApp();
    TempDir dir;
    imaging::Image wide = imaging::Image::Blank(800, 200); // proportions unlike the preview
    const std::string source = dir / "wide.bmp";
    ASSERT_TRUE(wide.SaveBmp(source));

    imaging::EncoderParameters par;
    par.quality = iCompressionQuality;
    const std::string target = dir / "wide.JPG";
    ASSERT_TRUE(ConvertToJpeg(source, target, par));
    const std::string expected = dir / "expected.jpg";
    ASSERT_TRUE(imaging::Image::Load(source).Stretched(320, 240).SaveJpeg(expected, 90));
    EXPECT_EQ(Bytes(target), Bytes(expected));

    // An unreadable source leaves an existing target as it was.
    const std::string bad = dir / "bad.bmp";
    std::ofstream(bad) << "no image";
    EXPECT_FALSE(ConvertToJpeg(bad, target, par));
    EXPECT_EQ(Bytes(target), Bytes(expected));

    imaging::ImageEncoder encoder;
    const int index = FindImageEncoder("image/jpeg", encoder);
    ASSERT_GE(index, 0);
    EXPECT_EQ(encoder.mimeType, "image/jpeg");
    EXPECT_EQ(imaging::GetImageEncoders()[static_cast<size_t>(index)].format, encoder.format);
    imaging::ImageEncoder untouched{"x", "y"};
    EXPECT_EQ(FindImageEncoder("image/JPEG", untouched), -1); // exact text
    EXPECT_EQ(untouched.format, "y");
}

TEST(PreviewFolderTest, ImagesAreFoundAndCountedWhateverTheirCase)
{
    TempDir dir;
    const std::string folder = dir / "f";
    EXPECT_THAT(PreviewImageNames(folder), IsEmpty()); // no folder
    EXPECT_EQ(FindSlideImage(folder, 1), "");
    fs::create_directories(folder);
    for (const char* name : {"Slide1.JPG", "slide2.jpg", "Cover.Jpg", "notes.txt", "Slide3.jpeg"})
        dir.WriteFile(std::string("f/") + name, "x");
    EXPECT_THAT(PreviewImageNames(folder), ElementsAre("Cover.Jpg", "Slide1.JPG", "slide2.jpg"));
    EXPECT_EQ(FindSlideImage(folder, 1), folder + "/Slide1.JPG");
    EXPECT_EQ(FindSlideImage(folder, 2), folder + "/slide2.jpg");
    EXPECT_EQ(FindSlideImage(folder, 3), "");
    EXPECT_EQ(FindSlideImage(folder, 11), "");
}

} // namespace
} // namespace quillmark::test
