#include "simoffice/officemodel.h"

#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "platform/imaging/image.h"
#include "tests/support/tempdir.h"

#include "tests/simoffice/guiapp.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace quillmark;
using namespace quillmark::officecore;
using namespace quillmark::simoffice;
using quillmark::test::TempDir;

namespace {

std::vector<std::string> Texts(const SimDocument& doc)
{
    std::vector<std::string> texts;
    for (const Slide& slide : doc.Slides()) texts.push_back(slide.text);
    return texts;
}

} // namespace

TEST(OfficeModel, FullNamesAndNewDocumentNames)
{
    OfficeModel word(HostKind::Word);
    SimDocument* pFirst = word.New();
    SimDocument* pSecond = word.New();
    ASSERT_TRUE(pFirst && pSecond);
    EXPECT_EQ(pFirst->FullName(), "Document1");
    EXPECT_EQ(pSecond->FullName(), "Document2");
    EXPECT_FALSE(pFirst->HasFile());
    EXPECT_TRUE(pFirst->Slides().empty()) << "Word documents have no slides";
    EXPECT_EQ(word.Active(), pSecond);
    word.Close(pSecond);
    EXPECT_EQ(word.New()->FullName(), "Document3") << "numbers are not reused";

    OfficeModel ppt(HostKind::PowerPoint);
    SimDocument* pPres = ppt.New();
    EXPECT_EQ(pPres->FullName(), "Presentation1");
    EXPECT_EQ(pPres->Slides().size(), 1u);
}

