// Writer documents through the office: formats kept, Keywords in the form each
// format keeps them, the other built-in properties, bad input left alone.
#include "tests/libreoffice/uno/officeenvironment.h"

#include "docprops/docprops.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillmark;
using namespace quillmark::libreoffice;
using quillmark::test::ExifKeywords;
using quillmark::test::FileBytes;
using quillmark::test::Office;
using quillmark::test::TempDir;
using quillmark::test::ZipMember;

namespace {

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

} // namespace

TEST(UnoDocuments, KeywordsAreStoredAsEachFormatKeepsThemAndReadBackWhole)
{
    TempDir dir;
    std::string error;
    const DocumentId id = Office().New(DocumentKind::Text, true, &error);
    ASSERT_NE(id, 0u) << error;
    // Tags with blanks inside: the office would split "red fox" when it loads an
    // OOXML file whose Keywords it joined with blanks.
    const std::string tags = "red fox, blue, green tea";
    ASSERT_TRUE(Office().SetProperty(id, "Keywords", tags, &error)) << error;
    ASSERT_TRUE(Office().SetProperty(id, "Title", "Fox report", &error)) << error;
    ASSERT_TRUE(Office().SetProperty(id, "Subject", "Animals", &error)) << error;
    ASSERT_TRUE(Office().SetProperty(id, "Author", "Ann Example", &error)) << error;
    ASSERT_TRUE(Office().SetProperty(id, "Comments", "Seen twice", &error)) << error;
    std::string value;
    ASSERT_TRUE(Office().GetProperty(id, "Keywords", &value, &error)) << error;
    EXPECT_EQ(value, tags);

    // A never-saved document needs a name; one the office cannot write is refused.
    EXPECT_FALSE(Office().Store(id, "", &error));
    EXPECT_NE(error.find("needs a file name"), std::string::npos) << error;
    EXPECT_FALSE(Office().Store(id, dir / "fox.xyz", &error));
    EXPECT_NE(error.find("fox.xyz"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "fox.xyz"));
    EXPECT_FALSE(Office().SetProperty(id, "Colour", "red", &error));
    EXPECT_NE(error.find("\"Colour\" is not a built-in document property"), std::string::npos) << error;

    // OOXML: one element, read by exiftool as the whole text.
    ASSERT_TRUE(Office().Store(id, dir / "fox.docx", &error)) << error;
    EXPECT_EQ(ExifKeywords(dir / "fox.docx"), tags);
    EXPECT_NE(ZipMember(dir / "fox.docx", "word/document.xml").find("<w:document"), std::string::npos)
        << "not saved as Word's format";
    DocumentInfo info = Office().Info(id, &error);
    EXPECT_EQ(info.strPath, dir / "fox.docx");
    EXPECT_FALSE(info.bModified);

    // A copy to OLE2 and OpenDocument; the document stays the .docx one.
    ASSERT_TRUE(Office().StoreCopy(id, dir / "fox.doc", &error)) << error;
    ASSERT_TRUE(Office().StoreCopy(id, dir / "fox.odt", &error)) << error;
    EXPECT_EQ(Office().Info(id, &error).strPath, dir / "fox.docx");
    auto doc = docprops::Read(dir / "fox.doc", &error);
    ASSERT_TRUE(doc) << error;
    EXPECT_EQ(doc->keywords, tags);
    EXPECT_EQ(doc->title, "Fox report");
    // OpenDocument: one keyword per tag.
    const std::string meta = ZipMember(dir / "fox.odt", "meta.xml");
    EXPECT_EQ(Count(meta, "<meta:keyword>"), 3) << meta;
    EXPECT_NE(meta.find("<meta:keyword>red fox</meta:keyword>"), std::string::npos) << meta;
    ASSERT_TRUE(Office().Close(id, &error)) << error;

    // Opened again, each file gives the tags back whole, with the other properties.
    for (const char* name : {"fox.docx", "fox.doc", "fox.odt"}) {
        const DocumentId again = Office().Load(dir / name, true, &error);
        ASSERT_NE(again, 0u) << name << ": " << error;
        ASSERT_TRUE(Office().GetProperty(again, "Keywords", &value, &error)) << error;
        EXPECT_EQ(value, tags) << name;
        ASSERT_TRUE(Office().GetProperty(again, "COMMENTS", &value, &error)) << error;
        EXPECT_EQ(value, "Seen twice") << name;
        ASSERT_TRUE(Office().GetProperty(again, "Author", &value, &error)) << error;
        EXPECT_EQ(value, "Ann Example") << name;
        // Loading an open file finds it instead of opening it twice.
        EXPECT_EQ(Office().Load(dir / name, true, &error), again);
        // A plain save keeps the file's format and its Keywords, even though the
        // office itself split them on loading.
        ASSERT_TRUE(Office().SetProperty(again, "Subject", std::string("Saved as ") + name, &error)) << error;
        ASSERT_TRUE(Office().Store(again, "", &error)) << error;
        ASSERT_TRUE(Office().Close(again, &error)) << error;
        auto props = docprops::Read(dir / name, &error);
        ASSERT_TRUE(props) << name << " is no longer a file of its format: " << error;
        EXPECT_EQ(props->subject, std::string("Saved as ") + name);
        if (docprops::FormatOf(name) == docprops::Format::OpenDocument)
            EXPECT_EQ(Count(ZipMember(dir / name, "meta.xml"), "<meta:keyword>"), 3);
        else
            EXPECT_EQ(props->keywords, tags) << name;
    }

    // Changed tags on a loaded OOXML file: the new ones, as one element.
    const DocumentId third = Office().Load(dir / "fox.docx", true, &error);
    ASSERT_NE(third, 0u) << error;
    ASSERT_TRUE(Office().SetProperty(third, "keywords", "solo tag, other", &error)) << error;
    ASSERT_TRUE(Office().GetProperty(third, "Keywords", &value, &error)) << error;
    EXPECT_EQ(value, "solo tag, other");
    ASSERT_TRUE(Office().Store(third, "", &error)) << error;
    EXPECT_EQ(ExifKeywords(dir / "fox.docx"), "solo tag, other");
    // Saved as OpenDocument under a new name: the document follows the new file.
    ASSERT_TRUE(Office().Store(third, dir / "renamed.odt", &error)) << error;
    EXPECT_EQ(Office().Info(third, &error).strPath, dir / "renamed.odt");
    EXPECT_EQ(Count(ZipMember(dir / "renamed.odt", "meta.xml"), "<meta:keyword>"), 2);
    ASSERT_TRUE(Office().Close(third, &error)) << error;
}

