// Saving the properties of a large package: the other entries go from the old file to
// the new one without a copy of the whole file in memory, whether the file is replaced
// or (having several hard links) rewritten in place; a rewrite in place that fails
// halfway puts the former content back.
#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "tests/docprops/packageparts.h"
#include "tests/support/faultyfilesystem.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark;
using namespace quillmark::docprops;
using quillmark::test::TempDir;

namespace {

constexpr std::size_t kMediaBytes = 32u << 20;

// A package with `mediaBytes` of incompressible media, stored.
void WriteLargePackage(const std::string& path, std::size_t mediaBytes)
{
    std::string media(mediaBytes, '\0');
    std::mt19937_64 random(42);
    for (std::size_t i = 0; i + 8 <= media.size(); i += 8) {
        const std::uint64_t value = random();
        std::memcpy(media.data() + i, &value, 8);
    }
    test::WriteZip(path,
                   {{"[Content_Types].xml",
                     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
                     "PartName=\"/docProps/core.xml\" ContentType=\"application/"
                     "vnd.openxmlformats-package.core-properties+xml\"/></Types>"},
                    {"_rels/.rels",
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                     "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/package/2006/"
                     "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/></Relationships>"},
                    {"word/document.xml", "<w:document xmlns:w=\"urn:w\"/>"},
                    {"word/media/video.bin", media},
                    {"docProps/core.xml",
                     "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
                     "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Large</dc:title>"
                     "</cp:coreProperties>"}},
                   {"word/media/video.bin"});
}

// Runs `work` in a child process, so that its peak memory is its own: the growth of
// the peak resident set over the call in KiB, or -1 when `work` failed.
template <typename Work>
long PeakGrowthKibOf(Work work)
{
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        const long before = usage.ru_maxrss;
        long growth = work() ? 0 : -1;
        ::getrusage(RUSAGE_SELF, &usage);
        if (growth == 0) growth = usage.ru_maxrss - before;
        (void)!::write(fds[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(fds[1]);
    long growth = -1;
    if (child < 0 || ::read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    ::close(fds[0]);
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    return growth;
}

std::vector<std::string> HiddenFiles(const TempDir& dir) { return files::ListFiles(dir.Path(), ".*"); }

} // namespace

TEST(LargeDocuments, SavingStreamsTheOtherEntriesWhetherTheFileIsReplacedOrRewrittenInPlace)
{
    TempDir dir;
    const std::string original = dir / "original.docx";
    // Made in a child too, so that this process never holds the media.
    ASSERT_GE(PeakGrowthKibOf([&] {
                  WriteLargePackage(original, kMediaBytes);
                  return true;
              }),
              0);
    const std::string replaced = dir / "replaced.docx", linked = dir / "linked.docx", other = dir / "other.docx";
    ASSERT_TRUE(std::filesystem::copy_file(original, replaced));
    ASSERT_TRUE(std::filesystem::copy_file(original, linked));
    ASSERT_EQ(::link(linked.c_str(), other.c_str()), 0);

    Properties tagged;
    tagged.title = "Large";
    tagged.keywords = "budget, video";
    const long limitKib = static_cast<long>(kMediaBytes / 1024 / 3); // any whole copy is three times this
    for (const std::string& doc : {replaced, linked}) {
        std::string error;
        const long growth = PeakGrowthKibOf([&] { return Write(doc, doc, tagged, &error); });
        ASSERT_GE(growth, 0) << doc << " was not written";
        EXPECT_LT(growth, limitKib) << doc << ": the save held " << growth << " KiB, a copy of the file";
    }

    struct stat st {};
    ASSERT_EQ(::stat(linked.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u) << "hard links are kept";
    EXPECT_EQ(Read(other)->keywords, tagged.keywords) << "the other name sees the new properties";
    EXPECT_EQ(Read(replaced)->keywords, tagged.keywords);
    EXPECT_EQ(HiddenFiles(dir), std::vector<std::string>{}) << "no temporary file or backup is left";
    const auto before = test::ZipEntries(original);
    for (const std::string& doc : {replaced, linked}) {
        const auto after = test::ZipEntries(doc);
        EXPECT_EQ(after.size(), before.size());
        for (const auto& [name, entry] : before) {
            if (name == "docProps/core.xml") continue;
            EXPECT_TRUE(after.at(name) == entry) << name << " in " << doc;
        }
    }
}

TEST(LargeDocuments, ARewriteInPlaceThatFailsHalfwayPutsTheFormerContentBack)
{
    TempDir dir;
    const std::string doc = dir / "linked.docx", other = dir / "other.docx";
    WriteLargePackage(doc, 1u << 20);
    ASSERT_EQ(::link(doc.c_str(), other.c_str()), 0);
    const std::string bytes = *files::ReadFile(doc);

    // The backup copy takes one write a 64 KiB piece; the failure comes a few
    // pieces into the new content.
    const int backupWrites = static_cast<int>((bytes.size() + 65535) / 65536);
    test::FaultyFileSystem fs;
    std::string error;
    {
        files::ScopedFileSystem scope(fs);
        fs.FailNth(test::IoCall::Write, backupWrites + 3, ENOSPC);
        Properties tagged;
        tagged.keywords = "budget";
        EXPECT_FALSE(Write(doc, doc, tagged, &error));
    }
    EXPECT_TRUE(fs.Failed());
    EXPECT_NE(error.find("former content was put back"), std::string::npos) << error;
    EXPECT_EQ(*files::ReadFile(doc), bytes);
    struct stat st {};
    ASSERT_EQ(::stat(doc.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(HiddenFiles(dir), std::vector<std::string>{});
}
