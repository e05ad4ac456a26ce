// Drives the quillmark executable as users and scripts do.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

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
        // The test's files are not in the temporary folder, where nothing is tagged.
        options.env = {{"QUILLMARK_REGISTRY", dir / "registry.reg"}, {"XDG_DATA_HOME", dir / "data"},
                       {"XDG_CONFIG_HOME", dir / "config"}, {"TMPDIR", dir / "tmp"}};
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

TEST_F(QuillmarkCommand, TextWithoutATagAndAnEmptyPathStoreNothing)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    ASSERT_EQ(Run({"tag", a, "keep"}).exitCode, 0);
    for (const std::string blank : {"", ", ,", " , \t,"}) {
        ProcessResult result = Run({"tag", a, blank});
        EXPECT_EQ(result.exitCode, 1) << "[" << blank << "]";
        EXPECT_NE(result.err.find("no tag"), std::string::npos) << result.err;
        EXPECT_EQ(Run({"show", a}).out, "keep\n") << "[" << blank << "]";
    }
    const std::string before = ReadDb();
    for (const std::string command : {"tag", "show", "remove"}) {
        std::vector<std::string> args = {command, ""};
        if (command == "tag")
            args.push_back("x");
        ProcessResult result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << command;
        EXPECT_NE(result.err.find("empty"), std::string::npos) << result.err;
    }
    EXPECT_EQ(ReadDb(), before);
}

TEST_F(QuillmarkCommand, SettingsWithoutADatabaseFolderFailAndLeaveTheWorkingFolderAlone)
{
    // An unrelated, unreadable tags.xml in the working folder must stay where it is.
    const std::string local = dir.WriteFile("tags.xml", "not a database");
    const std::string a = dir.WriteFile("a.doc", "x");
    std::filesystem::create_directories(dir / "config");
    dir.WriteFile("registry.reg", "Windows Registry Editor Version 5.00\n\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\n"
                                  "\"DatabasePath\"=dword:00000005\n");
    for (std::vector<std::string> args : {std::vector<std::string>{"tags"}, {"find", "x"}, {"show", a},
                                          {"tag", a, "x"}, {"remove", a}}) {
        ProcessResult result = Run(args, false);
        EXPECT_EQ(result.exitCode, 1) << args[0];
        EXPECT_NE(result.err.find("DatabasePath"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("--db"), std::string::npos) << result.err;
    }
    std::ifstream in(local);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "not a database");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find("tags.xml."), std::string::npos) << entry.path();
}

TEST_F(QuillmarkCommand, DatabaseFolderWithoutTrailingSeparatorGetsOne)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    dir.WriteFile("registry.reg", "Windows Registry Editor Version 5.00\n\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\n"
                                  "\"DatabasePath\"=\"mytags\"\n");
    ASSERT_EQ(Run({"tag", a, "sep"}, false).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "data/mytags/tags.xml"));
    EXPECT_FALSE(std::filesystem::exists(dir / "data/mytagstags.xml"));
}

TEST_F(QuillmarkCommand, OnlyCommandsThatChangeSomethingWriteTheRegistry)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    for (std::vector<std::string> args : {std::vector<std::string>{"tags"}, {"find", "x"}, {"show", a}}) {
        ProcessResult result = Run(args, false);
        // show of a file without a record says so and fails; nothing is written either way.
        EXPECT_EQ(result.exitCode, args[0] == "show" ? 1 : 0) << args[0] << ": " << result.err;
        EXPECT_EQ(result.err.find("settings"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "registry.reg")) << args[0];
        EXPECT_FALSE(std::filesystem::exists(dir / "registry.reg.lock")) << args[0];
    }
    ASSERT_EQ(Run({"tag", a, "x"}, false).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "registry.reg"));
    EXPECT_EQ(Run({"show", a}, false).out, "x\n");
}

