// Every I/O call that `tag` and `remove` make (the lock, mkdir, unlink and stat
// among them), failed in turn through the file system handed to the database:
// afterwards the database is either as it was (and
// the command failed with a message) or holds exactly the change (and the command
// succeeded).
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <vector>

#include "cli/commands.h"
#include "cli/runner.h"
#include "platform/files/files.h"
#include "tests/support/faultyfilesystem.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

using namespace quillmark;
using quillmark::test::FaultyFileSystem;
using quillmark::test::IoCall;
using quillmark::test::TempDir;

namespace {

constexpr IoCall kCalls[] = {IoCall::Open,   IoCall::Read,          IoCall::Write,  IoCall::Sync,
                             IoCall::Rename, IoCall::Stat,          IoCall::MakeDirectory,
                             IoCall::Unlink, IoCall::Lock,          IoCall::RealPath,
                             IoCall::List,   IoCall::Chmod,         IoCall::Close};

class CommandUnderIoFaults : public ::testing::TestWithParam<bool> {
protected:
    TempDir dir;
    std::string db = dir / "tags.xml";
    std::string doc = dir.WriteFile("a.doc", "x");

    // Runs one command over a freshly opened database, as the tool does, with
    // every file call through `fs`.
    int Run(files::FileSystem& fs, const std::string& command, std::string& err)
    {
        TaggingDatabase database(fs);
        database.SetDatabaseFile(db);
        database.SetTreeWriter(GetParam());
        database.Open();
        std::ostringstream out, errors;
        const int status = command == "tag" ? cli::TagCommand(database, doc, "new, tags", out, errors)
                                            : cli::RemoveCommand(database, doc, out, errors);
        err = errors.str();
        return status;
    }
    std::string Content() const { return files::ReadFile(db).value_or("<missing>"); }
    void Restore(const std::string& content) { ASSERT_TRUE(files::AtomicReplace(db, content)); }
};

INSTANTIATE_TEST_SUITE_P(BothWriters, CommandUnderIoFaults, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "tree" : "pieces"; });

TEST_P(CommandUnderIoFaults, EachFailedCallLeavesTheDatabaseWholeAndIsReported)
{
    {
        TaggingDatabase seed;
        seed.SetDatabaseFile(db);
        seed.Open();
        ASSERT_TRUE(seed.SetFileTags("/other.doc", {"kept", "too"}));
        ASSERT_TRUE(seed.SetFileTags(doc, {"old"}));
    }
    const std::string original = Content();
    for (const std::string command : {"tag", "remove"}) {
        // What the command writes when nothing fails.
        FaultyFileSystem fs;
        std::string changed;
        {
            std::string err;
            ASSERT_EQ(Run(fs, command, err), cli::kSuccess) << err;
            changed = Content();
        }
        ASSERT_NE(changed, original);
        int failed = 0;
        // The n-th call of each kind, for n = 1, 2, ... until the command makes no n-th call.
        for (IoCall call : kCalls) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(command + ": " + IoCallName(call) + " " + std::to_string(n));
                Restore(original);
                fs.FailNth(call, n);
                std::string err;
                int status;
                ::testing::internal::CaptureStderr();
                status = Run(fs, command, err);
                err += ::testing::internal::GetCapturedStderr();
                if (!fs.Failed()) {
                    EXPECT_EQ(status, cli::kSuccess) << err;
                    // Every kind is made, except writes when the new file is all copied
                    // from the old, and the folder's making, which is there.
                    EXPECT_TRUE(n > 1 || call == IoCall::Write || call == IoCall::MakeDirectory);
                    break;
                }
                TaggingDatabase after;
                after.SetDatabaseFile(db);
                if (status == cli::kSuccess && call == IoCall::Stat && Content() != changed) {
                    // The document's stat for its dates failed: its tags are stored without them.
                    ASSERT_EQ(command, "tag");
                    after.Open();
                    EXPECT_EQ(after.GetFileItem(doc).tags, (TagList{"new", "tags"}));
                    EXPECT_EQ(after.GetFileItem(doc).writeDate, 0);
                } else if (status == cli::kSuccess) {
                    EXPECT_EQ(Content(), changed); // failed after the change was in place
                } else {
                    ++failed;
                    EXPECT_EQ(status, cli::kFailure);
                    EXPECT_EQ(Content(), original);
                    EXPECT_NE(err.find("quillmark: "), std::string::npos) << err;
                }
                // No temporary file is left, but the old index swapped out for the new
                // one when removing it failed: the next writer's sweep removes that.
                for (const std::string& name : files::ListFiles(dir.Path(), ".tags.xml.*"))
                    EXPECT_TRUE(call == IoCall::Unlink && name.starts_with(".tags.xml.idx.")) << name;
                after.Open();
                EXPECT_FALSE(after.ReadFailed());
                EXPECT_TRUE(after.RecoveredFile().empty()) << "a whole file is never taken for a broken one";
                EXPECT_EQ(after.GetFileItem("/other.doc").tags, (TagList{"kept", "too"}));
            }
        }
        EXPECT_GE(failed, 4) << command << ": every kind of call can fail the command";
    }
}

} // namespace

