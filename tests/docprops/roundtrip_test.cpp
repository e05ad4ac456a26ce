// Tags saved through the add-in into files that LibreOffice made, confirmed by other
// programs: exiftool and a fresh host read them back, LibreOffice still converts the
// saved file, and every other part of it is as it was. Damaged files open with a
// message and saving leaves them as they are.
#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "tests/docprops/packageparts.h"
#include "tests/e2e/hostsession.h"
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace quillmark::test {
namespace {

// The program `name` on $PATH, "" when there is none.
std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) return folder + "/" + name;
    return {};
}

constexpr const char* kPresentation = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation>
  <draw:page draw:name="one"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm">
   <draw:text-box><text:p>First slide</text:p></draw:text-box></draw:frame></draw:page>
  <draw:page draw:name="two"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm">
   <draw:text-box><text:p>Second slide</text:p></draw:text-box></draw:frame></draw:page>
 </office:presentation></office:body>
</office:document>
)";

struct Made {
    const char* ext;
    const char* host;
};
const Made kMade[] = {{"docx", "word"}, {"pptx", "powerpoint"}, {"odt", "word"},
                      {"odp", "powerpoint"}, {"doc", "word"}, {"ppt", "powerpoint"}};

// Documents LibreOffice made from a small text and a two-slide presentation, shared by the suite.
class LibreOfficeFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_soffice = FindProgram("soffice");
        s_exiftool = FindProgram("exiftool");
        if (s_soffice.empty() || s_exiftool.empty()) return;
        s_pDir = std::make_unique<TempDir>();
        s_pDir->WriteFile("report.txt", "Quarterly report\nSecond line\n");
        s_pDir->WriteFile("deck.fodp", kPresentation);
        for (const Made& made : kMade) {
            const bool bText = std::string(made.host) == "word";
            ProcessResult r = Soffice({"--convert-to", made.ext, "--outdir", *s_pDir / "made",
                                       *s_pDir / (bText ? "report.txt" : "deck.fodp")});
            const std::string file = *s_pDir / (std::string("made/") + (bText ? "report." : "deck.") + made.ext);
            if (!files::Exists(file)) {
                s_strSkip = std::string("LibreOffice did not convert to ") + made.ext + ": " + r.err;
                return;
            }
        }
    }
    static void TearDownTestSuite() { s_pDir.reset(); }

    void SetUp() override
    {
        if (s_soffice.empty() || s_exiftool.empty()) GTEST_SKIP() << "needs LibreOffice (soffice) and exiftool";
        if (!s_strSkip.empty()) GTEST_SKIP() << s_strSkip;
    }

    // soffice headless with a private profile in the suite's folder.
    static ProcessResult Soffice(std::vector<std::string> args)
    {
        std::vector<std::string> argv{s_soffice, "-env:UserInstallation=file://" + (*s_pDir / "profile"),
                                      "--headless", "--norestore"};
        argv.insert(argv.end(), args.begin(), args.end());
        ProcessOptions options;
        options.env = {{"HOME", s_pDir->Path()}};
        return RunProcess(argv, options);
    }
    static std::string MadeFile(const Made& made)
    {
        return *s_pDir / (std::string("made/") + (std::string(made.host) == "word" ? "report." : "deck.") + made.ext);
    }
    static std::string Exiftool(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{s_exiftool};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv).out;
    }

    static inline std::string s_soffice, s_exiftool, s_strSkip;
    static inline std::unique_ptr<TempDir> s_pDir;
};

// Keywords as exiftool reads them: one text, or one entry per keyword in OpenDocument.
std::string KeywordsByExiftool(const std::string& exiftool, const std::string& path)
{
    const bool bOdf = docprops::FormatOf(path) == docprops::Format::OpenDocument;
    ProcessResult r = RunProcess({exiftool, "-s3", "-a", bOdf ? "-Keyword" : "-Keywords", path});
    std::string joined, line;
    std::stringstream lines(r.out);
    while (std::getline(lines, line)) joined += (joined.empty() ? "" : ", ") + line;
    return joined;
}

