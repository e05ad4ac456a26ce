// The check made before a property write replaces a file: every stream or zip entry
// but the property parts read back and compared with the original, and a file that
// cannot be read whole (crafted here) left exactly as it was.
#include "docprops/docprops.h"
#include "docprops/propertyset.h"
#include "docprops/savecheck.h"
#include "platform/files/files.h"
#include "tests/docprops/packageparts.h"
#include "tests/support/tempdir.h"

#include <gmock/gmock.h>

using namespace quillmark;
using namespace quillmark::docprops;
using quillmark::test::TempDir;
using ::testing::HasSubstr;

namespace {

// Bytes that do not compress, different for each seed.
std::string Body(std::size_t size, std::uint32_t seed)
{
    std::string body(size, '\0');
    for (char& c : body) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return body;
}

// The offset of the directory entry named `name` (UTF-16LE, at a 128-byte boundary).
std::size_t DirectoryEntry(const std::string& file, const std::string& name)
{
    std::string utf16;
    for (char c : name) utf16 += std::string{c, '\0'};
    for (std::size_t at = file.find(utf16); at != std::string::npos; at = file.find(utf16, at + 1))
        if ((at - 512) % 128 == 0) return at;
    return std::string::npos;
}

void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

Properties Tagged()
{
    Properties properties;
    properties.title = "Plan";
    properties.keywords = "budget, q3";
    return properties;
}

} // namespace

TEST(SaveCheck, ADocWhoseBodyCannotBeReadWholeIsNeverRewritten)
{
    TempDir dir;
    const std::string doc = dir / "report.doc";
    test::WriteOle2(doc, {{"WordDocument", Body(13000, 1)},
                          {"1Table", Body(3000, 2)},
                          {"\005SummaryInformation", *ReplaceStringProperties({}, {{kPidTitle, "Old"}}, nullptr)}});
    const std::string good = *files::ReadFile(doc);
    const std::size_t entry = DirectoryEntry(good, "WordDocument");
    ASSERT_NE(entry, std::string::npos);

    struct Damage {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    };
    // An impossible size, a size longer than its chain, and a chain that starts outside the file.
    for (const Damage& damage : {Damage{"impossible size", entry + 0x78, 0x7FFFFFF0u},
                                 Damage{"size beyond its chain", entry + 0x78, 13000u + 4096u},
                                 Damage{"start outside the file", entry + 0x74, 0x00FFFFF0u}}) {
        SCOPED_TRACE(damage.what);
        std::string bytes = good;
        PutLe32(bytes, damage.offset, damage.value);
        ASSERT_TRUE(files::AtomicReplace(doc, bytes));
        const auto stamp = files::GetFileStamp(doc);
        std::string error;
        EXPECT_FALSE(Write(doc, doc, Tagged(), &error));
        EXPECT_THAT(error, HasSubstr("WordDocument"));
        // The size libgsf drops the stream for is caught by the check itself.
        if (damage.value == 0x7FFFFFF0u) {
            EXPECT_THAT(error, HasSubstr("the original file cannot be read whole: the stream WordDocument declares"));
        }
        EXPECT_EQ(*files::ReadFile(doc), bytes);
        EXPECT_EQ(files::GetFileStamp(doc), stamp);
        // Written elsewhere (Save As), nothing is made either.
        EXPECT_FALSE(Write(doc, dir / "copy.doc", Tagged(), &error));
        EXPECT_FALSE(files::Exists(dir / "copy.doc"));
    }
    // The intact file is saved, and its body kept.
    ASSERT_TRUE(files::AtomicReplace(doc, good));
    std::string error;
    ASSERT_TRUE(Write(doc, doc, Tagged(), &error)) << error;
    EXPECT_EQ(test::Ole2Streams(doc)["WordDocument"], Body(13000, 1));
    EXPECT_EQ(Read(doc)->keywords, "budget, q3");
}

TEST(SaveCheck, CompoundFilesDifferingOutsideTheSummaryAreRefused)
{
    TempDir dir;
    const std::map<std::string, std::string> streams = {{"WordDocument", Body(9000, 1)},
                                                        {"ObjectPool/Contents", "object"},
                                                        {"small", Body(100, 3)},
                                                        {"\005SummaryInformation", std::string(48, 's')}};
    auto make = [&](const std::string& name, std::map<std::string, std::string> changed) {
        test::WriteOle2(dir / name, changed);
        return *files::ReadFile(dir / name);
    };
    const std::string original = make("a.doc", streams);

    std::map<std::string, std::string> summaryOnly = streams;
    summaryOnly["\005SummaryInformation"] = std::string(200, 'n');
    std::string error;
    EXPECT_TRUE(ChangesOnlyProperties(Format::Ole2, original, make("b.doc", summaryOnly), &error)) << error;
    std::map<std::string, std::string> noSummary = streams;
    noSummary.erase("\005SummaryInformation");
    EXPECT_TRUE(ChangesOnlyProperties(Format::Ole2, make("c.doc", noSummary), original, &error)) << error;

    struct Case {
        const char* what;
        std::map<std::string, std::string> written;
        const char* says;
    };
    std::map<std::string, std::string> bigChanged = streams, smallChanged = streams, lost = streams, added = streams;
    bigChanged["WordDocument"][8999] ^= 1;
    smallChanged["small"][0] ^= 1;
    lost.erase("ObjectPool/Contents");
    added["Extra"] = "x";
    for (const Case& c : {Case{"a sector stream changed", bigChanged, "change the stream WordDocument"},
                          Case{"a mini stream changed", smallChanged, "change the stream small"},
                          Case{"a stream lost", lost, "lose ObjectPool"},
                          Case{"a stream added", added, "add Extra"}}) {
        SCOPED_TRACE(c.what);
        error.clear();
        EXPECT_FALSE(ChangesOnlyProperties(Format::Ole2, original, make("d.doc", c.written), &error));
        EXPECT_THAT(error, HasSubstr(c.says));
    }
    // Something that is no compound file at all, on either side.
    EXPECT_FALSE(ChangesOnlyProperties(Format::Ole2, "not a compound file", original, &error));
    EXPECT_THAT(error, HasSubstr("original"));
    EXPECT_FALSE(ChangesOnlyProperties(Format::Ole2, original, original.substr(0, 1000), &error));
    EXPECT_THAT(error, HasSubstr("new file"));
}

