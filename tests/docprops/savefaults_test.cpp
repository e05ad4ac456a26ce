// Faults of the property write path: a .doc property that cannot be read whole is
// never replaced by less, a missing permission is reported as such, and a package
// entry that could not be stored is not taken for stored.
#include "docprops/docprops.h"
#include "docprops/propertyset.h"
#include "platform/untrusted/zippackage.h"
#include "platform/files/files.h"
#include "tests/docprops/packageparts.h"
#include "tests/support/faultyfilesystem.h"
#include "tests/support/tempdir.h"

#include <gmock/gmock.h>

using namespace quillmark;
using namespace quillmark::docprops;
using quillmark::untrusted::ZipPackage;
using quillmark::test::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kSummary = "\005SummaryInformation";

std::string DocWithSummary(const TempDir& dir, const std::string& name, const std::string& summary)
{
    const std::string doc = dir / name;
    test::WriteOle2(doc, {{"WordDocument", std::string(5000, 'w')}, {kSummary, summary}});
    return doc;
}

} // namespace

TEST(PropertyWriteFaults, ADocPropertyThatCannotBeReadWholeIsNeverOverwrittenWithLess)
{
    TempDir dir;
    // Keywords stored as a number: no text can be read from it.
    std::string summary = *ReplaceStringProperties({}, {{kPidKeywords, "x"}}, nullptr);
    const std::string asText("\x1E\0\0\0\x02\0\0\0x\0", 10);
    const std::size_t at = summary.find(asText);
    ASSERT_NE(at, std::string::npos);
    summary[at] = '\x03'; // VT_I4
    const std::string doc = DocWithSummary(dir, "number.doc", summary);
    // What a reader gets from it (libgsf itself is not asked here: it leaks on such a value).
    Properties asRead;
    const std::optional<Properties> read = asRead;

    // Replacing it fails, naming it, and changes nothing.
    const std::string bytes = *files::ReadFile(doc);
    Properties tagged = *read;
    tagged.keywords = "budget";
    std::string error;
    EXPECT_FALSE(Write(doc, doc, tagged, &error));
    EXPECT_THAT(error, HasSubstr("Keywords"));
    EXPECT_EQ(*files::ReadFile(doc), bytes);
    // Saved as read (Keywords untouched), the stored value keeps its bytes and the rest is written.
    Properties retitled = *read;
    retitled.title = "New title";
    ASSERT_TRUE(Write(doc, doc, retitled, &error)) << error;
    EXPECT_NE(test::Ole2Streams(doc)[kSummary].find("New title"), std::string::npos);
    EXPECT_NE(test::Ole2Streams(doc)[kSummary].find(std::string("\x03\0\0\0\x02\0\0\0x\0", 10)), std::string::npos);

#ifndef __SANITIZE_ADDRESS__ // libgsf leaks a small record on such a string, out of our reach
    // Keywords longer than the reader takes: whatever it makes of them, a save of what
    // was read never leaves the file with less.
    const std::string longKeywords(70000, 'k');
    const std::string longDoc =
        DocWithSummary(dir, "long.doc", *ReplaceStringProperties({}, {{kPidKeywords, longKeywords}}, nullptr));
    const std::optional<Properties> longRead = Read(longDoc);
    ASSERT_TRUE(longRead);
    EXPECT_TRUE(longRead->keywords.empty() || longRead->keywords == longKeywords);
    ASSERT_TRUE(Write(longDoc, longDoc, *longRead, &error)) << error;
    EXPECT_NE(test::Ole2Streams(longDoc)[kSummary].find(longKeywords), std::string::npos);
    if (longRead->keywords.empty()) {
        Properties shorter = *longRead;
        shorter.keywords = "short";
        EXPECT_FALSE(Write(longDoc, longDoc, shorter, &error));
        EXPECT_THAT(error, HasSubstr("Keywords property (70001 characters) cannot be read whole"));
    }
#endif
}

TEST(PropertyWriteFaults, AMissingPermissionIsReportedAsSuch)
{
    TempDir dir;
    const std::string doc = dir / "private.docx";
    ASSERT_TRUE(Write({}, doc, Properties{}));
    // Injected, so that it holds when the tests run as root too.
    test::FaultyFileSystem fs;
    std::string error;
    {
        files::ScopedFileSystem scope(fs);
        fs.FailNth(test::IoCall::Open, 1, EACCES);
        EXPECT_FALSE(Read(doc, &error));
    }
    EXPECT_THAT(error, HasSubstr("Permission denied"));
    EXPECT_THAT(error, HasSubstr(doc));
    EXPECT_THAT(error, Not(HasSubstr("damaged")));
    {
        files::ScopedFileSystem scope(fs);
        fs.Reset();
        fs.FailNth(test::IoCall::Open, 1, EACCES);
        EXPECT_FALSE(Write(doc, doc, Properties{}, &error));
    }
    EXPECT_THAT(error, HasSubstr("Permission denied"));
    EXPECT_THAT(error, Not(HasSubstr("damaged")));
}

TEST(PropertyWriteFaults, AnEntryThatCouldNotBeStoredIsNotReadBackAsStored)
{
    std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenBytes({}, nullptr);
    ASSERT_TRUE(pkg);
    std::string error;
    ASSERT_TRUE(pkg->Put("good.xml", "<good/>", true, &error)) << error;
    // A name that is not the UTF-8 it claims to be cannot be stored.
    const std::string bad = "bad\xFF\xFE.xml";
    EXPECT_FALSE(pkg->Put(bad, "<bad/>", true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(pkg->Read(bad, &error)) << "what failed to be stored is not there";
    EXPECT_EQ(pkg->Read("good.xml", &error).value_or(""), "<good/>");
    std::optional<std::string> bytes = pkg->Finish(&error);
    ASSERT_TRUE(bytes) << error;
    std::unique_ptr<ZipPackage> reread = ZipPackage::OpenBytes(*bytes, &error);
    ASSERT_TRUE(reread) << error;
    EXPECT_TRUE(reread->Has("good.xml"));
    EXPECT_FALSE(reread->Has(bad));
}
