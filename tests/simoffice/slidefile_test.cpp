// Slides read from presentation files: counts and titles of Office Open XML and
// OpenDocument packages made here, damaged files, and what the office model makes of
// them (opening, inserting slides, drawing slides whose file cannot be rendered, with a
// notice).
#include "simoffice/officemodel.h"
#include "simoffice/slidefile.h"

#include "platform/files/files.h"
#include "platform/imaging/image.h"
#include "tests/simoffice/guiapp.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <map>

using namespace quillmark;
using namespace quillmark::officecore;
using namespace quillmark::simoffice;
using quillmark::test::ScopedEnv;
using quillmark::test::TempDir;

namespace {

// A zip package with the given parts.
void WritePackage(const std::string& path, const std::map<std::string, std::string>& parts)
{
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, content] : parts) {
        zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
        ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

const std::string kP = R"(xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" )"
                       R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
                       R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

std::string OoxmlSlide(const std::string& phType, const std::string& paragraphsXml)
{
    return "<p:sld " + kP + "><p:cSld><p:spTree>"
           "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Body\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"body\"/></p:nvPr></p:nvSpPr>"
           "<p:txBody><a:p><a:r><a:t>body text</a:t></a:r></a:p></p:txBody></p:sp>"
           "<p:sp><p:nvSpPr><p:cNvPr id=\"3\" name=\"T\"/><p:cNvSpPr/><p:nvPr>" +
           (phType.empty() ? "" : "<p:ph type=\"" + phType + "\"/>") + "</p:nvPr></p:nvSpPr><p:txBody>" + paragraphsXml +
           "</p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
}

// Three slides whose order in the slide list differs from their part names.
std::map<std::string, std::string> ThreeSlidePptx()
{
    return {
        {"ppt/presentation.xml", "<p:presentation " + kP +
                                     "><p:sldIdLst><p:sldId id=\"256\" r:id=\"rId7\"/><p:sldId id=\"257\" r:id=\"rId5\"/>"
                                     "<p:sldId id=\"258\" r:id=\"rId6\"/></p:sldIdLst></p:presentation>"},
        {"ppt/_rels/presentation.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId5" Type="x/slide" Target="slides/slide1.xml"/>)"
         R"(<Relationship Id="rId6" Type="x/slide" Target="/ppt/slides/slide2.xml"/>)"
         R"(<Relationship Id="rId7" Type="x/slide" Target="slides/../slides/slide3.xml"/></Relationships>)"},
        {"ppt/slides/slide1.xml", OoxmlSlide("title", "<a:p><a:r><a:t>Budget </a:t></a:r><a:r><a:t>2026</a:t></a:r></a:p>"
                                                      "<a:p><a:r><a:t>second line</a:t></a:r></a:p>")},
        {"ppt/slides/slide2.xml", OoxmlSlide("", "<a:p><a:r><a:t>not a title</a:t></a:r></a:p>")},
        {"ppt/slides/slide3.xml", OoxmlSlide("ctrTitle", "<a:p><a:r><a:t>Opening</a:t></a:r></a:p>")},
    };
}

std::string OdpContent(const std::string& pagesXml)
{
    return R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
           R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
           R"(xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" )"
           R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:presentation>)" +
           pagesXml + "</office:presentation></office:body></office:document-content>";
}

std::vector<std::string> Texts(const std::vector<Slide>& slides)
{
    std::vector<std::string> texts;
    for (const Slide& s : slides) texts.push_back(s.text);
    return texts;
}

using V = std::vector<std::string>;

} // namespace

