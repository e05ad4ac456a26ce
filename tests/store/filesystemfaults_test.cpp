// Every file-system call a change makes, failed in turn through the file
// system handed to the database: afterwards the database file is either the
// old one, byte for byte, with the failure reported, or the changed one.
#include "tests/store/dbfixture.h"
#include "tests/support/faultyfilesystem.h"

#include <filesystem>
#include <functional>
#include <map>

using namespace quillmark;
using quillmark::test::DatabaseTest;
using quillmark::test::FaultyFileSystem;
using quillmark::test::IoCall;
using quillmark::test::IoCallName;

namespace {

struct Operation {
    const char* name;
    bool fresh; // the database folder does not exist yet
    std::function<bool(TaggingDatabase&)> run;
    std::function<bool(TaggingDatabase&)> done; // the change is in the file
};

TEST_F(DatabaseTest, EveryFailedFileCallLeavesTheDatabaseIntactAndIsReported)
{
    const std::vector<Operation> operations = {
        {"tag", false, [](TaggingDatabase& db) { return db.SetFileTags("/new.doc", {"new"}); },
         [](TaggingDatabase& db) { return db.GetFileItem("/new.doc").tags == TagList{"new"}; }},
        {"retag", false, [](TaggingDatabase& db) { return db.SetFileTags("/b.doc", {"b2"}); },
         [](TaggingDatabase& db) { return db.GetFileItem("/b.doc").tags == TagList{"b2"}; }},
        {"remove", false, [](TaggingDatabase& db) { return db.RemoveDocument("/a.doc"); },
         [](TaggingDatabase& db) { return db.GetFileItem("/a.doc").tags.empty(); }},
        {"batch", false,
         [](TaggingDatabase& db) {
             return db.Change([](RecordEditor& records) {
                 return records.Remove("/c.doc") && records.SetTags("/d.doc", {"d"});
             });
         },
         [](TaggingDatabase& db) { return db.GetFileItem("/c.doc").tags.empty() && !db.GetFileItem("/d.doc").tags.empty(); }},
        {"first tag in a new folder", true, [](TaggingDatabase& db) { return db.SetFileTags("/new.doc", {"new"}); },
         [](TaggingDatabase& db) { return db.GetFileItem("/new.doc").tags == TagList{"new"}; }},
    };
    const std::vector<IoCall> calls = {IoCall::Open,   IoCall::Read,          IoCall::Write,  IoCall::Sync,
                                       IoCall::Rename, IoCall::Stat,          IoCall::MakeDirectory,
                                       IoCall::Unlink, IoCall::Lock,          IoCall::RealPath,
                                       IoCall::List,   IoCall::Chmod,         IoCall::Close};
    std::map<IoCall, int> failed;
    int runs = 0;
    for (const Operation& operation : operations) {
        for (const IoCall call : calls) {
            for (int n = 1; n < 100; ++n) {
                SCOPED_TRACE(std::string(operation.name) + ": " + IoCallName(call) + " #" + std::to_string(n));
                // A database of three records (or none, in a folder not made yet).
                const std::string folder = m_dir / ("db" + std::to_string(runs++));
                AppSettings settings;
                settings.DatabasePath = folder + "/";
                if (!operation.fresh) {
                    TaggingDatabase setup;
                    setup.m_pSettings = &settings;
                    ASSERT_TRUE(setup.SetFileTags("/a.doc", {"a"}));
                    ASSERT_TRUE(setup.SetFileTags("/b.doc", {"b"}));
                    ASSERT_TRUE(setup.SetFileTags("/c.doc", {"c"}));
                    // What a writer killed while saving leaves behind: the next save removes it.
                    ASSERT_TRUE(files::AtomicReplace(folder + "/.tags.xml.Zq3xYw", "half a file"));
                }
                const std::string file = folder + "/tags.xml";
                const std::optional<std::string> before = files::ReadFile(file);

                FaultyFileSystem fs;
                TaggingDatabase db(fs);
                db.m_pSettings = &settings;
                db.SetLockWait(100);
                db.Open();
                fs.FailNth(call, n);
                const bool ok = operation.run(db);
                const bool hit = fs.Failed();
                fs.FailNth(call, 0);

                TaggingDatabase fresh;
                fresh.m_pSettings = &settings;
                fresh.Open();
                EXPECT_TRUE(fresh.RecoveredFile().empty()) << "the file was left unreadable";
                if (ok) {
                    EXPECT_TRUE(operation.done(fresh)) << "reported saved, but not in the file";
                    // What this object shows is what the file holds.
                    EXPECT_TRUE(operation.done(db));
                } else {
                    EXPECT_EQ(files::ReadFile(file), before) << "a failed change altered the file";
                    EXPECT_FALSE(db.LastError().empty());
                    EXPECT_FALSE(operation.done(fresh));
                }
                // The change leaves no temporary file of its own, and a successful
                // one removes what a killed writer left (unless listing or removing
                // it was the call that failed).
                const bool cleans = ok && call != IoCall::Unlink && call != IoCall::List;
                for (const auto& inner : std::filesystem::exists(folder) ? std::filesystem::directory_iterator(folder)
                                                                         : std::filesystem::directory_iterator()) {
                    const std::string name = inner.path().filename().string();
                    if (name.starts_with(".tags.xml.")) {
                        // The old index swapped out for the new one stays when
                        // removing it failed; the next writer's sweep removes it.
                        const bool oldIndex = call == IoCall::Unlink && name.starts_with(".tags.xml.idx.");
                        EXPECT_TRUE((name == ".tags.xml.Zq3xYw" && !cleans) || oldIndex) << name;
                    }
                }
                std::filesystem::remove_all(folder);
                if (!hit)
                    break; // fewer than n calls of this kind
                ++failed[call];
            }
        }
    }
    // Each kind of call was made, and failed, at least once by some change.
    for (const IoCall call : calls)
        EXPECT_GT(failed[call], 0) << IoCallName(call);
}

} // namespace
