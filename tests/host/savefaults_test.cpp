// A host save with each of its I/O calls failed in turn through the file layer's
// seam: the host goes on, the tag database is either as it was (and a warning
// says why) or holds the saved document's record.
#include "tests/host/eventhandlertestsupport.h"
#include "tests/support/faultyfilesystem.h"

#include "platform/files/files.h"

#include <gmock/gmock.h>


namespace quillmark::test {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using WordHost = EventHost<WordApplication>;

TEST(HostSaveUnderIoFaults, EachFailedCallLeavesTheDatabaseWholeAndTheHostRunning)
{
    WordHost host;
    const std::string path = host.Prepare("Budget.doc", {{"Keywords", "a"}});
    simoffice::SimDocument& doc = host.Open(path);
    host.Store(path, {"x", "y"});
    host.Store("/other.doc", {"kept"});
    const std::string database = host.DatabaseFile();
    const std::string original = files::ReadFile(database).value_or("");

    FaultyFileSystem fs;
    {
        files::ScopedFileSystem scope(fs);
        host.Save(doc);
    }
    const std::string saved = files::ReadFile(database).value_or("");
    ASSERT_NE(saved, original);
    ASSERT_THAT(host.Stored(path), ElementsAre("x", "y", "Budget"));

    int unchanged = 0;
    // The n-th call of each kind, for n = 1, 2, ... until the save makes no n-th call.
    for (IoCall call : {IoCall::Open, IoCall::Read, IoCall::Write, IoCall::Sync, IoCall::Rename}) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE(std::string(IoCallName(call)) + " " + std::to_string(n));
            ASSERT_TRUE(files::AtomicReplace(database, original));
            doc.SetProperty("Keywords", "a");
            fs.FailNth(call, n);
            std::string err;
            {
                files::ScopedFileSystem scope(fs);
                ::testing::internal::CaptureStderr();
                try {
                    host.Save(doc);
                } catch (const std::exception& e) {
                    err = e.what(); // the host reports its own failed write
                }
                err += ::testing::internal::GetCapturedStderr();
            }
            if (!fs.Failed())
                break;
            // Either nothing changed (and that was reported) or the record is the
            // saved one; when the database could not be read before the save, the
            // document kept its own Keywords and the record took them in as well. A
            // failed read never costs the record its tags.
            const std::string now = files::ReadFile(database).value_or("<unreadable>");
            if (now == original) {
                ++unchanged;
                EXPECT_FALSE(err.empty()) << "a change that did not happen is reported";
            } else {
                EXPECT_THAT(host.Stored(path), AnyOf(ElementsAre("x", "y", "Budget"),
                                                     ElementsAre("x", "y", "a", "Budget")));
            }
            EXPECT_THAT(host.Stored("/other.doc"), ElementsAre("kept"));
            EXPECT_EQ(files::ListFiles(host.folders.dir / "db", ".tags.xml.*"), std::vector<std::string>{});
        }
    }
    EXPECT_GT(unchanged, 0);
    // Afterwards everything works as before.
    ASSERT_TRUE(files::AtomicReplace(database, original));
    host.Save(doc);
    EXPECT_THAT(host.Stored(path), ElementsAre("x", "y", "Budget"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("x 1546", "y 1546"));
}

} // namespace
} // namespace quillmark::test
