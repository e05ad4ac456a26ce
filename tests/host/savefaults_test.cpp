// A host save with each of its I/O calls (the lock, mkdir, unlink and stat among
// them) failed in turn through the file layer's seam: the host goes on, the tag
// database is either as it was (and a warning says why) or holds the saved
// document's record. The add-in's database is handed a file system of its own;
// the simulated office writes the document through the file layer's current one,
// the only way into the document property writer.
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
    FaultyFileSystem addinFs, officeFs;
    WordHost host(addinFs);
    const std::string path = host.Prepare("Budget.doc", {{"Keywords", "a"}});
    simoffice::SimDocument& doc = host.Open(path);
    host.Store(path, {"x", "y"});
    host.Store("/other.doc", {"kept"});
    const std::string database = host.DatabaseFile();
    const std::string original = files::ReadFile(database).value_or("");

    // The save as the office makes it: its own writes through `officeFs`.
    const auto save = [&] {
        files::ScopedFileSystem scope(officeFs);
        host.Save(doc);
    };
    addinFs.Reset();
    save();
    const std::string saved = files::ReadFile(database).value_or("");
    ASSERT_NE(saved, original);
    ASSERT_THAT(host.Stored(path), ElementsAre("x", "y", "Budget"));
    // The database wrote through the file system it was handed.
    EXPECT_GT(addinFs.Calls(IoCall::Rename), 0);
    EXPECT_GT(addinFs.Calls(IoCall::Lock), 0);

    int unchanged = 0;
    // The n-th call of each kind, for n = 1, 2, ... until the save makes no n-th
    // call: first the add-in's calls, then the office's own.
    for (FaultyFileSystem* pFs : {&addinFs, &officeFs}) {
        for (IoCall call : {IoCall::Open, IoCall::Read, IoCall::Write, IoCall::Sync, IoCall::Rename, IoCall::Stat,
                            IoCall::MakeDirectory, IoCall::Unlink, IoCall::Lock, IoCall::RealPath, IoCall::List,
                            IoCall::Chmod, IoCall::Close}) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(std::string(pFs == &addinFs ? "add-in " : "office ") + IoCallName(call) + " " +
                             std::to_string(n));
                ASSERT_TRUE(files::AtomicReplace(database, original));
                doc.SetProperty("Keywords", "a");
                pFs->FailNth(call, n);
                std::string err;
                ::testing::internal::CaptureStderr();
                try {
                    save();
                } catch (const std::exception& e) {
                    err = e.what(); // the host reports its own failed write
                }
                err += ::testing::internal::GetCapturedStderr();
                const bool bFailed = pFs->Failed();
                pFs->Reset(); // a call not reached is not failed later
                if (!bFailed)
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
                // No temporary file is left, but the old index swapped out for the new
                // one when removing it failed (the next writer's sweep removes that).
                const std::string folder = host.folders.dir / "db";
                for (const std::string& name : files::ListFiles(folder, ".tags.xml.*")) {
                    EXPECT_TRUE(pFs == &addinFs && call == IoCall::Unlink && name.starts_with(".tags.xml.idx."))
                        << name;
                    files::RemoveFile(folder + "/" + name);
                }
            }
        }
    }
    EXPECT_GT(unchanged, 0);
    // Afterwards everything works as before.
    ASSERT_TRUE(files::AtomicReplace(database, original));
    save();
    EXPECT_THAT(host.Stored(path), ElementsAre("x", "y", "Budget"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("x 1546", "y 1546"));
}

} // namespace
} // namespace quillmark::test