TEST(SlideFile, OfficeOpenXmlCountsSlidesInListOrderWithTitles)
{
    TempDir dir;
    const std::string deck = dir / "deck.PPTX";
    WritePackage(deck, ThreeSlidePptx());
    std::string error;
    auto titles = ReadSlideTitles(deck, &error);
    ASSERT_TRUE(titles) << error;
    // slide3 first (list order), its centred title; slide1's two paragraphs joined;
    // slide2's text is no title.
    EXPECT_EQ(*titles, (V{"Opening", "Budget 2026 second line", ""}));

    // Without the relationships the count is still right, the titles unknown.
    auto parts = ThreeSlidePptx();
    parts.erase("ppt/_rels/presentation.xml.rels");
    WritePackage(dir / "norels.pptx", parts);
    titles = ReadSlideTitles(dir / "norels.pptx", &error);
    ASSERT_TRUE(titles) << error;
    EXPECT_EQ(*titles, (V{"", "", ""}));

    // A presentation without slides has none.
    WritePackage(dir / "empty.pptx", {{"ppt/presentation.xml", "<p:presentation " + kP + "/>"}});
    titles = ReadSlideTitles(dir / "empty.pptx", &error);
    ASSERT_TRUE(titles) << error;
    EXPECT_TRUE(titles->empty());
}

TEST(SlideFile, OpenDocumentCountsPagesWithTitles)
{
    TempDir dir;
    WritePackage(dir / "talk.odp",
                 {{"content.xml",
                   OdpContent(R"(<draw:page draw:name="a"><draw:frame presentation:class="subtitle"><draw:text-box>)"
                              R"(<text:p>sub</text:p></draw:text-box></draw:frame><draw:frame presentation:class="title">)"
                              R"(<draw:text-box><text:p>First <text:span>page</text:span></text:p></draw:text-box>)"
                              R"(</draw:frame></draw:page><draw:page draw:name="b"/>)"
                              R"(<draw:page draw:name="c"><draw:frame presentation:class="title"><draw:text-box>)"
                              R"(<text:p>Line one</text:p><text:p>line two</text:p></draw:text-box></draw:frame></draw:page>)")}});
    std::string error;
    auto titles = ReadSlideTitles(dir / "talk.odp", &error);
    ASSERT_TRUE(titles) << error;
    EXPECT_EQ(*titles, (V{"First page", "", "Line one line two"}));
}