TEST(OfficeModel, PropertiesSurviveSaveCloseReopen)
{
    TempDir dir;
    std::string path = dir.WriteFile("report.doc", "original bytes");
    OfficeModel office(HostKind::Word);
    std::vector<std::string> notices;
    office.SetNotices([&](const std::string& text) { notices.push_back(text); });
    std::string error;
    SimDocument* pDoc = office.Open(path, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    EXPECT_EQ(pDoc->FullName(), path);
    EXPECT_EQ(pDoc->Property("Keywords"), "");
    EXPECT_TRUE(pDoc->Saved());
    EXPECT_TRUE(pDoc->SetProperty("keywords", "alpha, beta")) << "names ignore case";
    EXPECT_TRUE(pDoc->SetProperty("Author", "Ann"));
    EXPECT_FALSE(pDoc->SetProperty("NoSuchProperty", "x"));
    EXPECT_FALSE(pDoc->Saved());

    // The file is no Word 97-2003 document: the save leaves it as it is and says so,
    // and the properties live on in the office.
    auto before = files::GetFileStamp(path);
    ASSERT_TRUE(office.Save(pDoc, {}, &error)) << error;
    EXPECT_TRUE(pDoc->Saved());
    EXPECT_FALSE(pDoc->PropertiesInFile());
    EXPECT_TRUE(files::GetFileStamp(path) == before) << "a file that is not what its name says is not rewritten";
    EXPECT_EQ(*files::ReadFile(path), "original bytes") << "the content is kept";
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[0].find("cannot be read"), std::string::npos) << notices[0];
    EXPECT_NE(notices[1].find("left unchanged"), std::string::npos) << notices[1];

    pDoc->SetProperty("Keywords", "unsaved change");
    ASSERT_TRUE(office.Close(pDoc));
    EXPECT_EQ(office.Count(), 0);
    EXPECT_EQ(office.Active(), nullptr);

    pDoc = office.Open(path, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    EXPECT_EQ(pDoc->Property("Keywords"), "alpha, beta") << "the saved value comes back, the unsaved one not";
    EXPECT_EQ(pDoc->Property("Author"), "Ann");

    // Opening it again only activates it.
    SimDocument* pOther = office.New();
    EXPECT_EQ(office.Open(path, 0, &error), pDoc);
    EXPECT_EQ(office.Count(), 2);
    EXPECT_EQ(office.Active(), pDoc);
    (void)pOther;

    // A second process-wide office does not share the store: properties live in the office.
    OfficeModel fresh(HostKind::Word);
    EXPECT_EQ(fresh.Open(path, 0, &error)->Property("Keywords"), "");
}

TEST(OfficeModel, SaveAsAndFailures)
{
    TempDir dir;
    OfficeModel office(HostKind::Word);
    std::string error;
    EXPECT_EQ(office.Open(dir / "missing.doc", 0, &error), nullptr);
    EXPECT_NE(error.find("missing.doc"), std::string::npos) << error;
    EXPECT_EQ(office.Open(dir.Path(), 0, &error), nullptr) << "a folder is no document";

    SimDocument* pNew = office.New();
    pNew->SetProperty("Keywords", "k1");
    EXPECT_FALSE(office.Save(pNew, {}, &error)) << "a never-saved document needs a name";
    EXPECT_NE(error.find("Document1"), std::string::npos) << error;
    EXPECT_FALSE(office.Save(pNew, dir / "no/such/folder/x.doc", &error));
    EXPECT_EQ(pNew->FullName(), "Document1") << "a failed save changes nothing";
    EXPECT_FALSE(pNew->HasFile());

    std::string target = dir / "new.doc";
    ASSERT_TRUE(office.Save(pNew, target, &error)) << error;
    EXPECT_EQ(pNew->FullName(), target);
    EXPECT_TRUE(pNew->HasFile());
    EXPECT_TRUE(pNew->PropertiesInFile());
    auto inFile = docprops::Read(target, &error);
    ASSERT_TRUE(inFile) << error << ": a new document becomes a file of the kind its name says";
    EXPECT_EQ(inFile->keywords, "k1");

    // A name without a known extension keeps the placeholder content.
    SimDocument* pPlain = office.New();
    ASSERT_TRUE(office.Save(pPlain, dir / "plain.txt", &error)) << error;
    EXPECT_EQ(*files::ReadFile(dir / "plain.txt"), "Quillmark simulated Word document\n");
    EXPECT_FALSE(pPlain->PropertiesInFile());

    std::string other = dir.WriteFile("other.doc", "x");
    SimDocument* pOther = office.Open(other, 0, &error);
    ASSERT_TRUE(pOther);
    EXPECT_FALSE(office.Save(pOther, target, &error)) << "the name belongs to another open document";
    EXPECT_NE(error.find("open in another window"), std::string::npos) << error;

    ASSERT_TRUE(office.Close(pNew));
    EXPECT_EQ(office.Open(target, 0, &error)->Property("Keywords"), "k1");
}

TEST(OfficeModel, SlideCountsAndInsertFromFile)
{
    TempDir dir;
    std::string a = dir.WriteFile("a.ppt", "a");
    std::string b = dir.WriteFile("b.ppt", "b");
    OfficeModel office(HostKind::PowerPoint);
    std::string error;

    SimDocument* pB = office.Open(b, 4, &error);
    ASSERT_TRUE(pB) << error;
    ASSERT_TRUE(office.Save(pB, {}, &error));
    ASSERT_TRUE(office.Close(pB));

    office.SetDefaultSlideCount(6);
    SimDocument* pA = office.Open(a, 0, &error);
    ASSERT_TRUE(pA);
    EXPECT_EQ(pA->Slides().size(), 6u) << "an unknown file gets the default count";
    ASSERT_TRUE(pA->SetCurrentSlide(5));
    EXPECT_FALSE(pA->SetCurrentSlide(7));

    // Slide 3 of b (4 slides, as saved) behind slide 5: lands at 6, the view stays on slide 5.
    EXPECT_EQ(office.InsertFromFile(*pA, b, 5, 3, 3, &error), 1) << error;
    ASSERT_EQ(pA->Slides().size(), 7u);
    EXPECT_EQ(pA->Slides()[5].text, "b.ppt - slide 3");
    EXPECT_EQ(pA->Slides()[4].text, "a.ppt - slide 5");
    EXPECT_EQ(pA->CurrentSlide(), 5);
    EXPECT_FALSE(pA->Saved());

    // At the front: the view keeps showing the same slide, now one further on.
    EXPECT_EQ(office.InsertFromFile(*pA, b, 0, 1, 2, &error), 2);
    EXPECT_EQ(Texts(*pA)[0], "b.ppt - slide 1");
    EXPECT_EQ(Texts(*pA)[1], "b.ppt - slide 2");
    EXPECT_EQ(pA->CurrentSlide(), 7);
    EXPECT_NE(pA->Slides()[0].id, pA->Slides()[6].id);

    size_t count = pA->Slides().size();
    EXPECT_EQ(office.InsertFromFile(*pA, b, 0, 3, 5, &error), -1) << "b has 4 slides";
    EXPECT_EQ(office.InsertFromFile(*pA, b, 0, 0, 1, &error), -1);
    EXPECT_EQ(office.InsertFromFile(*pA, b, 0, 3, 2, &error), -1);
    EXPECT_EQ(office.InsertFromFile(*pA, b, 99, 1, 1, &error), -1);
    EXPECT_EQ(office.InsertFromFile(*pA, dir / "none.ppt", 0, 1, 1, &error), -1);
    EXPECT_EQ(pA->Slides().size(), count) << "failed inserts change nothing";

    pA->SetSlideCount(2);
    EXPECT_EQ(pA->Slides().size(), 2u);
    EXPECT_EQ(pA->CurrentSlide(), 2);
    pA->SetSlideCount(0);
    EXPECT_EQ(pA->CurrentSlide(), 0);
}

TEST(OfficeModel, ExportWritesOneBitmapPerSlide)
{
    quillmark::test::EnsureGuiApp();
    TempDir dir;
    std::string path = dir.WriteFile("deck.ppt", "d");
    OfficeModel office(HostKind::PowerPoint);
    std::string error;
    SimDocument* pDoc = office.Open(path, 3, &error);
    ASSERT_TRUE(pDoc);
    std::string folder = dir / "previews/0123abc";
    ASSERT_TRUE(office.ExportSlides(*pDoc, folder, "BMP", &error)) << error;
    EXPECT_EQ(files::ListFiles(folder, "*"), (std::vector<std::string>{"Slide1.BMP", "Slide2.BMP", "Slide3.BMP"}));
    imaging::Image first = imaging::Image::Load(folder + "/Slide1.BMP", &error);
    ASSERT_FALSE(first.IsNull()) << error;
    EXPECT_EQ(first.Width(), OfficeModel::kSlideWidth);
    EXPECT_EQ(first.Height(), OfficeModel::kSlideHeight);
    EXPECT_EQ(pDoc->FullName(), path) << "the presentation keeps its name";
    EXPECT_TRUE(pDoc->Saved()) << "and its saved state";

    // Fewer slides later: the old pictures of higher numbers stay, as in PowerPoint.
    pDoc->SetSlideCount(1);
    ASSERT_TRUE(office.ExportSlides(*pDoc, folder + "/", "JPG", &error)) << error;
    EXPECT_EQ(files::ListFiles(folder, "*.JPG"), (std::vector<std::string>{"Slide1.JPG"}));
    EXPECT_EQ(files::ListFiles(folder, "*.BMP").size(), 3u);

    std::string blocker = dir.WriteFile("file", "x");
    EXPECT_FALSE(office.ExportSlides(*pDoc, blocker + "/sub", "BMP", &error));
    EXPECT_FALSE(error.empty());
}

TEST(OfficeModel, PropertiesGoIntoTheFileAndTravelWithSaveAs)
{
    TempDir dir;
    const std::string path = dir / "plan.docx";
    docprops::Properties stored;
    stored.title = "Plan";
    stored.keywords = "a, b";
    ASSERT_TRUE(docprops::Write({}, path, stored));

    OfficeModel office(HostKind::Word);
    std::vector<std::string> notices;
    office.SetNotices([&](const std::string& text) { notices.push_back(text); });
    std::string error;
    SimDocument* pDoc = office.Open(path, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    EXPECT_TRUE(pDoc->PropertiesInFile());
    EXPECT_EQ(pDoc->Property("Title"), "Plan") << "read from the file";
    EXPECT_EQ(pDoc->Property("Keywords"), "a, b");

    // Save As to another name of the same kind: the new file holds the new values, the old keeps its own.
    pDoc->SetProperty("Keywords", "c");
    const std::string copy = dir / "copy.docx";
    ASSERT_TRUE(office.Save(pDoc, copy, &error)) << error;
    EXPECT_EQ(docprops::Read(copy)->keywords, "c");
    EXPECT_EQ(docprops::Read(copy)->title, "Plan");
    EXPECT_EQ(docprops::Read(path)->keywords, "a, b");

    // SaveCopyAs writes them too, without changing the document.
    const std::string other = dir / "other.docx";
    ASSERT_TRUE(office.SaveCopy(*pDoc, other, &error)) << error;
    EXPECT_EQ(docprops::Read(other)->keywords, "c");
    EXPECT_EQ(pDoc->FullName(), copy);

    // Under a name of another kind the bytes are copied and the properties stay in memory, with a notice.
    ASSERT_TRUE(notices.empty());
    const std::string odt = dir / "copy.odt";
    ASSERT_TRUE(office.Save(pDoc, odt, &error)) << error;
    EXPECT_FALSE(pDoc->PropertiesInFile());
    EXPECT_EQ(*files::ReadFile(odt), *files::ReadFile(copy));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("not an OpenDocument file"), std::string::npos) << notices[0];

    // A file changed by another program since it was opened: the save reads it as it is now.
    ASSERT_TRUE(office.Close(pDoc));
    pDoc = office.Open(copy, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    ASSERT_TRUE(files::AtomicReplace(copy, "not a zip any more"));
    pDoc->SetProperty("Keywords", "d");
    EXPECT_FALSE(office.Save(pDoc, {}, &error)) << "nothing is turned into something else";
    EXPECT_NE(error.find("cannot save"), std::string::npos) << error;
    EXPECT_EQ(*files::ReadFile(copy), "not a zip any more");
    EXPECT_FALSE(pDoc->Saved());
}
