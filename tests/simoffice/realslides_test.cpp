// Real slides through LibreOffice, driven from outside: a three-slide presentation
// that LibreOffice itself made (as .pptx and as .ppt) opens in quillmark-host with
// its slides and titles, and exports three different pictures rendered from it.
// Skipped where LibreOffice is not installed.
#include "platform/files/files.h"
#include "platform/imaging/image.h"
#include "tests/simoffice/guiapp.h"
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quillmark;
using quillmark::test::ProcessOptions;
using quillmark::test::ProcessResult;
using quillmark::test::RunProcess;
using quillmark::test::TempDir;

namespace {

// The LibreOffice program; empty when it is not installed.
std::string LibreOffice()
{
    for (const char* dir : {"/usr/bin/", "/usr/local/bin/"})
        if (access((std::string(dir) + "soffice").c_str(), X_OK) == 0) return std::string(dir) + "soffice";
    return {};
}

// Three 16:9 pages; each title sits in the master's title place (so that every format
// keeps it a title); the second page has a filled rectangle besides.
std::string ThreePageFlatOdp()
{
    auto page = [](const char* name, const char* title, const char* extra) {
        return std::string("<draw:page draw:name=\"") + name +
               "\" draw:master-page-name=\"Default\"><draw:frame presentation:style-name=\"T\" "
               "presentation:class=\"title\" svg:x=\"2cm\" svg:y=\"1cm\" svg:width=\"24cm\" svg:height=\"3cm\">"
               "<draw:text-box><text:p>" +
               title + "</text:p></draw:text-box></draw:frame>" + extra + "</draw:page>";
    };
    return std::string(
               R"(<?xml version="1.0" encoding="UTF-8"?>)"
               R"(<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
               R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
               R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
               R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
               R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" )"
               R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" )"
               R"(xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" office:version="1.2" )"
               R"(office:mimetype="application/vnd.oasis.opendocument.presentation">)"
               R"(<office:styles><style:style style:name="T" style:family="presentation"/></office:styles>)"
               R"(<office:automatic-styles><style:page-layout style:name="PM1"><style:page-layout-properties )"
               R"(fo:page-width="28cm" fo:page-height="15.75cm"/></style:page-layout></office:automatic-styles>)"
               R"(<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1">)"
               R"(<draw:frame presentation:style-name="T" presentation:class="title" presentation:placeholder="true" )"
               R"(svg:x="2cm" svg:y="1cm" svg:width="24cm" svg:height="3cm"><draw:text-box/></draw:frame>)"
               R"(</style:master-page></office:master-styles><office:body><office:presentation>)") +
           page("p1", "Alpha", "") +
           page("p2", "Beta", R"(<draw:rect svg:x="3cm" svg:y="7cm" svg:width="10cm" svg:height="6cm"/>)") +
           page("p3", "Gamma", "") + "</office:presentation></office:body></office:document>";
}

bool Convert(const TempDir& dir, const std::string& format, const std::string& file)
{
    ProcessResult r = RunProcess({LibreOffice(), "--headless", "-env:UserInstallation=file://" + dir.Path() + "/profile",
                                  "--convert-to", format, "--outdir", dir.Path(), dir / file});
    return r.exitCode == 0;
}

} // namespace

TEST(RealSlides, LibreOfficePresentationOpensWithItsSlidesAndExportsThemRendered)
{
    if (LibreOffice().empty()) GTEST_SKIP() << "LibreOffice is not installed";
    test::EnsureGuiApp();
    TempDir dir;
    dir.WriteFile("deck.fodp", ThreePageFlatOdp());
    ASSERT_TRUE(Convert(dir, "pptx", "deck.fodp"));
    ASSERT_TRUE(Convert(dir, "ppt", "deck.fodp"));

    ProcessOptions options;
    options.env["QUILLMARK_REGISTRY"] = dir / "registry.reg";
    options.env["QT_QPA_PLATFORM"] = "offscreen";
    options.env["TMPDIR"] = dir.Path();
    options.workingDir = dir.Path();
    options.input = "open deck.pptx\nslides\nslide-list\nexport out bmp\nopen deck.ppt\nslides\nslide-list\n";
    ProcessResult r = RunProcess({QUILLMARK_HOST_BIN, "--host", "powerpoint", "--no-addins", "--script", "-"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // LibreOffice keeps only the first title of these pages a title in the 97-2003 format.
    EXPECT_EQ(r.out, "> open deck.pptx\n> slides\n3\n> slide-list\n* 1 Alpha\n  2 Beta\n  3 Gamma\n"
                     "> export out bmp\n> open deck.ppt\n> slides\n3\n> slide-list\n* 1 Alpha\n  2 \n  3 \n");

    std::vector<imaging::Image> pictures;
    for (int i = 1; i <= 3; ++i) {
        pictures.push_back(imaging::Image::Load(dir / ("out/Slide" + std::to_string(i) + ".BMP")));
        ASSERT_FALSE(pictures.back().IsNull()) << i;
        // Rendered pages keep the page's shape; drawn slides would be 640 x 480.
        EXPECT_EQ(pictures.back().Width(), 640);
        EXPECT_EQ(pictures.back().Height(), 360);
    }
    // The rectangle of the second page (3..13 cm across, 7..13 cm down) is there and only there.
    const int x = 8 * 640 / 28, y = 10 * 360 * 100 / 1575;
    EXPECT_EQ(pictures[0].PixelRgb(x, y), 0xFFFFFFu);
    EXPECT_NE(pictures[1].PixelRgb(x, y), 0xFFFFFFu);
    EXPECT_EQ(pictures[2].PixelRgb(x, y), 0xFFFFFFu);
    // The titles differ, so do the pictures.
    auto differ = [](const imaging::Image& p, const imaging::Image& q) {
        for (int yy = 0; yy < 360; yy += 2)
            for (int xx = 0; xx < 640; xx += 2)
                if (p.PixelRgb(xx, yy) != q.PixelRgb(xx, yy)) return true;
        return false;
    };
    EXPECT_TRUE(differ(pictures[0], pictures[2]));
    EXPECT_TRUE(differ(pictures[0], pictures[1]));
    // LibreOffice's private folder is gone with the host.
    EXPECT_TRUE(files::ListFiles(dir.Path(), "quillmark-slides-*").empty());
}
