// Drives the quillmark executable as users and scripts do.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/taggingdatabase.h"
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

using quillmark::test::ProcessOptions;
using quillmark::test::ProcessResult;
using quillmark::test::RunProcess;
using quillmark::test::TempDir;

namespace {

class QuillmarkCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string db = dir / "tags.xml";

    ProcessOptions Options() const
    {
        ProcessOptions options;
        options.env = {{"QUILLMARK_REGISTRY", dir / "registry.reg"}, {"XDG_DATA_HOME", dir / "data"},
                       {"XDG_CONFIG_HOME", dir / "config"}};
        options.workingDir = dir.Path();
        return options;
    }
    ProcessResult Run(std::vector<std::string> args, bool withDb = true) const
    {
        if (withDb)
            args.insert(args.begin(), {"--db", db});
        args.insert(args.begin(), QUILLMARK_BIN);
        return RunProcess(args, Options());
    }
    std::string ReadDb() const
    {
        std::ifstream in(db);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(QuillmarkCommand, TagShowTagsFindRemoveRoundTrip)
{
    const std::string a = dir.WriteFile("Budget.doc", "x");
    const std::string b = dir.WriteFile("Plan.ppt", "y");
    ASSERT_EQ(Run({"tag", a, "budget , Finance 2005,budget,,"}).exitCode, 0);
    ASSERT_EQ(Run({"tag", b, "Budget, R&D"}).exitCode, 0);

    ProcessResult show = Run({"show", a});
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.out, "budget\nFinance 2005\nbudget\n");

    EXPECT_EQ(Run({"tags"}).out, "Budget\nFinance 2005\nR&D\nbudget\n");

    // Database order, tab, tags joined by ", ".
    EXPECT_EQ(Run({"find", "BUD"}).out, a + "\tbudget, Finance 2005, budget\n" + b + "\tBudget, R&D\n");
    EXPECT_EQ(Run({"find", "--type", "ppt", "bud"}).out, b + "\tBudget, R&D\n");
    EXPECT_EQ(Run({"find", "bud", "--type", "doc", "--type", "ppt"}).out,
              a + "\tbudget, Finance 2005, budget\n" + b + "\tBudget, R&D\n");
    EXPECT_EQ(Run({"find", "nothing like it"}).out, "");

    // Re-tagging moves the record last.
    ASSERT_EQ(Run({"tag", a, "final"}).exitCode, 0);
    EXPECT_EQ(Run({"find"}).out, b + "\tBudget, R&D\n" + a + "\tfinal\n");

    EXPECT_EQ(Run({"remove", b}).exitCode, 0);
    EXPECT_EQ(Run({"find"}).out, a + "\tfinal\n");
    EXPECT_EQ(Run({"show", b}).out, "");
}

TEST_F(QuillmarkCommand, RelativePathsAreAnchoredAtTheWorkingDirectory)
{
    dir.WriteFile("Notes.doc", "x");
    ASSERT_EQ(Run({"tag", "Notes.doc", "notes"}).exitCode, 0);
    EXPECT_EQ(Run({"show", dir / "Notes.doc"}).out, "notes\n");
    quillmark::TaggingDatabase hasher;
    EXPECT_EQ(Run({"fingerprint", "Notes.doc"}, false).out, hasher.GetMd5Hex(dir / "Notes.doc") + "\n");
    // A Windows path is stored as given, and its type comes after the last dot.
    ASSERT_EQ(Run({"tag", "C:\\Reports\\Q1.DOC", "q1"}).exitCode, 0);
    EXPECT_EQ(Run({"find", "q1"}).out, "C:\\Reports\\Q1.DOC\tq1\n");
    EXPECT_EQ(Run({"find", "q1", "--type", "doc"}).out, "");
}

TEST_F(QuillmarkCommand, MissingFileIsStoredWithoutDatesAndWarned)
{
    const std::string ghost = dir / "ghost.doc";
    ProcessResult result = Run({"tag", ghost, "phantom"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("does not exist"), std::string::npos);
    EXPECT_EQ(ReadDb().find("writedate"), std::string::npos);
    EXPECT_EQ(Run({"show", ghost}).out, "phantom\n");

    const std::string real = dir.WriteFile("real.doc", "x");
    result = Run({"tag", real, "solid"});
    EXPECT_EQ(result.err, "");
    EXPECT_NE(ReadDb().find("writedate"), std::string::npos);
}

TEST_F(QuillmarkCommand, ExitStatusSeparatesFailureFromUsage)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    ASSERT_EQ(Run({"tag", a, "keep"}).exitCode, 0);
    ProcessResult empty = Run({"tag", a, ""});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_FALSE(empty.err.empty());
    EXPECT_EQ(Run({"show", a}).out, "keep\n"); // nothing lost

    // The database cannot be written below a plain file.
    dir.WriteFile("plain", "x");
    ProcessResult unwritable = RunProcess({QUILLMARK_BIN, "--db", dir / "plain/tags.xml", "tag", a, "x"}, Options());
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("could not"), std::string::npos);

    EXPECT_EQ(Run({}).exitCode, 2);
    EXPECT_EQ(Run({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(Run({"tag", a}).exitCode, 2);
    EXPECT_EQ(Run({"show"}).exitCode, 2);
    EXPECT_EQ(Run({"find", "--type"}).exitCode, 2);

    ProcessResult help = Run({"--help"}, false);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("fingerprint"), std::string::npos);
    ProcessResult tagHelp = Run({"tag", "--help"}, false);
    EXPECT_EQ(tagHelp.exitCode, 0);
    EXPECT_NE(tagHelp.out.find("TAGS"), std::string::npos);
}

TEST_F(QuillmarkCommand, WithoutDbTheSettingsNameTheDatabase)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    ASSERT_EQ(Run({"tag", a, "settled"}, false).exitCode, 0);
    const std::string expected = dir / "data/quillmark/tags.xml";
    ASSERT_TRUE(std::filesystem::exists(expected));
    struct stat info{};
    ASSERT_EQ(stat(expected.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Run({"show", a}, false).out, "settled\n");
    EXPECT_FALSE(std::filesystem::exists(db));
}

} // namespace
