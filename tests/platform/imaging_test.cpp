#include "platform/imaging/image.h"

#include "platform/files/files.h"
#include "tests/support/tempdir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace quillmark;
using quillmark::test::TempDir;

namespace {

// Text drawing needs a GUI application; one for the whole test program.
void EnsureGuiApp()
{
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "imaging_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv); // destroyed at exit, with what it holds
    (void)app;
}

// Writes a two-colour image (left half red, right half blue) through Qt itself.
void WriteSplitPng(const std::string& path, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h, Qt::blue);
    p.end();
    ASSERT_TRUE(img.save(QString::fromStdString(path), "PNG"));
}

bool Near(unsigned rgb, unsigned expected, int tolerance = 40)
{
    for (int shift : {0, 8, 16}) {
        int a = (rgb >> shift) & 0xFF, b = (expected >> shift) & 0xFF;
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

} // namespace

TEST(Imaging, BmpIsTwentyFourBitAndRoundTrips)
{
    TempDir dir;
    imaging::Image img = imaging::Image::Blank(33, 17); // odd width: rows need padding
    ASSERT_FALSE(img.IsNull());
    EXPECT_EQ(img.PixelRgb(0, 0), 0xFFFFFFu);
    EXPECT_EQ(img.PixelRgb(33, 0), 0u) << "outside the image";
    std::string path = dir / "a.bmp";
    std::string error;
    ASSERT_TRUE(img.SaveBmp(path, &error)) << error;

    auto bytes = files::ReadFile(path);
    ASSERT_TRUE(bytes);
    ASSERT_GT(bytes->size(), 54u);
    EXPECT_EQ(bytes->substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>((*bytes)[28]), 24u) << "bits per pixel";

    imaging::Image back = imaging::Image::Load(path, &error);
    ASSERT_FALSE(back.IsNull()) << error;
    EXPECT_EQ(back.Width(), 33);
    EXPECT_EQ(back.Height(), 17);
    EXPECT_EQ(back.PixelRgb(32, 16), 0xFFFFFFu);

    EXPECT_TRUE(imaging::Image::Blank(0, 5).IsNull());
    EXPECT_FALSE(imaging::Image().SaveBmp(dir / "empty.bmp", &error));
    EXPECT_FALSE(files::Exists(dir / "empty.bmp"));
}

TEST(Imaging, StretchIgnoresProportionsAndJpegHonoursQuality)
{
    TempDir dir;
    std::string src = dir / "split.png";
    WriteSplitPng(src, 40, 300);
    std::string error;
    imaging::Image img = imaging::Image::Load(src, &error);
    ASSERT_FALSE(img.IsNull()) << error;

    imaging::Image wide = img.Stretched(320, 240);
    EXPECT_EQ(wide.Width(), 320);
    EXPECT_EQ(wide.Height(), 240);
    EXPECT_TRUE(Near(wide.PixelRgb(10, 120), 0xFF0000)) << std::hex << wide.PixelRgb(10, 120);
    EXPECT_TRUE(Near(wide.PixelRgb(310, 120), 0x0000FF)) << std::hex << wide.PixelRgb(310, 120);

    // A busy picture: the lower quality must give the smaller file.
    QImage noise(200, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) noise.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
    ASSERT_TRUE(noise.save(QString::fromStdString(dir / "noise.png"), "PNG"));
    imaging::Image busy = imaging::Image::Load(dir / "noise.png");
    ASSERT_TRUE(busy.SaveJpeg(dir / "low.jpg", 10, &error)) << error;
    ASSERT_TRUE(busy.SaveJpeg(dir / "high.jpg", 95, &error)) << error;
    auto low = files::ReadFile(dir / "low.jpg");
    auto high = files::ReadFile(dir / "high.jpg");
    ASSERT_TRUE(low && high);
    EXPECT_EQ(static_cast<unsigned char>((*low)[0]), 0xFFu);
    EXPECT_EQ(static_cast<unsigned char>((*low)[1]), 0xD8u);
    EXPECT_LT(low->size(), high->size());
}

TEST(Imaging, ConvertToJpegReportsFailuresAndWritesNothing)
{
    TempDir dir;
    std::string src = dir / "Slide1.BMP";
    WriteSplitPng(dir / "tmp.png", 64, 48);
    ASSERT_TRUE(imaging::Image::Load(dir / "tmp.png").SaveBmp(src));

    std::string error;
    ASSERT_TRUE(imaging::ConvertToJpeg(src, dir / "Slide1.JPG", 320, 240, 90, &error)) << error;
    imaging::Image out = imaging::Image::Load(dir / "Slide1.JPG");
    EXPECT_EQ(out.Width(), 320);
    EXPECT_EQ(out.Height(), 240);

    // Replacing an existing target works.
    ASSERT_TRUE(imaging::ConvertToJpeg(src, dir / "Slide1.JPG", 16, 12, 90, &error)) << error;
    EXPECT_EQ(imaging::Image::Load(dir / "Slide1.JPG").Width(), 16);

    error.clear();
    EXPECT_FALSE(imaging::ConvertToJpeg(dir / "missing.bmp", dir / "m.jpg", 320, 240, 90, &error));
    EXPECT_NE(error.find("missing.bmp"), std::string::npos) << error;
    EXPECT_FALSE(files::Exists(dir / "m.jpg"));

    std::string garbage = dir.WriteFile("garbage.bmp", "BMnot really a bitmap");
    error.clear();
    EXPECT_TRUE(imaging::Image::Load(garbage, &error).IsNull());
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(imaging::ConvertToJpeg(src, dir / "no/such/folder/x.jpg", 320, 240, 90, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(imaging::ConvertToJpeg(src, dir / "zero.jpg", 0, 240, 90, &error));
    EXPECT_FALSE(files::Exists(dir / "zero.jpg"));
}

TEST(Imaging, SlidePictureShowsNumberAndText)
{
    EnsureGuiApp();
    std::string error;
    imaging::Image one = imaging::DrawSlidePicture(1, "Quarterly figures", 320, 240, &error);
    ASSERT_FALSE(one.IsNull()) << error;
    EXPECT_EQ(one.Width(), 320);
    EXPECT_EQ(one.Height(), 240);

    // Pixels inside the frame that are not white: written text.
    auto countInk = [](const imaging::Image& img, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 30; x < img.Width() - 30; ++x)
                if (img.PixelRgb(x, y) != 0xFFFFFFu) ++n;
        return n;
    };
    EXPECT_GT(countInk(one, 20, 62), 100) << "title band";
    EXPECT_GT(countInk(one, 64, 200), 100) << "body";
    EXPECT_EQ(countInk(imaging::DrawSlidePicture(1, "", 320, 240), 64, 200), 0);

    imaging::Image two = imaging::DrawSlidePicture(2, "Quarterly figures", 320, 240, &error);
    imaging::Image other = imaging::DrawSlidePicture(1, "Something else entirely", 320, 240, &error);
    auto differs = [](const imaging::Image& a, const imaging::Image& b) {
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.PixelRgb(x, y) != b.PixelRgb(x, y)) return true;
        return false;
    };
    EXPECT_TRUE(differs(one, two)) << "the number is drawn";
    EXPECT_TRUE(differs(one, other)) << "the text is drawn";
    EXPECT_FALSE(differs(one, imaging::DrawSlidePicture(1, "Quarterly figures", 320, 240)));
    EXPECT_TRUE(imaging::DrawSlidePicture(1, "x", 0, 0, &error).IsNull());
}

TEST(Imaging, AMovedFromImageIsEmptyAndStillUsable)
{
    static_assert(std::is_nothrow_move_constructible_v<imaging::Image> && std::is_nothrow_move_assignable_v<imaging::Image>);
    imaging::Image picture = imaging::Image::Blank(4, 3);
    imaging::Image moved(std::move(picture));
    EXPECT_EQ(moved.Width(), 4);
    // The moved-from image holds nothing and answers as an empty one.
    EXPECT_TRUE(picture.IsNull()); // NOLINT(bugprone-use-after-move): checked on purpose
    EXPECT_EQ(picture.Width(), 0);
    imaging::Image copy(picture);
    EXPECT_TRUE(copy.IsNull());
    picture = moved;
    EXPECT_EQ(picture.Height(), 3);
    imaging::Image other = imaging::Image::Blank(2, 2);
    imaging::Image sink(std::move(other));
    other = sink; // copy into a moved-from image
    EXPECT_EQ(other.Width(), 2);
}