// The Keywords property as a host without any add-in reads it from the file.
std::string KeywordsByFreshHost(const TempDir& dir, const std::string& host, const std::string& path)
{
    ProcessOptions options;
    options.env = {{"QUILLMARK_REGISTRY", dir / "empty.reg"}, {"XDG_DATA_HOME", dir / "data"},
                   {"XDG_CONFIG_HOME", dir / "config"},     {"XDG_CACHE_HOME", dir / "cache"},
                   {"XDG_RUNTIME_DIR", dir.Path()},          {"QT_QPA_PLATFORM", "offscreen"}};
    options.input = "open " + path + "\nkeywords\n";
    ProcessResult r = RunProcess({QUILLMARK_HOST_BIN, "--host", host, "--script", "-"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << "the file opens without a message";
    const std::string marker = "> keywords\n";
    const size_t at = r.out.find(marker);
    if (at == std::string::npos) return "(no answer: " + r.out + ")";
    std::string value = r.out.substr(at + marker.size());
    if (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

TEST_F(LibreOfficeFiles, TagsSavedThroughTheAddinAreReadByOtherProgramsAndNothingElseChanges)
{
    AddinHosts hosts;
    TempDir fresh;
    std::vector<std::string> saved;
    for (const Made& made : kMade) {
        SCOPED_TRACE(made.ext);
        const std::string original = MadeFile(made);
        const std::string name = std::string("Tagged-") + made.ext + "." + made.ext;
        const std::string path = hosts.Doc(name);
        ASSERT_TRUE(files::AtomicReplace(path, *files::ReadFile(original), 0644));

        // The database holds the tags; the add-in writes them into the document at the save.
        hosts.Tag(path, "alpha, Beta Ünï, ☃ snow");
        ProcessResult r = hosts.Script(made.host, "open " + name + "\nsave\nkeywords\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string keywords = r.out.substr(r.out.rfind("> keywords\n") + 11, std::string::npos);
        const std::string expected = keywords.substr(0, keywords.size() - 1);
        EXPECT_EQ(expected.rfind("alpha, Beta Ünï, ☃ snow", 0), 0u) << expected;

        EXPECT_EQ(KeywordsByExiftool(s_exiftool, path), expected);
        EXPECT_EQ(KeywordsByFreshHost(fresh, made.host, path), expected);

        // Every other part as LibreOffice stored it.
        if (docprops::FormatOf(path) == docprops::Format::Ole2) {
            auto before = Ole2Streams(original), after = Ole2Streams(path);
            EXPECT_EQ(after.size(), before.size());
            for (const auto& [stream, content] : before) {
                if (stream != "\005SummaryInformation") {
                    EXPECT_TRUE(after[stream] == content) << "stream " << stream << " changed";
                }
            }
            // So are the other summary properties, the slide thumbnail among them.
            EXPECT_EQ(Exiftool({"-b", "-ThumbnailClip", path}), Exiftool({"-b", "-ThumbnailClip", original}));
        } else {
            const std::string part = docprops::FormatOf(path) == docprops::Format::OpenDocument ? "meta.xml"
                                                                                               : "docProps/core.xml";
            std::vector<std::string> orderBefore, orderAfter;
            auto before = ZipEntries(original, &orderBefore), after = ZipEntries(path, &orderAfter);
            EXPECT_EQ(orderAfter, orderBefore);
            for (const auto& [entry, stored] : before) {
                if (entry != part) {
                    EXPECT_TRUE(after[entry] == stored) << "entry " << entry << " changed";
                }
            }
        }
        saved.push_back(path);
    }

    // LibreOffice still reads every saved file.
    std::vector<std::string> args{"--convert-to", "pdf", "--outdir", *s_pDir / "pdf"};
    args.insert(args.end(), saved.begin(), saved.end());
    ProcessResult pdf = Soffice(args);
    for (const Made& made : kMade) {
        const std::string out = *s_pDir / (std::string("pdf/Tagged-") + made.ext + ".pdf");
        std::optional<std::string> bytes = files::ReadFile(out);
        ASSERT_TRUE(bytes) << out << " was not made: " << pdf.out << pdf.err;
        EXPECT_EQ(bytes->rfind("%PDF", 0), 0u) << out;
    }
}

TEST(DamagedDocuments, OpenWithAMessageAndSavingChangesNothing)
{
    AddinHosts hosts;
    const std::string whole = [&] {
        TempDir dir;
        EXPECT_TRUE(docprops::Write({}, dir / "a.docx", {}));
        return files::ReadFile(dir / "a.docx").value_or("");
    }();
    ASSERT_FALSE(whole.empty());
    const std::string truncated = hosts.Doc("Truncated.docx");
    ASSERT_TRUE(files::AtomicReplace(truncated, whole.substr(0, whole.size() * 2 / 3), 0644));
    const std::string text = hosts.Doc("Letter.doc");
    ASSERT_TRUE(files::AtomicReplace(text, "Dear reader,\nthis is plain text.\n", 0644));

    for (const std::string& path : {truncated, text}) {
        SCOPED_TRACE(path);
        const std::string before = *files::ReadFile(path);
        const files::FileStamp stamp = files::GetFileStamp(path);
        hosts.Tag(path, "kept, elsewhere");
        ProcessResult r = hosts.Script("word", "open " + path + "\nset-keywords 'new, tags'\nsave\nkeywords\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find("warning: " + path + ": the document properties cannot be read"), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("warning: " + path + " was left unchanged"), std::string::npos) << r.err;
        EXPECT_EQ(*files::ReadFile(path), before);
        // Not rewritten (the file-system tags attribute may change, which moves only its ctime).
        const files::FileStamp after = files::GetFileStamp(path);
        EXPECT_EQ(after.inode, stamp.inode);
        EXPECT_EQ(after.mtimeNs, stamp.mtimeNs);
        EXPECT_NE(r.out.find("> keywords\n"), std::string::npos) << "the document stays usable: " << r.out;
    }
}

} // namespace
} // namespace quillmark::test