TEST(SaveCheck, ZipPackagesDifferingOutsideThePropertyPartsAreRefused)
{
    TempDir dir;
    const std::string rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"c\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
        "core-properties\" Target=\"meta/props.xml\"/></Relationships>";
    using Entries = std::vector<std::pair<std::string, std::string>>;
    const Entries entries = {{"[Content_Types].xml", "<Types/>"},
                             {"_rels/.rels", rels},
                             {"word/document.xml", Body(20000, 4)},
                             {"meta/props.xml", "<old/>"},
                             {"media/image.bin", Body(5000, 5)}};
    auto make = [&](const std::string& name, const Entries& list, std::vector<std::string> stored = {}) {
        test::WriteZip(dir / name, list, stored);
        return *files::ReadFile(dir / name);
    };
    const std::string original = make("a.docx", entries);
    std::string error;

    // The core part the relationships name, the relationships and the content types may change.
    Entries props = entries;
    props[0].second = "<Types><Override/></Types>";
    props[3].second = "<new/>";
    EXPECT_TRUE(ChangesOnlyProperties(Format::OfficeOpenXml, original, make("b.docx", props), &error)) << error;
    // The same bytes stored instead of deflated are the same content.
    EXPECT_TRUE(ChangesOnlyProperties(Format::OfficeOpenXml, original,
                                      make("c.docx", entries, {"word/document.xml"}), &error))
        << error;

    Entries changed = entries, lost = entries, added = entries, renamed = entries, notCore = entries;
    changed[2].second[19999] ^= 1;
    lost.pop_back();
    added.emplace_back("docProps/core.xml", "<x/>"); // not the part the relationships name
    renamed[4].first = "media/other.bin";
    notCore[3].second = "<new/>";
    notCore[1].second = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>";
    struct Case {
        const char* what;
        Entries written;
        const char* says;
    };
    for (const Case& c : {Case{"an entry changed", changed, "change word/document.xml"},
                          Case{"an entry lost", lost, "lose media/image.bin"},
                          Case{"an entry added", added, "add docProps/core.xml"},
                          Case{"an entry renamed", renamed, "media/other.bin in place of media/image.bin"},
                          Case{"a part no longer the core part", notCore, "change meta/props.xml"}}) {
        SCOPED_TRACE(c.what);
        error.clear();
        EXPECT_FALSE(ChangesOnlyProperties(Format::OfficeOpenXml, original, make("d.docx", c.written), &error));
        EXPECT_THAT(error, HasSubstr(c.says));
    }

    // OpenDocument: meta.xml and the manifest may change, content.xml may not.
    const Entries odf = {{"mimetype", "application/vnd.oasis.opendocument.text"},
                         {"content.xml", Body(3000, 6)},
                         {"meta.xml", "<old/>"},
                         {"META-INF/manifest.xml", "<m/>"}};
    const std::string odt = make("a.odt", odf, {"mimetype"});
    Entries odfMeta = odf, odfContent = odf;
    odfMeta[2].second = "<new/>";
    odfMeta[3].second = "<m2/>";
    odfContent[1].second[0] ^= 1;
    EXPECT_TRUE(ChangesOnlyProperties(Format::OpenDocument, odt, make("b.odt", odfMeta, {"mimetype"}), &error))
        << error;
    EXPECT_FALSE(ChangesOnlyProperties(Format::OpenDocument, odt, make("c.odt", odfContent, {"mimetype"}), &error));
    EXPECT_THAT(error, HasSubstr("change content.xml"));

    // An original entry whose stored bytes are damaged, compared with a recompressed copy:
    // it cannot be read whole, and that is the reason given.
    std::string damaged = original;
    const std::size_t at = damaged.find("word/document.xml") + 17 + 200; // inside its data
    damaged[at] = static_cast<char>(damaged[at] ^ 0x55);
    EXPECT_FALSE(ChangesOnlyProperties(Format::OfficeOpenXml, damaged,
                                       make("e.docx", entries, {"word/document.xml"}), &error));
    EXPECT_THAT(error, HasSubstr("original file cannot be read whole: word/document.xml"));
}