TEST(UnoDocuments, MissingAndDamagedFilesGiveErrorsAndStayAsTheyWere)
{
    TempDir dir;
    std::string error;
    EXPECT_EQ(Office().Load(dir / "absent.docx", true, &error), 0u);
    EXPECT_NE(error.find("absent.docx"), std::string::npos) << error;

    // Not a zip package at all: whatever the office makes of it, the file is untouched.
    const std::string junk = "PK\x03\x04 this is not really a zip package \x01\x02\x03";
    const std::string path = dir.WriteFile("broken.docx", junk);
    error.clear();
    const DocumentId id = Office().Load(path, true, &error);
    if (id != 0) {
        std::string value;
        Office().GetProperty(id, "Keywords", &value, &error);
        EXPECT_TRUE(Office().Close(id, &error)) << error;
    } else {
        EXPECT_NE(error.find("broken.docx"), std::string::npos) << error;
    }
    EXPECT_EQ(FileBytes(path), junk);
    EXPECT_TRUE(Office().Alive());

    // Presentation calls on a Writer document are refused.
    const DocumentId text = Office().New(DocumentKind::Text, true, &error);
    ASSERT_NE(text, 0u) << error;
    EXPECT_EQ(Office().SlideCount(text, &error), -1);
    EXPECT_NE(error.find("not a presentation"), std::string::npos) << error;
    EXPECT_TRUE(Office().Close(text, &error)) << error;
}