namespace {

// The whole command line, run in this process over the file system it is handed.
class CommandLineFileSystem : public ::testing::Test {
protected:
    TempDir dir;
    std::string db = dir / "tags.xml";
    std::string doc = dir.WriteFile("a.doc", "x");
    std::string temp = dir / "tmp";
    quillmark::test::ScopedEnv registry{"QUILLMARK_REGISTRY", dir / "registry.reg"};
    quillmark::test::ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    quillmark::test::ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
    quillmark::test::ScopedEnv tempEnv{"TMPDIR", temp};

    CommandLineFileSystem() { std::filesystem::create_directories(temp); }

    // quillmark --db tags.xml ARGS...; its output in `out`, its messages in `err`.
    int Run(files::FileSystem& fs, std::vector<std::string> args, std::string& out, std::string& err)
    {
        args.insert(args.begin(), {"quillmark", "--db", db});
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = cli::RunCommandLine(static_cast<int>(argv.size()), argv.data(), fs);
        std::cout.flush();
        std::cerr.flush();
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
        return status;
    }
    std::string Content() const { return files::ReadFile(db).value_or("<missing>"); }
};

TEST_F(CommandLineFileSystem, ACommandsDatabaseWorksThroughTheFileSystemHandedToIt)
{
    FaultyFileSystem fs;
    std::string out, err;
    ASSERT_EQ(Run(fs, {"tag", doc, "a, b"}, out, err), cli::kSuccess) << err;
    EXPECT_GT(fs.Calls(IoCall::Lock), 0);
    EXPECT_GT(fs.Calls(IoCall::Rename), 0);
    const std::string tagged = Content();
    ASSERT_NE(tagged.find("a.doc"), std::string::npos) << tagged;

    // A change whose lock fails changes nothing and says so.
    fs.FailNth(IoCall::Lock, 1);
    EXPECT_EQ(Run(fs, {"tag", doc, "c"}, out, err), cli::kFailure);
    EXPECT_TRUE(fs.Failed());
    EXPECT_NE(err.find("quillmark: "), std::string::npos) << err;
    EXPECT_EQ(Content(), tagged);

    // So does a removal whose replacement of the file fails.
    fs.FailNth(IoCall::Rename, 1);
    EXPECT_EQ(Run(fs, {"remove", doc}, out, err), cli::kFailure);
    EXPECT_TRUE(fs.Failed());
    EXPECT_NE(err.find("quillmark: "), std::string::npos) << err;
    EXPECT_EQ(Content(), tagged);

    // A query whose open fails (the index's or the file's) answers rightly or
    // fails with a message; it never answers from nothing.
    int faults = 0;
    for (int n = 1;; ++n, ++faults) {
        SCOPED_TRACE("open " + std::to_string(n));
        fs.FailNth(IoCall::Open, n);
        const int status = Run(fs, {"show", doc}, out, err);
        if (!fs.Failed())
            break;
        if (status == cli::kSuccess) {
            EXPECT_EQ(out, "a\nb\n");
        } else {
            EXPECT_EQ(out, "");
            EXPECT_NE(err.find("quillmark: "), std::string::npos) << err;
        }
    }
    EXPECT_GT(faults, 0);

    fs.Reset();
    ASSERT_EQ(Run(fs, {"show", doc}, out, err), cli::kSuccess) << err;
    EXPECT_EQ(out, "a\nb\n");
    EXPECT_GT(fs.Calls(IoCall::Open), 0);
}

} // namespace
