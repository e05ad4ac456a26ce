// quillmark scan from outside: real documents made by LibreOffice, moved and
// renamed between scans, tags from their Keywords and their file-system tags.
#include "tests/cli/commandfixture.h"
#include "tests/cli/libreofficedocuments.h"
#include "tests/support/getfattr.h"

#include "docprops/docprops.h"
#include "store/taggingdatabase.h"
#include "store/tagtext.h"

namespace quillmark::test {
namespace {

class ScanCommand : public CommandTest {
protected:
    void SetUp() override
    {
        if (!LibreOfficeDocuments::Get().Error().empty())
            GTEST_FAIL() << LibreOfficeDocuments::Get().Error();
    }
    static std::string Doc(const std::string& name) { return LibreOfficeDocuments::Get().Path(name); }
    std::string Put(const std::string& name, const std::string& where) const { return Copy(Doc(name), dir / where); }
    std::string Show(const std::string& path) const { return Run({"show", path}).out; }
    static std::string Md5(const std::string& path) { return TaggingDatabase().GetMd5Hex(path); }
};

TEST_F(ScanCommand, TagsComeFromKeywordsAndFileSystemTagsAndMovedOrRenamedFilesAreFoundAgain)
{
    const std::string report = Put("report.docx", "docs/report.docx");
    const std::string notes = Put("notes.odt", "docs/notes.odt");
    const std::string slides = Put("slides.odp", "docs/slides.odp");
    const std::string memo = Put("memo.doc", "docs/old/memo.doc");
    // A record from before, and file-system tags a file manager gave.
    ASSERT_EQ(Run({"tag", notes, "old"}).exitCode, 0);
    ASSERT_EQ(RunProcess({"/usr/bin/setfattr", "-n", "user.xdg.tags", "-v", "Extra,Notes", notes}).exitCode, 0);

    ProcessResult scan = Run({"scan", "docs"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(scan.out, "added: " + memo + "\nadded: " + report + "\nadded: " + slides + "\nupdated: " + notes +
                            "\n4 files read, 3 added, 1 updated, 0 moved, 0 missing, 0 ambiguous, 0 damaged\n");
    EXPECT_EQ(scan.out.find('\r'), std::string::npos); // no progress line when not on a terminal
    EXPECT_EQ(Show(report), "Budget\nÜnïcödé\nreport\n");
    EXPECT_EQ(Show(notes), "old\nNotes\nExtra\nnotes\n");
    EXPECT_EQ(Show(slides), "Talk\nslides\n");
    EXPECT_EQ(Show(memo), "Memo\nBudget\nmemo\n");
    // The files get the tags stored for them.
    EXPECT_EQ(GetFattrTags(report), "Budget,Ünïcödé,report");
    EXPECT_EQ(GetFattrTags(notes), "old,Notes,Extra,notes");
    // Found by any letter case, in every language.
    EXPECT_EQ(Run({"find", "ÜNÏ"}).out, report + "\tBudget, Ünïcödé, report\n");

    // A second scan finds everything in step and writes nothing.
    const std::string settled = ReadDb();
    scan = Run({"scan", "docs"});
    EXPECT_EQ(scan.exitCode, 0);
    EXPECT_TRUE(Has(scan.out, "4 files read, 0 added, 0 updated, 0 moved, 0 missing")) << scan.out;
    EXPECT_EQ(ReadDb(), settled);

    // The presentation has previews, kept under its fingerprint.
    std::filesystem::create_directories(dbFolder + "/" + Md5(slides));
    std::ofstream(dbFolder + "/" + Md5(slides) + "/Slide1.jpg") << "jpeg";

    // Moved across folders and renamed, outside the office.
    const std::string newReport = dir / "other/Q1 report.docx";
    const std::string newSlides = dir / "docs/sub/talk.odp";
    Move(report, newReport);
    Move(slides, newSlides);
    const std::string cache = Read(db + ".scan");

    ProcessResult dry = Run({"scan", "--dry-run", "docs", "other"});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_TRUE(Has(dry.out, "moved: " + report + " -> " + newReport + "\n")) << dry.out;
    EXPECT_TRUE(Has(dry.out, "dry run, nothing changed: 4 files read, 0 added, 0 updated, 2 moved")) << dry.out;
    EXPECT_EQ(ReadDb(), settled); // the database's bytes are equal
    EXPECT_EQ(Read(db + ".scan"), cache);
    EXPECT_TRUE(std::filesystem::exists(dbFolder + "/" + Md5(slides) + "/Slide1.jpg"));
    EXPECT_EQ(GetFattrTags(newReport), "Budget,Ünïcödé,report");

    scan = Run({"scan", "docs", "other"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_TRUE(Has(scan.out, "moved: " + report + " -> " + newReport + "\n")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "moved: " + slides + " -> " + newSlides + "\n")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "4 files read, 0 added, 0 updated, 2 moved, 0 missing, 0 ambiguous, 0 damaged\n"))
        << scan.out;
    // The record moved with its tags, and took the new file-name tag.
    EXPECT_EQ(Show(newReport), "Budget\nÜnïcödé\nreport\nQ1 report\n");
    EXPECT_EQ(Show(newSlides), "Talk\nslides\ntalk\n");
    EXPECT_EQ(Run({"show", report}).exitCode, 1);
    EXPECT_EQ(Run({"find", "--type", "odp"}).out, newSlides + "\tTalk, slides, talk\n");
    // The previews followed the fingerprint.
    EXPECT_TRUE(std::filesystem::exists(dbFolder + "/" + Md5(newSlides) + "/Slide1.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dbFolder + "/" + Md5(slides)));

    // Without what the scans remembered of the content, the same tags and the
    // same file name are enough.
    std::filesystem::remove(db + ".scan");
    const std::string newNotes = dir / "other/deeper/notes.odt";
    Move(notes, newNotes);
    scan = Run({"scan", "docs", "other"});
    EXPECT_TRUE(Has(scan.out, "moved: " + notes + " -> " + newNotes + "\n")) << scan.out;
    EXPECT_EQ(Show(newNotes), "old\nNotes\nExtra\nnotes\n");
}

TEST_F(ScanCommand, AmbiguousMatchesAreReportedAndLeftAlone)
{
    const std::string report = Put("report.docx", "docs/report.docx");
    const std::string memo = Put("memo.doc", "docs/memo.doc");
    const std::string memoCopy = Put("memo.doc", "docs/copy/memo.doc");
    ASSERT_EQ(Run({"scan", "docs"}).exitCode, 0);

    // One record, two files of its content.
    const std::string a = Copy(report, dir / "a/report.docx");
    const std::string b = Copy(report, dir / "b/report.docx");
    std::filesystem::remove(report);
    // Two records, one file of their content.
    std::filesystem::remove(memo);
    std::filesystem::remove(memoCopy);
    const std::string memoNew = Put("memo.doc", "c/memo.doc");
    const std::string before = ReadDb();

    ProcessResult scan = Run({"scan", "docs", "a", "b", "c"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_TRUE(Has(scan.out, "ambiguous: " + report + " could be " + a + ", " + b + "\n")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "ambiguous: " + memoCopy + " could be " + memoNew + " (which 2 records could be)\n"))
        << scan.out;
    EXPECT_TRUE(Has(scan.out, "3 files read, 0 added, 0 updated, 0 moved, 0 missing, 3 ambiguous, 0 damaged"))
        << scan.out;
    // Left alone: no record moved, none made for the files in question.
    EXPECT_EQ(ReadDb(), before);
    EXPECT_EQ(Run({"show", report}).out, "Budget\nÜnïcödé\nreport\n");
    EXPECT_EQ(Run({"show", a}).exitCode, 1);
}

TEST_F(ScanCommand, MissingFilesAreListedAndRemovedOnlyWithPrune)
{
    const std::string report = Put("report.docx", "docs/report.docx");
    const std::string notes = Put("notes.odt", "docs/notes.odt");
    ASSERT_EQ(Run({"scan", "docs"}).exitCode, 0);
    // A record of a missing file outside the scanned folders is none of the scan's business.
    ASSERT_EQ(Run({"tag", dir / "elsewhere/gone.doc", "kept"}).exitCode, 0);
    std::filesystem::remove(notes);

    ProcessResult scan = Run({"scan", "docs"});
    EXPECT_EQ(scan.out, "missing: " + notes + "\n1 files read, 0 added, 0 updated, 0 moved, 1 missing, 0 ambiguous, "
                                              "0 damaged\n");
    EXPECT_EQ(Run({"show", notes}).out, "Notes\nnotes\n");

    const std::string before = ReadDb();
    scan = Run({"scan", "--dry-run", "--prune", "docs"});
    EXPECT_TRUE(Has(scan.out, "missing: " + notes + "\n")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "1 missing (0 removed)")) << scan.out;
    EXPECT_EQ(ReadDb(), before);

    scan = Run({"scan", "--prune", "docs"});
    EXPECT_EQ(scan.exitCode, 0);
    EXPECT_EQ(scan.out, "removed: " + notes + "\n1 files read, 0 added, 0 updated, 0 moved, 1 missing (1 removed), "
                                              "0 ambiguous, 0 damaged\n");
    EXPECT_EQ(Run({"show", notes}).exitCode, 1);
    EXPECT_EQ(Run({"show", report}).out, "Budget\nÜnïcödé\nreport\n");
    EXPECT_EQ(Run({"show", dir / "elsewhere/gone.doc"}).out, "kept\n");
}

TEST_F(ScanCommand, DamagedFilesAreCountedAndNamedAndLeftAsTheyWere)
{
    const std::string report = Put("report.docx", "docs/report.docx");
    const std::string whole = Read(Doc("memo.doc"));
    std::filesystem::create_directories(dir / "docs");
    const std::string truncated = dir / "docs/truncated.doc";
    std::ofstream(truncated, std::ios::binary) << whole.substr(0, whole.size() / 2);
    const std::string fake = dir / "docs/fake.pptx";
    std::ofstream(fake, std::ios::binary) << "PK\x03\x04 not really a package";

    ProcessResult scan = Run({"scan", "docs"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_TRUE(Has(scan.out, "added: " + report + "\n")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "damaged: " + truncated + ": ")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "damaged: " + fake + ": ")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "3 files read, 1 added, 0 updated, 0 moved, 0 missing, 0 ambiguous, 2 damaged\n"))
        << scan.out;
    EXPECT_EQ(Read(truncated), whole.substr(0, whole.size() / 2));
    EXPECT_EQ(Read(fake), "PK\x03\x04 not really a package");
    EXPECT_EQ(Run({"show", fake}).exitCode, 1);
}

TEST_F(ScanCommand, KeywordsBeyondTheLimitsGiveBoundedRecordsAndAreNamed)
{
    // A LibreOffice document given one keyword of 20,000 characters and 3,000
    // short ones (within the 64 KB a property may have).
    const std::string big = Put("report.docx", "docs/big.docx");
    std::vector<std::string> keywords = {std::string(20000, 'w')};
    for (int i = 0; i < 3000; ++i) keywords.push_back("s" + std::to_string(i));
    docprops::Properties properties;
    properties.keywords = JoinTags(keywords);
    std::string error;
    ASSERT_TRUE(docprops::Write(big, big, properties, &error)) << error;

    ProcessResult scan = Run({"scan", "docs"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    std::string expected = std::string(256, 'w') + "\n";
    for (int i = 0; i < 999; ++i) expected += "s" + std::to_string(i) + "\n";
    EXPECT_TRUE(Show(big) == expected + "big\n") << Show(big).substr(0, 300);
    EXPECT_TRUE(Has(scan.out, "added: " + big + "\n")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "limited: " + big + ": 1 tags cut to 256 characters, 2001 left out beyond 1000 tags"))
        << scan.out;
    const auto after = docprops::Read(big, &error);
    ASSERT_TRUE(after) << error;
    EXPECT_EQ(after->keywords, JoinTags(keywords));

    // Scanned again: nothing new enters, and the file is named again.
    scan = Run({"scan", "docs"});
    EXPECT_TRUE(Has(scan.out, "0 added, 0 updated")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "limited: " + big + ": ")) << scan.out;
    EXPECT_TRUE(Show(big) == expected + "big\n");

    // A record with a tag the user gave stays whole; the file adds within the limits.
    ASSERT_EQ(Run({"tag", big, std::string(300, 'u')}).exitCode, 0);
    scan = Run({"scan", "docs"});
    EXPECT_TRUE(Has(scan.out, "1 updated")) << scan.out;
    EXPECT_TRUE(Show(big) == std::string(300, 'u') + "\n" + expected + "big\n") << Show(big).substr(0, 400);
}

TEST_F(ScanCommand, LinksOutAndTheTemporaryFolderAreNotScanned)
{
    const std::string report = Put("report.docx", "docs/report.docx");
    Put("notes.odt", "outside/notes.odt");
    std::filesystem::create_directory_symlink(dir / "outside", dir / "docs/link");
    std::filesystem::create_symlink(dir / "outside/notes.odt", dir / "docs/notes-link.odt");
    // The temporary folder, inside the scanned one.
    ProcessOptions options = Options();
    options.env["TMPDIR"] = dir / "docs/scratch";
    Put("slides.odp", "docs/scratch/slides.odp");
    ProcessResult scan = RunProcess({QUILLMARK_BIN, "--db", db, "scan", dir / "docs"}, options);
    EXPECT_EQ(scan.out, "added: " + report + "\n1 files read, 1 added, 0 updated, 0 moved, 0 missing, 0 ambiguous, "
                                             "0 damaged\n");

    EXPECT_EQ(Run({"scan", dir / "docs/report.docx"}).exitCode, 1); // a file is no folder
    EXPECT_EQ(Run({"scan"}).exitCode, 2);
}

// The command reads documents through a module beside it; a copy of the
// program without it says why they are not read, and still records them.
TEST_F(ScanCommand, WithoutItsModuleTheCommandSaysWhyDocumentsAreNotRead)
{
    const std::string memo = Put("memo.doc", "docs/memo.doc");
    const std::string report = Put("report.docx", "docs/report.docx");
    const std::string lone = dir / "lone-quillmark";
    std::filesystem::copy_file(QUILLMARK_BIN, lone);
    const ProcessResult scan = RunProcess({lone, "--db", db, "scan", "docs"}, Options());
    for (const std::string& document : {memo, report})
        EXPECT_TRUE(Has(scan.out, "damaged: " + document + ": ")) << scan.out;
    EXPECT_TRUE(Has(scan.out, "cannot load the reader of documents' properties")) << scan.out;
    EXPECT_TRUE(Has(scan.out, ", 2 damaged")) << scan.out;
    // The program itself still answers.
    EXPECT_EQ(RunProcess({lone, "--db", db, "tag", report, "by hand"}, Options()).exitCode, 0);
    EXPECT_EQ(Show(report), "by hand\n");
}

} // namespace
} // namespace quillmark::test
