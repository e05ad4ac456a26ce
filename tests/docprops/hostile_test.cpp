// Document properties of files made to hurt: entity expansion, overlong text,
// relationships that point out of the package, pipes in place of files. Each is
// refused with a reason and the file is left as it was.
#include "docprops/docprops.h"
#include "docprops/propertyset.h"
#include "tests/docprops/packageparts.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

using namespace quillmark;
using namespace quillmark::docprops;
using quillmark::test::TempDir;

namespace {

const std::string kTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Override PartName=\"/docProps/core.xml\" "
    "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/></Types>";

std::string Rels(const std::string& target)
{
    return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/"
           "metadata/core-properties\" Target=\"" +
           target + "\"/></Relationships>";
}

std::string Core(const std::string& doctype, const std::string& keywords)
{
    return "<?xml version=\"1.0\"?>" + doctype +
           "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>T</dc:title><cp:keywords>" +
           keywords + "</cp:keywords></cp:coreProperties>";
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Properties Changed()
{
    Properties properties;
    properties.title = "changed";
    properties.keywords = "a, b";
    return properties;
}

// Read refuses `path` with a message holding `why`; Write refuses it and leaves it byte for byte.
void ExpectRefusedAndUntouched(const std::string& path, const std::string& why)
{
    const std::string before = Slurp(path);
    std::string error;
    EXPECT_FALSE(Read(path, &error));
    EXPECT_NE(error.find(why), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(Write(path, path, Changed(), &error));
    EXPECT_NE(error.find(why), std::string::npos) << error;
    EXPECT_TRUE(Slurp(path) == before) << path << " changed";
}

} // namespace

TEST(HostileDocuments, EntitiesNeverExpandIntoAProperty)
{
    TempDir dir;
    // One 100 KB entity referenced a hundred times in cp:keywords: 10 MB of tag from under 1 KB.
    std::string refs;
    for (int i = 0; i < 100; ++i) refs += "&big;";
    const std::string doctype = "<!DOCTYPE cp:coreProperties [<!ENTITY big \"" + std::string(100000, 'k') + "\">]>";
    const std::string docx = dir / "bomb.docx";
    test::WriteZip(docx, {{"[Content_Types].xml", kTypes},
                          {"_rels/.rels", Rels("docProps/core.xml")},
                          {"docProps/core.xml", Core(doctype, refs)}});
    EXPECT_LT(Slurp(docx).size(), 1500u);
    ExpectRefusedAndUntouched(docx, "declares a document type");

    // A document type anywhere the reader looks: the relationships, the content types, meta.xml.
    const std::string sneaky = dir / "sneaky.docx";
    test::WriteZip(sneaky, {{"[Content_Types].xml", kTypes},
                            {"_rels/.rels", "<!DOCTYPE r [<!ENTITY t \"docProps/core.xml\">]>" + Rels("&t;")},
                            {"docProps/core.xml", Core("", "plain")}});
    ExpectRefusedAndUntouched(sneaky, "_rels/.rels declares a document type");

    const std::string odt = dir / "bomb.odt";
    test::WriteZip(odt,
                   {{"mimetype", "application/vnd.oasis.opendocument.text"},
                    {"meta.xml",
                     "<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                     "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                     "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\"><office:meta>"
                     "<meta:keyword>&b;</meta:keyword></office:meta></office:document-meta>"}},
                   {"mimetype"});
    ExpectRefusedAndUntouched(odt, "meta.xml declares a document type");

    // An external entity would read a local file into the Title.
    const std::string external = dir / "external.docx";
    test::WriteZip(external,
                   {{"[Content_Types].xml", kTypes},
                    {"_rels/.rels", Rels("docProps/core.xml")},
                    {"docProps/core.xml", Core("<!DOCTYPE x [<!ENTITY p SYSTEM \"file:///etc/hostname\">]>", "&p;")}});
    ExpectRefusedAndUntouched(external, "declares a document type");
}

TEST(HostileDocuments, OverlongTextIsRefusedNotCut)
{
    TempDir dir;
    // A 15 MB keyword deflates to a few KB.
    const std::string docx = dir / "long.docx";
    test::WriteZip(docx, {{"[Content_Types].xml", kTypes},
                          {"_rels/.rels", Rels("docProps/core.xml")},
                          {"docProps/core.xml", Core("", std::string(15u << 20, 'x'))}});
    EXPECT_LT(Slurp(docx).size(), 64000u);
    ExpectRefusedAndUntouched(docx, "Keywords property is longer than 64 KB");

    // Just under the limit is read whole.
    const std::string fits = dir / "fits.docx";
    test::WriteZip(fits, {{"[Content_Types].xml", kTypes},
                          {"_rels/.rels", Rels("docProps/core.xml")},
                          {"docProps/core.xml", Core("", std::string(60000, 'y'))}});
    std::string error;
    std::optional<Properties> read = Read(fits, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->keywords.size(), 60000u);

    // Many short OpenDocument keywords that add up past the limit.
    std::string keywords;
    for (int i = 0; i < 20000; ++i) keywords += "<meta:keyword>tag" + std::to_string(i) + "</meta:keyword>";
    const std::string odt = dir / "many.odt";
    test::WriteZip(odt,
                   {{"mimetype", "application/vnd.oasis.opendocument.text"},
                    {"meta.xml",
                     "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                     "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\"><office:meta>" +
                         keywords + "</office:meta></office:document-meta>"}},
                   {"mimetype"});
    ExpectRefusedAndUntouched(odt, "Keywords property is longer than 64 KB");

    // A part that inflates past what a properties part may be.
    const std::string huge = dir / "huge.docx";
    test::WriteZip(huge, {{"[Content_Types].xml", kTypes},
                          {"_rels/.rels", Rels("docProps/core.xml")},
                          {"docProps/core.xml", Core("", "<!--" + std::string(20u << 20, ' ') + "-->")}});
    ExpectRefusedAndUntouched(huge, "docProps/core.xml is too large to read");
}

TEST(HostileDocuments, RelationshipsCannotNameAPartOutsideThePackage)
{
    TempDir dir;
    const std::string docx = dir / "escape.docx";
    test::WriteZip(docx, {{"[Content_Types].xml", kTypes},
                          {"_rels/.rels", Rels("../../../../etc/passwd")},
                          {"docProps/core.xml", Core("", "kept")}});
    ExpectRefusedAndUntouched(docx, "leaves the package");
    EXPECT_EQ(test::ZipEntries(docx).count("etc/passwd"), 0u);
    for (const char* target : {"docProps%2F..%2F..%2Fetc%2Fpasswd", "file:///etc/passwd", "docProps\\core.xml"}) {
        test::WriteZip(docx, {{"[Content_Types].xml", kTypes},
                              {"_rels/.rels", Rels(target)},
                              {"docProps/core.xml", Core("", "kept")}});
        SCOPED_TRACE(target);
        ExpectRefusedAndUntouched(docx, "relationship target");
    }

    // Part names compare without case and resolve dot segments: the stored part is
    // read and replaced, no second one is added.
    const std::string spelled = dir / "spelled.docx";
    test::WriteZip(spelled, {{"[Content_Types].xml", kTypes},
                             {"_rels/.rels", Rels("/DOCPROPS/./x/../Core.XML")},
                             {"docProps/core.xml", Core("", "found")}});
    std::string error;
    std::optional<Properties> read = Read(spelled, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->keywords, "found");
    const std::size_t entries = test::ZipEntries(spelled).size();
    ASSERT_TRUE(Write(spelled, spelled, Changed(), &error)) << error;
    EXPECT_EQ(test::ZipEntries(spelled).size(), entries);
    EXPECT_EQ(Read(spelled)->keywords, "a, b");
}

TEST(HostileDocuments, APipeInPlaceOfADocumentIsRefusedAtOnce)
{
    TempDir dir;
    for (const char* name : {"pipe.docx", "pipe.odp"}) {
        const std::string fifo = dir / name;
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::string error;
        EXPECT_FALSE(Read(fifo, &error));
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
        EXPECT_EQ(error.find("damaged"), std::string::npos) << "says what happened: " << error;
        error.clear();
        EXPECT_FALSE(Write(fifo, dir / "out.docx", Changed(), &error));
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    }
}

TEST(HostileDocuments, ASummaryTheReaderRefusesIsNotRewritten)
{
    TempDir dir;
    // A property set whose header (byte order mark) is wrong: libgsf refuses it, so
    // rewriting it would report a save that the next open cannot read.
    std::optional<std::string> summary = ReplaceStringProperties({}, {{kPidTitle, "Old"}}, nullptr);
    ASSERT_TRUE(summary);
    (*summary)[0] = 'X';
    const std::string doc = dir / "bad-summary.doc";
    test::WriteOle2(doc, {{"\005SummaryInformation", *summary}, {"WordDocument", std::string(4096, 'w')}});
    ExpectRefusedAndUntouched(doc, "summary information cannot be read");
}
