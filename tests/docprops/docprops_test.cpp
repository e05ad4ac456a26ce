// Document properties in the files themselves, in process: every format written and
// read back, the rest of a package kept as stored, damaged files refused untouched.
#include "docprops/docprops.h"
#include "docprops/propertyset.h"
#include "platform/files/files.h"
#include "tests/docprops/packageparts.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quillmark;
using namespace quillmark::docprops;
using quillmark::test::TempDir;

namespace {

Properties Sample()
{
    Properties properties;
    properties.title = "Quarterly <report> & \"notes\"";
    properties.subject = "Finance";
    properties.author = "Ann Ünïcode";
    properties.keywords = "budget, Finance 2005, ☃ snow";
    properties.comments = "two\nlines";
    return properties;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

} // namespace

TEST(DocProps, FormatsFollowTheExtension)
{
    EXPECT_EQ(FormatOf("/a/b.DOCX"), Format::OfficeOpenXml);
    EXPECT_EQ(FormatOf("x.potx"), Format::OfficeOpenXml);
    EXPECT_EQ(FormatOf("x.otp"), Format::OpenDocument);
    EXPECT_EQ(FormatOf("C:\\docs\\x.Dot"), Format::Ole2);
    EXPECT_EQ(FormatOf("x.txt"), Format::Other);
    EXPECT_EQ(FormatOf("docx"), Format::Other) << "a name without a dot has no extension";
    EXPECT_EQ(FormatOf("/a.docx/readme"), Format::Other) << "the extension is the file name's";
    Properties properties;
    ASSERT_NE(properties.Field("keywords"), nullptr);
    EXPECT_EQ(properties.Field("keywords"), &properties.keywords);
    EXPECT_EQ(properties.Field("Author"), &properties.author);
    EXPECT_EQ(properties.Field("Category"), nullptr);
}

TEST(DocProps, EveryFormatKeepsWhatItIsGiven)
{
    TempDir dir;
    for (const char* name : {"a.docx", "a.dotx", "a.pptx", "a.odt", "a.ott", "a.odp", "a.otp", "a.doc", "a.ppt"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        std::string error;
        ASSERT_TRUE(Write({}, path, Sample(), &error)) << error;
        std::optional<Properties> back = Read(path, &error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(*back, Sample());

        // Cleared properties come back empty, and a second save keeps the file readable.
        Properties cleared;
        cleared.keywords = "only";
        ASSERT_TRUE(Write(path, path, cleared, &error)) << error;
        back = Read(path, &error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(*back, cleared);
    }

    // OpenDocument: one element per keyword, and the package type first and stored.
    const std::string odp = dir / "k.odp";
    Properties properties;
    properties.keywords = " budget ,  Finance 2005,budget,, ";
    ASSERT_TRUE(Write({}, odp, properties));
    const std::string meta = test::ZipEntryText(odp, "meta.xml");
    EXPECT_EQ(Count(meta, "<meta:keyword>"), 3u) << meta;
    EXPECT_EQ(Read(odp)->keywords, "budget, Finance 2005, budget") << "split and joined as tags are";
    std::vector<std::string> order;
    auto entries = test::ZipEntries(odp, &order);
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), "mimetype");
    EXPECT_EQ(entries["mimetype"].method, 0) << "stored, not compressed";
    EXPECT_EQ(test::ZipEntryText(odp, "mimetype"), "application/vnd.oasis.opendocument.presentation");

    // Office Open XML and OLE2 keep the text as it is.
    for (const char* name : {"k.docx", "k.doc"}) {
        ASSERT_TRUE(Write({}, dir / name, properties));
        EXPECT_EQ(Read(dir / name)->keywords, properties.keywords) << name;
    }
}

TEST(DocProps, SavingKeepsEveryOtherZipEntryAsStored)
{
    TempDir dir;
    // A package as another program wrote it: the core part elsewhere, a stored picture.
    const std::string docx = dir / "r.docx";
    std::string picture(5000, '\0');
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>((i * 7919) % 251);
    test::WriteZip(docx,
                   {{"[Content_Types].xml",
                     "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                     "content-types\"><Override PartName=\"/meta/core.xml\" ContentType=\"application/"
                     "vnd.openxmlformats-package.core-properties+xml\"/></Types>"},
                    {"_rels/.rels",
                     "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                     "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/package/"
                     "2006/relationships/metadata/core-properties\" Target=\"/meta/core.xml\"/></Relationships>"},
                    {"word/document.xml", std::string(20000, 'w')},
                    {"meta/core.xml",
                     "<?xml version=\"1.0\"?><cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/"
                     "package/2006/metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                     "<dc:title>Old</dc:title><cp:revision>7</cp:revision></cp:coreProperties>"},
                    {"word/media/image1.png", picture}},
                   {"word/media/image1.png"});
    EXPECT_EQ(Read(docx)->title, "Old") << "found through the package relationships";
    auto before = test::ZipEntries(docx);
    ASSERT_TRUE(Write(docx, docx, Sample()));
    auto after = test::ZipEntries(docx);
    EXPECT_EQ(after.size(), before.size()) << "no part is added when the package has its core part";
    for (const auto& [name, entry] : before) {
        if (name == "meta/core.xml") continue;
        EXPECT_EQ(after[name], entry) << name << " is copied as stored";
    }
    const std::string core = test::ZipEntryText(docx, "meta/core.xml");
    EXPECT_NE(core.find("<cp:revision>7</cp:revision>"), std::string::npos) << "other core properties stay";
    EXPECT_EQ(Read(docx)->keywords, Sample().keywords);

    // A package without core properties gets the part, its relationship and its content type, once.
    const std::string bare = dir / "bare.pptx";
    test::WriteZip(bare, {{"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                                  "content-types\"/>"},
                          {"ppt/presentation.xml", "<p/>"}});
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(Write(bare, bare, Sample()));
    EXPECT_EQ(test::ZipEntryText(bare, "ppt/presentation.xml"), "<p/>");
    EXPECT_EQ(Count(test::ZipEntryText(bare, "_rels/.rels"), "core-properties\""), 1u);
    EXPECT_EQ(Count(test::ZipEntryText(bare, "[Content_Types].xml"), "PartName=\"/docProps/core.xml\""), 1u);
    EXPECT_EQ(*Read(bare), Sample());

    // An OpenDocument package without meta.xml lists the new part in its manifest.
    const std::string odt = dir / "bare.odt";
    test::WriteZip(odt,
                   {{"mimetype", "application/vnd.oasis.opendocument.text"},
                    {"META-INF/manifest.xml",
                     "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
                     "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/"
                     "vnd.oasis.opendocument.text\"/></manifest:manifest>"},
                    {"content.xml", "<c/>"}},
                   {"mimetype"});
    before = test::ZipEntries(odt);
    ASSERT_TRUE(Write(odt, odt, Sample()));
    after = test::ZipEntries(odt);
    EXPECT_EQ(after["mimetype"], before["mimetype"]);
    EXPECT_EQ(after["content.xml"], before["content.xml"]);
    EXPECT_NE(test::ZipEntryText(odt, "META-INF/manifest.xml").find("manifest:full-path=\"meta.xml\""),
              std::string::npos);
    EXPECT_EQ(*Read(odt), Sample());
}

TEST(DocProps, Ole2KeepsEveryOtherStreamAndProperty)
{
    TempDir dir;
    // A summary information in code page 1252.
    std::optional<std::string> summary = ReplaceStringProperties({}, {{kPidTitle, "Old"}}, nullptr);
    ASSERT_TRUE(summary);
    std::string codepage;
    codepage += '\xE9';
    codepage += '\xFD';
    const size_t at = summary->find(codepage); // 65001 as stored
    ASSERT_NE(at, std::string::npos);
    (*summary)[at] = '\xE4';
    (*summary)[at + 1] = '\x04';

    const std::string doc = dir / "r.doc";
    std::string body(9000, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i % 253);
    test::WriteOle2(doc, {{"WordDocument", body},
                          {"\005SummaryInformation", *summary},
                          {"\005DocumentSummaryInformation", std::string(64, 'd')},
                          {"ObjectPool/Contents", "object"}});
    EXPECT_EQ(Read(doc)->title, "Old");
    auto before = test::Ole2Streams(doc);

    Properties properties = Sample();
    properties.title = "Çà va"; // fits code page 1252
    std::string error;
    ASSERT_TRUE(Write(doc, doc, properties, &error)) << error;
    auto after = test::Ole2Streams(doc);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, content] : before)
        if (name != "\005SummaryInformation") {
            EXPECT_EQ(after[name], content) << name;
        }
    EXPECT_EQ(*Read(doc), properties) << "texts outside the code page are stored as UTF-16";
    EXPECT_NE(after["\005SummaryInformation"].find("\xC7\xE0 va"), std::string::npos) << "in the file's code page";
}

TEST(DocProps, DamagedFilesAreNeitherReadNorWritten)
{
    TempDir dir;
    const std::string good = dir / "good.docx";
    ASSERT_TRUE(Write({}, good, Sample()));
    const std::string whole = *files::ReadFile(good);

    struct Case {
        std::string name, content, says;
    };
    std::vector<Case> cases = {
        {"truncated.docx", whole.substr(0, whole.size() / 2), "damaged"},
        {"text.doc", "Just a text file\n", "OLE2"},
        {"text.odt", "PK but not really", "zip"},
        {"plain.pptx", "", "zip"},
    };
    // A zip archive that is no Office Open XML package, an OpenDocument package of
    // another type, and a core part that is not XML.
    test::WriteZip(dir / "other.docx", {{"readme.txt", "hello"}});
    test::WriteZip(dir / "other.odp", {{"mimetype", "application/epub+zip"}}, {"mimetype"});
    test::WriteZip(dir / "broken.docx", {{"[Content_Types].xml", "<Types/>"},
                                         {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                                         "package/2006/relationships\"><Relationship Id=\"a\" "
                                                         "Type=\"http://schemas.openxmlformats.org/package/2006/"
                                                         "relationships/metadata/core-properties\" "
                                                         "Target=\"docProps/core.xml\"/></Relationships>"},
                                         {"docProps/core.xml", "<cp:coreProperties"}});
    for (const char* name : {"other.docx", "other.odp", "broken.docx"})
        cases.push_back({name, *files::ReadFile(dir / name), name[0] == 'b' ? "XML" : "not"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.WriteFile(c.name, c.content);
        std::string error;
        EXPECT_FALSE(Read(path, &error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        const auto stamp = files::GetFileStamp(path);
        error.clear();
        EXPECT_FALSE(Write(path, path, Sample(), &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(files::GetFileStamp(path), stamp) << "the file is left as it is";
        EXPECT_EQ(*files::ReadFile(path), c.content);
    }
}

TEST(DocProps, ValuesAFileCannotHoldAndFailedWritesChangeNothing)
{
    TempDir dir;
    for (const char* name : {"v.docx", "v.odt", "v.doc"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        ASSERT_TRUE(Write({}, path, Sample()));
        ::chmod(path.c_str(), 0640);
        const std::string before = *files::ReadFile(path);
        Properties bad = Sample();
        bad.keywords = name == std::string("v.doc") ? std::string("bad \xFF byte") : std::string("bell \x07 tag");
        std::string error;
        EXPECT_FALSE(Write(path, path, bad, &error));
        EXPECT_NE(error.find(name == std::string("v.doc") ? "UTF-8" : "Keywords"), std::string::npos) << error;
        EXPECT_EQ(*files::ReadFile(path), before);

        // A target in a missing folder: the error names it, the source is untouched.
        error.clear();
        EXPECT_FALSE(Write(path, dir / ("missing/" + std::string(name)), Sample(), &error));
        EXPECT_NE(error.find("missing"), std::string::npos) << error;
        EXPECT_EQ(*files::ReadFile(path), before);

        // A successful save keeps the file's permissions and leaves no temporary file.
        ASSERT_TRUE(Write(path, path, Sample(), &error)) << error;
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
    }
    EXPECT_EQ(files::ListFiles(dir.Path(), ".*").size(), 0u) << "no temporary files are left";
}

TEST(DocProps, AReplacedFileKeepsItsFileSystemTags)
{
    TempDir dir;
    const std::string path = dir / "tagged.docx";
    Properties properties;
    properties.keywords = "a, b";
    ASSERT_TRUE(Write("", path, properties));
    if (!files::SetAttribute(path, "user.xdg.tags", std::string("a,b")))
        GTEST_SKIP() << "this file system keeps no user attributes";
    properties.keywords = "a, b, c";
    ASSERT_TRUE(Write(path, path, properties));
    EXPECT_EQ(Read(path)->keywords, "a, b, c");
    EXPECT_EQ(files::GetAttribute(path, "user.xdg.tags").value_or("<none>"), "a,b");
    // A file written where none was gets none.
    ASSERT_TRUE(Write(path, dir / "copy.docx", properties));
    EXPECT_FALSE(files::GetAttribute(dir / "copy.docx", "user.xdg.tags"));
}