TEST_F(QuillmarkCommand, QueriesOverADatabaseThatCannotBeReadFail)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    std::filesystem::create_directory(db); // a folder where the file should be
    for (std::vector<std::string> args : {std::vector<std::string>{"tags"}, {"find", "x"}, {"show", a}}) {
        ProcessResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args[0];
        EXPECT_NE(result.err.find("cannot read the tag database"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(Run({"tag", a, "x"}).exitCode, 1);
    EXPECT_TRUE(std::filesystem::is_directory(db));
    std::filesystem::remove(db);
    EXPECT_EQ(Run({"tags"}).exitCode, 0) << "a missing database is an empty one";
}

TEST_F(QuillmarkCommand, QueriesOverAMalformedDatabaseChangeNoFile)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    const std::string malformed = "<?xml version=\"1.0\"?>\n<documents><doc md5=\"";
    dir.WriteFile("tags.xml", malformed);
    for (std::vector<std::string> args : {std::vector<std::string>{"tags"}, {"find", "x"}, {"show", a}}) {
        ProcessResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args[0];
        EXPECT_NE(result.err.find("cannot read the tag database"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    // Nothing moved, nothing made: not even the lock file.
    EXPECT_EQ(ReadDb(), malformed);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.doc", "tags.xml"}));
    // The next change moves the file aside and goes on with an empty database.
    ProcessResult tag = Run({"tag", a, "x"});
    EXPECT_EQ(tag.exitCode, 0) << tag.err;
    EXPECT_NE(tag.err.find("moved to"), std::string::npos) << tag.err;
    EXPECT_EQ(Run({"show", a}).out, "x\n");
}

TEST_F(QuillmarkCommand, ASettingsFileTooDeepOrInUtf16IsHandled)
{
    std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER";
    for (int i = 0; i < 100000; ++i)
        deep += "\\k";
    dir.WriteFile("registry.reg", deep + "]\n");
    ProcessResult result = Run({"tags"}, false);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.signal, 0);
    EXPECT_NE(result.err.find("line 3: key path deeper than 512 levels"), std::string::npos) << result.err.substr(0, 300);

    // As the Windows registry editor exports it: UTF-16LE with a byte-order mark.
    const std::string a = dir.WriteFile("a.doc", "x");
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\r\n"
                                u"\"DatabasePath\"=\"wide/\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    dir.WriteFile("registry.reg", bytes);
    ASSERT_EQ(Run({"tag", a, "w"}, false).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "data/wide/tags.xml"));
}

TEST_F(QuillmarkCommand, ADeletedWorkingFolderFailsRelativePaths)
{
    const std::string gone = dir / "gone";
    std::filesystem::create_directory(gone);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(gone.c_str()), 0);
    std::filesystem::remove(gone);
    ProcessOptions options = Options();
    options.workingDir.clear(); // runs in the deleted folder
    options.env["PWD"] = gone;
    ProcessResult tag = RunProcess({QUILLMARK_BIN, "--db", db, "tag", "notes.doc", "x"}, options);
    ProcessResult relativeDb = RunProcess({QUILLMARK_BIN, "--db", "tags.xml", "tags"}, options);
    ProcessResult absolute = RunProcess({QUILLMARK_BIN, "--db", db, "show", "/abs/notes.doc"}, options);
    ASSERT_EQ(chdir(here), 0);
    EXPECT_EQ(tag.exitCode, 1);
    EXPECT_NE(tag.err.find("working folder"), std::string::npos) << tag.err;
    EXPECT_EQ(relativeDb.exitCode, 1);
    EXPECT_NE(relativeDb.err.find("working folder"), std::string::npos) << relativeDb.err;
    // An absolute path needs no working folder: the answer is that it has no record.
    EXPECT_EQ(absolute.exitCode, 1) << absolute.err;
    EXPECT_NE(absolute.err.find("no record for /abs/notes.doc"), std::string::npos) << absolute.err;
    EXPECT_EQ(Run({"find"}).out, "");
    EXPECT_EQ(Run({"show", "/notes.doc"}).out, "");
}

} // namespace

TEST(QuillmarkSpecialFiles, AFifoAtTheDatabasePathIsRefusedWithoutBlocking)
{
    TempDir dir;
    const std::string db = dir / "tags.xml";
    const std::string a = dir.WriteFile("a.doc", "x");
    ASSERT_EQ(::mkfifo(db.c_str(), 0600), 0);
    ProcessOptions options;
    // The document lies in the test's folder, which must not count as the temporary folder.
    options.env = {{"QUILLMARK_REGISTRY", dir / "registry.reg"}, {"XDG_DATA_HOME", dir / "data"},
                   {"XDG_CONFIG_HOME", dir / "config"}, {"TMPDIR", dir / "tmp"}};
    // Were a command to wait for a writer, this one turns up after a while and ends the
    // wait with an empty file, so that the test fails on its messages instead of hanging.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (!done) {
            const int fd = ::open(db.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"show", a}, {"tag", a, "x"}, {"find", "x"}, {"remove", a}}) {
        SCOPED_TRACE(args[0]);
        std::vector<std::string> argv{QUILLMARK_BIN, "--db", db};
        argv.insert(argv.end(), args.begin(), args.end());
        ProcessResult r = RunProcess(argv, options);
        EXPECT_NE(r.err.find("is a FIFO, not a regular file"), std::string::npos) << r.err;
        if (args[0] == "tag" || args[0] == "remove") {
            EXPECT_EQ(r.exitCode, 1) << "a change that was not made is a failure";
        }
    }
    done = true;
    writer.join();
    struct stat st {};
    ASSERT_EQ(::lstat(db.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is neither moved aside nor replaced";
}