TEST(SlideFile, DamagedOrMislabelledFilesAreErrors)
{
    TempDir dir;
    WritePackage(dir / "whole.pptx", ThreeSlidePptx());
    std::string bytes = *files::ReadFile(dir / "whole.pptx");
    dir.WriteFile("truncated.pptx", bytes.substr(0, bytes.size() / 2));
    dir.WriteFile("text.pptx", "just some text\n");
    dir.WriteFile("text.ppt", "just some text\n");
    dir.WriteFile("text.odp", "");
    WritePackage(dir / "noxml.pptx", {{"ppt/presentation.xml", "<p:presentation"}});
    WritePackage(dir / "nopres.odp", {{"content.xml", "<x/>"}});
    WritePackage(dir / "wrongroot.pptx", {{"ppt/presentation.xml", "<other/>"}});
    for (const char* name : {"truncated.pptx", "text.pptx", "text.ppt", "text.odp", "noxml.pptx", "nopres.odp",
                             "wrongroot.pptx", "missing.pptx", "notes.txt"}) {
        std::string error;
        EXPECT_FALSE(ReadSlideTitles(dir / name, &error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << name << ": " << error;
    }
}

TEST(SlideFile, ModelOpensRealSlidesInsertsThemAndDrawsWhatCannotBeRendered)
{
    quillmark::test::EnsureGuiApp();
    TempDir dir;
    WritePackage(dir / "deck.pptx", ThreeSlidePptx());
    dir.WriteFile("broken.pptx", "not a zip");
    dir.WriteFile("plain.ppt", "not a compound file");
    OfficeModel model(HostKind::PowerPoint);
    model.SetDefaultSlideCount(2);
    std::vector<std::string> messages;
    model.SetNotices([&](const std::string& text) { messages.push_back(text); });

    SimDocument* pDeck = model.Open(dir / "deck.pptx", 0, nullptr);
    ASSERT_NE(pDeck, nullptr);
    EXPECT_EQ(Texts(pDeck->Slides()), (V{"Opening", "Budget 2026 second line", ""}));
    EXPECT_EQ(pDeck->Slides()[1].source, dir / "deck.pptx");
    EXPECT_EQ(pDeck->Slides()[1].page, 2);
    EXPECT_TRUE(pDeck->Saved());

    // A file that is not what its extension says still opens, with made-up slides.
    SimDocument* pBroken = model.Open(dir / "broken.pptx", 0, nullptr);
    ASSERT_NE(pBroken, nullptr);
    EXPECT_EQ(Texts(pBroken->Slides()), (V{"broken.pptx - slide 1", "broken.pptx - slide 2"}));
    EXPECT_TRUE(pBroken->Slides()[0].source.empty());
    SimDocument* pPlain = model.Open(dir / "plain.ppt", 0, nullptr);
    ASSERT_NE(pPlain, nullptr);
    EXPECT_EQ(pPlain->Slides().size(), 2u);

    // Inserting takes the file's real slides (in memory only: the file stays as it is).
    const std::string before = *files::ReadFile(dir / "deck.pptx");
    ASSERT_TRUE(model.Activate(pBroken));
    EXPECT_EQ(model.InsertFromFile(*pBroken, dir / "deck.pptx", 1, 1, 2, nullptr), 2);
    EXPECT_EQ(Texts(pBroken->Slides()),
              (V{"broken.pptx - slide 1", "Opening", "Budget 2026 second line", "broken.pptx - slide 2"}));
    EXPECT_EQ(pBroken->Slides()[2].page, 2);
    EXPECT_FALSE(pBroken->Saved());
    EXPECT_EQ(*files::ReadFile(dir / "deck.pptx"), before);

    // Slides whose file LibreOffice cannot render are drawn, with one message per file.
    ScopedEnv soffice("QUILLMARK_SOFFICE", dir / "no-such-program");
    messages.clear();
    std::string error;
    ASSERT_TRUE(model.ExportSlides(*pBroken, dir / "out", "BMP", &error)) << error;
    for (int i = 1; i <= 4; ++i) {
        imaging::Image picture = imaging::Image::Load(dir / ("out/Slide" + std::to_string(i) + ".BMP"));
        ASSERT_FALSE(picture.IsNull()) << i;
        EXPECT_EQ(picture.Width(), OfficeModel::kSlideWidth);
        EXPECT_EQ(picture.Height(), OfficeModel::kSlideHeight);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("cannot render the slides of " + dir / "deck.pptx"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("cannot be started"), std::string::npos) << messages[0];
}

TEST(SlideFile, HostileFilesCostBoundedWorkAndAreRefusedWithAReason)
{
    TempDir dir;
    std::string error;
    const std::string rels = R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                             R"(<Relationship Id="rId1" Type="x/slide" Target="slides/slide1.xml"/>)"
                             R"(<Relationship Id="rId2" Type="x/slide" Target="../../../../etc/passwd"/></Relationships>)";
    auto presentation = [](const std::string& ids) {
        return "<p:presentation " + kP + "><p:sldIdLst>" + ids + "</p:sldIdLst></p:presentation>";
    };

    // 200 slide ids naming one 2 MB slide: it is read and parsed once, so every id
    // gets its title (reading it 200 times would pass what a file may inflate to).
    std::string ids;
    for (int i = 0; i < 200; ++i) ids += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"rId1\"/>";
    std::string slide = OoxmlSlide("title", "<a:p><a:r><a:t>Shared</a:t></a:r></a:p>");
    slide.insert(slide.find("</p:cSld>"), "<p:extLst><p:ext uri=\"x\">" + std::string(2u << 20, 'p') + "</p:ext></p:extLst>");
    WritePackage(dir / "shared.pptx", {{"ppt/presentation.xml", presentation(ids)},
                                       {"ppt/_rels/presentation.xml.rels", rels},
                                       {"ppt/slides/slide1.xml", slide}});
    auto titles = ReadSlideTitles(dir / "shared.pptx", &error);
    ASSERT_TRUE(titles) << error;
    EXPECT_EQ(*titles, V(200, "Shared"));

    // 200,000 slides from a few KB: more than a presentation holds, refused.
    ids.clear();
    for (int i = 0; i < 200000; ++i) ids += "<p:sldId id=\"300\" r:id=\"rId1\"/>";
    WritePackage(dir / "many.pptx", {{"ppt/presentation.xml", presentation(ids)}});
    EXPECT_LT(files::GetFileStamp(dir / "many.pptx").size, 100000u);
    EXPECT_FALSE(ReadSlideTitles(dir / "many.pptx", &error));
    EXPECT_NE(error.find("more than 10000 slides"), std::string::npos) << error;
    std::string pages;
    for (int i = 0; i < 10001; ++i) pages += "<draw:page/>";
    WritePackage(dir / "many.odp", {{"content.xml", OdpContent(pages)}});
    EXPECT_FALSE(ReadSlideTitles(dir / "many.odp", &error));
    EXPECT_NE(error.find("more than 10000 slides"), std::string::npos) << error;

    // Entities never expand; a target outside the package is not followed; a
    // title is cut, not the reader's memory.
    WritePackage(dir / "bomb.pptx",
                 {{"ppt/presentation.xml", "<!DOCTYPE p:presentation [<!ENTITY x \"" + std::string(100000, 'x') +
                                               "\">]>" + presentation("<p:sldId id=\"256\" r:id=\"&x;\"/>")}});
    EXPECT_FALSE(ReadSlideTitles(dir / "bomb.pptx", &error));
    EXPECT_NE(error.find("declares a document type"), std::string::npos) << error;
    WritePackage(dir / "escape.pptx",
                 {{"ppt/presentation.xml", presentation("<p:sldId id=\"256\" r:id=\"rId2\"/><p:sldId id=\"257\" r:id=\"rId1\"/>")},
                  {"ppt/_rels/presentation.xml.rels", rels},
                  {"ppt/slides/slide1.xml",
                   OoxmlSlide("title", "<a:p><a:r><a:t>" + std::string(10000, 'T') + "</a:t></a:r></a:p>")}});
    titles = ReadSlideTitles(dir / "escape.pptx", &error);
    ASSERT_TRUE(titles) << error;
    ASSERT_EQ(titles->size(), 2u);
    EXPECT_EQ((*titles)[0], "");
    EXPECT_EQ((*titles)[1], std::string(kMaxTitleBytes, 'T'));
}

TEST(SlideFile, TheModelKeepsTheSlideLimitForFiles)
{
    quillmark::test::EnsureGuiApp();
    TempDir dir;
    WritePackage(dir / "deck.pptx", ThreeSlidePptx());
    std::string ids;
    for (int i = 0; i < 20000; ++i) ids += "<p:sldId id=\"300\" r:id=\"rId1\"/>";
    WritePackage(dir / "many.pptx",
                 {{"ppt/presentation.xml", "<p:presentation " + kP + "><p:sldIdLst>" + ids + "</p:sldIdLst></p:presentation>"}});
    OfficeModel model(HostKind::PowerPoint);
    model.SetDefaultSlideCount(2);
    // A file with too many slides opens as one that cannot be read: made-up slides.
    SimDocument* pMany = model.Open(dir / "many.pptx", 0, nullptr);
    ASSERT_NE(pMany, nullptr);
    EXPECT_EQ(pMany->Slides().size(), 2u);
    // Inserting may not take a presentation past the limit either.
    SimDocument* pFull = model.Open(dir / "deck.pptx", SimDocument::kMaxSlides - 1, nullptr);
    ASSERT_NE(pFull, nullptr);
    ASSERT_EQ(pFull->Slides().size(), static_cast<std::size_t>(SimDocument::kMaxSlides - 1));
    std::string error;
    EXPECT_EQ(model.InsertFromFile(*pFull, dir / "deck.pptx", 0, 1, 2, &error), -1);
    EXPECT_NE(error.find("more than 10000"), std::string::npos) << error;
    EXPECT_EQ(pFull->Slides().size(), static_cast<std::size_t>(SimDocument::kMaxSlides - 1));
    EXPECT_EQ(model.InsertFromFile(*pFull, dir / "deck.pptx", 0, 1, 1, &error), 1) << error;
}
