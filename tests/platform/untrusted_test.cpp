// Reading what strangers send: the XML parser refuses document types and entities
// and caps sizes, the zip package refuses bombs and streams what it copies, part
// names stay inside the package. Every hostile input is made here.
#include "platform/untrusted/partname.h"
#include "platform/untrusted/safexml.h"
#include "platform/untrusted/zippackage.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

using namespace quillmark::untrusted;
using quillmark::test::TempDir;

namespace {

// A zip archive at `path` with these entries in this order, each deflated.
void MakeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, content] : entries) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Rewrites every little-endian 32-bit `from` at a header offset: a zip whose headers lie.
void PatchSizes(const std::string& path, std::uint32_t from, std::uint32_t to)
{
    std::string bytes = Slurp(path);
    auto le = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    int patched = 0;
    for (std::size_t at = bytes.find(le(from)); at != std::string::npos; at = bytes.find(le(from), at + 4)) {
        bytes.replace(at, 4, le(to));
        ++patched;
    }
    ASSERT_GE(patched, 2) << "the local and the central header both declare the size";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace

TEST(SafeXml, DocumentTypesAndEntitiesAreRefusedWhateverTheyHold)
{
    std::string error;
    // One internal entity of 100 KB referenced a hundred times: 10 MB from a few hundred bytes.
    const std::string big(100000, 'x');
    std::string refs;
    for (int i = 0; i < 100; ++i) refs += "&e;";
    const std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"" + big + "\">]><r>" + refs + "</r>";
    EXPECT_EQ(ParseXml(bomb, "bomb.xml", &error), nullptr);
    EXPECT_NE(error.find("bomb.xml declares a document type"), std::string::npos) << error;

    // Nested entities, an external one, a bare DOCTYPE and an external subset.
    for (const std::string& text : {
             std::string("<!DOCTYPE r [<!ENTITY a \"aa\"><!ENTITY b \"&a;&a;\">]><r>&b;</r>"),
             std::string("<!DOCTYPE r [<!ENTITY p SYSTEM \"file:///etc/passwd\">]><r>&p;</r>"),
             std::string("<!DOCTYPE r><r/>"),
             std::string("<!DOCTYPE r SYSTEM \"http://example.invalid/r.dtd\"><r/>"),
         }) {
        error.clear();
        EXPECT_EQ(ParseXml(text, "part.xml", &error), nullptr) << text;
        EXPECT_NE(error.find("document type"), std::string::npos) << error;
    }
    // Without a document type an entity reference is simply not well-formed.
    error.clear();
    EXPECT_EQ(ParseXml("<r>&undeclared;</r>", "part.xml", &error), nullptr);
    EXPECT_NE(error.find("not well-formed"), std::string::npos) << error;
    EXPECT_EQ(ParseXml("", "empty.xml", &error), nullptr);
    EXPECT_NE(error.find("empty.xml"), std::string::npos);

    // The predefined entities and character references are plain text.
    XmlDocPtr doc = ParseXml("<r a=\"&quot;\">&lt;a&gt; &amp; &#x263A;<![CDATA[<raw>]]><b>in</b>tail</r>", "ok.xml", &error);
    ASSERT_NE(doc, nullptr) << error;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    bool bCut = true;
    EXPECT_EQ(TextOf(root, 1000, &bCut), "<a> & \u263A<raw>intail");
    EXPECT_FALSE(bCut);
    EXPECT_EQ(Attribute(root, "a"), "\"");
    EXPECT_EQ(Attribute(root, "missing"), "");

    // The size cap applies before parsing.
    error.clear();
    EXPECT_EQ(ParseXml("<r>" + std::string(2000, 'a') + "</r>", "large.xml", &error, 1000), nullptr);
    EXPECT_NE(error.find("large.xml is too large"), std::string::npos) << error;
}

TEST(SafeXml, TextIsCutAtTheLimitOnACharacterBoundary)
{
    std::string error;
    // "é" is two bytes: a limit inside it cuts before it.
    XmlDocPtr doc = ParseXml("<r><a>ab</a>c\u00e9d<![CDATA[e]]></r>", "t.xml", &error);
    ASSERT_NE(doc, nullptr) << error;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    bool bCut = false;
    EXPECT_EQ(TextOf(root, 4, &bCut), "abc");
    EXPECT_TRUE(bCut);
    EXPECT_EQ(TextOf(root, 5, &bCut), "abc\u00e9");
    EXPECT_TRUE(bCut);
    EXPECT_EQ(TextOf(root, 7, &bCut), "abc\u00e9de");
    EXPECT_FALSE(bCut) << "exactly the limit is not cut";
    EXPECT_EQ(TextOf(root, 0, &bCut), "");
    EXPECT_TRUE(bCut);
    EXPECT_EQ(TextOf(nullptr, 10, &bCut), "");
    EXPECT_FALSE(bCut);
    // Only the node's own subtree, not its following siblings.
    const xmlNode* a = FirstChildElement(root, nullptr, "a");
    EXPECT_EQ(a, nullptr) << "elements without a namespace are not matched by a namespace";
    EXPECT_EQ(TextOf(root->children, 100), "ab");
}

TEST(ZipPackage, BombsAndLyingHeadersAreRefusedWithAReason)
{
    TempDir dir;
    const std::string path = dir / "bomb.zip";
    // 20 MB of zeros deflate to about 20 KB.
    MakeZip(path, {{"big.xml", std::string(20u << 20, '\0')}, {"small.xml", "<r/>"}});
    ASSERT_LT(Slurp(path).size(), 100000u);
    std::string error;
    std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenFile(path, &error);
    ASSERT_NE(pkg, nullptr) << error;
    EXPECT_FALSE(pkg->Read("big.xml", &error));
    EXPECT_NE(error.find("big.xml is too large to read (20971520 bytes"), std::string::npos) << error;
    EXPECT_FALSE(pkg->Read("big.xml", &error, 1000));
    EXPECT_EQ(pkg->Read("small.xml", &error).value_or("?"), "<r/>");
    EXPECT_FALSE(pkg->Read("missing.xml", &error));
    EXPECT_NE(error.find("missing.xml"), std::string::npos);

    // An entry that declares 64 KB but inflates to 1 MB.
    const std::string liar = dir / "liar.zip";
    MakeZip(liar, {{"part.xml", std::string(1u << 20, 'a')}});
    PatchSizes(liar, 1u << 20, 1u << 16);
    pkg = ZipPackage::OpenFile(liar, &error);
    if (pkg) {
        error.clear();
        EXPECT_FALSE(pkg->Read("part.xml", &error, 1u << 17));
        EXPECT_NE(error.find("cannot read part.xml"), std::string::npos) << error;
    } else {
        EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    }

    // Not a zip, an empty file, a pipe: refused at once, the file itself named.
    EXPECT_EQ(ZipPackage::OpenFile(dir.WriteFile("text.zip", "hello"), &error), nullptr);
    EXPECT_NE(error.find("not a zip archive"), std::string::npos) << error;
    EXPECT_EQ(ZipPackage::OpenFile(dir.WriteFile("empty.zip", ""), &error), nullptr);
    const std::string fifo = dir / "pipe.zip";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    bool bUnreadable = false;
    EXPECT_EQ(ZipPackage::OpenFile(fifo, &error, &bUnreadable), nullptr);
    EXPECT_TRUE(bUnreadable);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_EQ(ZipPackage::OpenFile(dir / "absent.zip", &error, &bUnreadable), nullptr);
    EXPECT_TRUE(bUnreadable);
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(ZipPackage, WritingStreamsUnchangedEntriesAndReplacesOnlyWhatWasPut)
{
    TempDir dir;
    const std::string path = dir / "in.zip";
    std::string noise;
    for (int i = 0; i < 200000; ++i) noise += static_cast<char>((i * 7919) % 251);
    MakeZip(path, {{"first", "one"}, {"Docs/Core.xml", "<old/>"}, {"noise.bin", noise}});
    const std::string original = Slurp(path);
    std::string error;
    std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenFile(path, &error);
    ASSERT_NE(pkg, nullptr) << error;
    EXPECT_EQ(pkg->EntryCount(), 3u);
    EXPECT_EQ(pkg->FindNoCase("docs/core.XML").value_or(""), "Docs/Core.xml");
    EXPECT_FALSE(pkg->FindNoCase("docs/other.xml"));
    ASSERT_TRUE(pkg->Put("Docs/Core.xml", "<new/>", true, &error)) << error;
    ASSERT_TRUE(pkg->Put("added.xml", "<added/>", false, &error)) << error;
    EXPECT_EQ(pkg->Read("Docs/Core.xml", &error).value_or(""), "<new/>") << "a replaced entry reads as put";
    const std::string out = dir / "out.zip";
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(pkg->FinishInto(fd, &error)) << error;
    ::close(fd);
    EXPECT_FALSE(pkg->Put("late", "x", true, &error)) << "a finished package takes nothing more";
    EXPECT_EQ(Slurp(path), original) << "the source file is never written";

    std::unique_ptr<ZipPackage> written = ZipPackage::OpenFile(out, &error);
    ASSERT_NE(written, nullptr) << error;
    EXPECT_EQ(written->EntryCount(), 4u);
    EXPECT_EQ(written->Read("first", &error).value_or(""), "one");
    EXPECT_EQ(written->Read("Docs/Core.xml", &error).value_or(""), "<new/>");
    EXPECT_EQ(written->Read("noise.bin", &error).value_or(""), noise);
    EXPECT_EQ(written->Read("added.xml", &error).value_or(""), "<added/>");
    EXPECT_FALSE(written->Has("late"));

    // Nothing put: the same bytes come out; and the in-memory form gives what the file form gives.
    pkg = ZipPackage::OpenFile(path, &error);
    ASSERT_NE(pkg, nullptr);
    EXPECT_EQ(pkg->Finish(&error).value_or(""), original);
    std::unique_ptr<ZipPackage> inMemory = ZipPackage::OpenBytes(original, &error);
    ASSERT_NE(inMemory, nullptr) << error;
    EXPECT_EQ(inMemory->Read("noise.bin", &error).value_or(""), noise);
    std::unique_ptr<ZipPackage> fresh = ZipPackage::OpenBytes("", &error);
    ASSERT_NE(fresh, nullptr) << error;
    ASSERT_TRUE(fresh->Put("mimetype", "text/plain", false, &error));
    std::optional<std::string> built = fresh->Finish(&error);
    ASSERT_TRUE(built) << error;
    EXPECT_EQ(ZipPackage::OpenBytes(*built, &error)->Read("mimetype", &error).value_or(""), "text/plain");
}

TEST(PartName, TargetsResolveInsideThePackageOrAreRefused)
{
    struct Case {
        const char* source;
        const char* target;
        const char* expected; // nullptr: refused
    };
    const Case cases[] = {
        {"", "docProps/core.xml", "docProps/core.xml"},
        {"", "/docProps/core.xml", "docProps/core.xml"},
        {"", "./docProps/./core.xml", "docProps/core.xml"},
        {"ppt/presentation.xml", "slides/slide1.xml", "ppt/slides/slide1.xml"},
        {"ppt/presentation.xml", "slides/../slides/slide3.xml", "ppt/slides/slide3.xml"},
        {"ppt/presentation.xml", "../docProps/app.xml", "docProps/app.xml"},
        {"ppt/presentation.xml", "/ppt/slides/slide2.xml", "ppt/slides/slide2.xml"},
        {"", "docProps/c%6Fre.xml", "docProps/core.xml"},
        {"", "docProps/core.xml#frag", "docProps/core.xml"},
        {"", "../../../../etc/passwd", nullptr},
        {"ppt/presentation.xml", "../../etc/passwd", nullptr},
        {"", "/../etc/passwd", nullptr},
        {"", "docProps/..", nullptr},
        {"", "docProps/", nullptr},
        {"", "docProps//core.xml", nullptr},
        {"", "docProps/core.", nullptr},
        {"", "docProps%2F..%2F..%2Fetc/passwd", nullptr},
        {"", "docProps\\core.xml", nullptr},
        {"", "file:///etc/passwd", nullptr},
        {"", "//server/share/core.xml", nullptr},
        {"", "docProps/core%0a.xml", nullptr},
        {"", "docProps/core%zz.xml", nullptr},
        {"", "", nullptr},
    };
    for (const Case& c : cases) {
        std::string error;
        std::optional<std::string> name = ResolvePartName(c.source, c.target, &error);
        if (c.expected) {
            EXPECT_EQ(name.value_or("<refused: " + error + ">"), c.expected) << c.target;
        } else {
            EXPECT_FALSE(name) << c.target << " gave " << name.value_or("");
            EXPECT_NE(error.find("relationship target"), std::string::npos) << error;
        }
    }
}
