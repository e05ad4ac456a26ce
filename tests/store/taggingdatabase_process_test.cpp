// Several processes over one tag database: nothing is lost, and a writer killed
// while saving never leaves a broken file.
#include "tests/store/dbfixture.h"

#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark;
using quillmark::test::DatabaseTest;
using quillmark::test::ParsedFile;

namespace {

const TypeList kDocs{"doc"};

int WaitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST_F(DatabaseTest, QueriesSeeWhatAnotherWriterSaved)
{
    auto reader = OpenDb();
    auto writer = OpenDb();
    EXPECT_TRUE(reader->GetAllTags().empty());
    ASSERT_TRUE(writer->SetFileTags("/w.doc", {"from writer"}));
    EXPECT_EQ(reader->GetFileItem("/w.doc").tags, TagList{"from writer"});
    EXPECT_EQ(reader->GetAllTags().count("from writer"), 1u);
    // A change by the reader keeps the writer's record.
    ASSERT_TRUE(reader->SetFileTags("/r.doc", {"from reader"}));
    ASSERT_TRUE(writer->SetFileTags("/w2.doc", {"again"}));
    EXPECT_EQ(Paths(reader->GetAllDocuments(kDocs)), (std::vector<std::string>{"/w.doc", "/r.doc", "/w2.doc"}));
    EXPECT_TRUE(reader->RemoveDocument("/w.doc"));
    EXPECT_EQ(Paths(writer->GetAllDocuments(kDocs)), (std::vector<std::string>{"/r.doc", "/w2.doc"}));
    // The file removed from outside: the database is empty again.
    ASSERT_EQ(::unlink(DbFile().c_str()), 0);
    EXPECT_TRUE(writer->GetAllDocuments(kDocs).empty());
}

TEST_F(DatabaseTest, ProcessesTaggingAtOnceLoseNothing)
{
    constexpr int kProcesses = 6;
    constexpr int kFilesEach = 12;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            TaggingDatabase db; // loaded before anyone writes, as each host does
            db.m_pSettings = &m_settings;
            db.Open();
            char go;
            if (::read(gate[0], &go, 1) != 0)
                ::_exit(3);
            bool ok = true;
            for (int f = 0; f < kFilesEach; ++f)
                ok = db.SetDocumentTags("/p" + std::to_string(p) + "/f" + std::to_string(f) + ".doc",
                                        "proc " + std::to_string(p) + ", file " + std::to_string(f)) && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]); // every child starts now
    for (pid_t pid : children) {
        const int status = WaitFor(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    auto db = OpenDb();
    EXPECT_TRUE(db->RecoveredFile().empty());
    EXPECT_EQ(db->GetAllDocuments(kDocs).size(), static_cast<std::size_t>(kProcesses * kFilesEach));
    for (int p = 0; p < kProcesses; ++p)
        for (int f = 0; f < kFilesEach; ++f)
            EXPECT_EQ(db->GetFileItem("/p" + std::to_string(p) + "/f" + std::to_string(f) + ".doc").tags,
                      (TagList{"proc " + std::to_string(p), "file " + std::to_string(f)}));
    EXPECT_TRUE(files::ListFiles(m_dir.Path(), ".tags.xml.*").empty());
}

TEST_F(DatabaseTest, WriterKilledWhileSavingLeavesACompleteFile)
{
    constexpr int kRecords = 1500;
    {
        auto db = OpenDb();
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<documents>\n";
        for (int i = 0; i < kRecords; ++i) {
            const std::string path = "/seed/file" + std::to_string(i) + ".doc";
            xml += "  <doc md5=\"" + db->GetMd5Hex(path) + "\" path=\"" + path +
                   "\" type=\"doc\"><tag>alpha</tag><tag>beta</tag><tag>gamma " + std::to_string(i) +
                   "</tag></doc>\n";
        }
        xml += "</documents>\n";
        m_dir.WriteFile("tags.xml", xml);
    }
    std::mt19937 random(12345);
    int killedMidWay = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            TaggingDatabase db;
            db.m_pSettings = &m_settings;
            db.Open();
            for (int n = 0;; ++n)
                db.SetFileTags("/busy.doc", {"round " + std::to_string(round), "n " + std::to_string(n)});
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
        ::kill(pid, SIGKILL);
        const int status = WaitFor(pid);
        EXPECT_TRUE(WIFSIGNALED(status));
        killedMidWay += !files::ListFiles(m_dir.Path(), ".tags.xml.*").empty();

        ParsedFile file(DbFile());
        ASSERT_TRUE(file.Ok()) << "round " << round;
        const std::size_t records = file.Records().size();
        EXPECT_TRUE(records == kRecords || records == kRecords + 1) << records;
        auto db = OpenDb();
        ASSERT_TRUE(db->RecoveredFile().empty()) << "round " << round;
        EXPECT_EQ(db->GetAllDocuments(kDocs).size(), records);
    }
    // Leftovers of killed writers are cleared by the next save.
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/last.doc", {"last"}));
    EXPECT_TRUE(files::ListFiles(m_dir.Path(), ".tags.xml.*").empty());
    std::cout << "[ info     ] " << killedMidWay << " of 25 writers were killed with a temporary file open\n";
}

} // namespace
