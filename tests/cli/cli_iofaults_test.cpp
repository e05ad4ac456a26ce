// Every I/O call that `tag` and `remove` make, failed in turn through the file
// layer's seam: afterwards the database is either as it was (and the command
// failed with a message) or holds exactly the change (and the command succeeded).
#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "platform/files/files.h"
#include "tests/support/faultyfilesystem.h"
#include "tests/support/tempdir.h"

using namespace quillmark;
using quillmark::test::FaultyFileSystem;
using quillmark::test::IoCall;
using quillmark::test::TempDir;

namespace {

constexpr IoCall kCalls[] = {IoCall::Open, IoCall::Read, IoCall::Write, IoCall::Sync, IoCall::Rename};

class CommandUnderIoFaults : public ::testing::TestWithParam<bool> {
protected:
    TempDir dir;
    std::string db = dir / "tags.xml";
    std::string doc = dir.WriteFile("a.doc", "x");

    // Runs one command over a freshly opened database, as the tool does.
    int Run(const std::string& command, std::string& err)
    {
        TaggingDatabase database;
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
            files::ScopedFileSystem scope(fs);
            std::string err;
            ASSERT_EQ(Run(command, err), cli::kSuccess) << err;
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
                {
                    files::ScopedFileSystem scope(fs);
                    ::testing::internal::CaptureStderr();
                    status = Run(command, err);
                    err += ::testing::internal::GetCapturedStderr();
                }
                if (!fs.Failed()) {
                    EXPECT_EQ(status, cli::kSuccess) << err;
                    // Every kind is made, except writes when the new file is all copied from the old.
                    EXPECT_TRUE(n > 1 || call == IoCall::Write);
                    break;
                }
                if (status == cli::kSuccess) {
                    EXPECT_EQ(Content(), changed); // failed after the change was in place
                } else {
                    ++failed;
                    EXPECT_EQ(status, cli::kFailure);
                    EXPECT_EQ(Content(), original);
                    EXPECT_NE(err.find("quillmark: "), std::string::npos) << err;
                }
                EXPECT_EQ(files::ListFiles(dir.Path(), ".tags.xml.*"), std::vector<std::string>{});
                TaggingDatabase after;
                after.SetDatabaseFile(db);
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
