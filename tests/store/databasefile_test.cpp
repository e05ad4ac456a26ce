// Where the tag database file is and who may change it: links followed to the
// one real file, a bounded wait for a lock another process holds, and reads that
// fail told apart from an empty database.
#include "tests/store/dbfixture.h"
#include "tests/support/faultyfilesystem.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark;
using quillmark::test::DatabaseTest;
using quillmark::test::FaultyFileSystem;
using quillmark::test::IoCall;

namespace {

TEST_F(DatabaseTest, ALinkPointedElsewhereIsFollowedAtTheNextAccess)
{
    ASSERT_TRUE(files::MakeDirectories(m_dir / "one"));
    ASSERT_TRUE(files::MakeDirectories(m_dir / "two"));
    {
        TaggingDatabase setup;
        setup.SetDatabaseFile(m_dir / "one/tags.xml");
        ASSERT_TRUE(setup.SetFileTags("/a.doc", {"in one"}));
        setup.SetDatabaseFile(m_dir / "two/tags.xml");
        ASSERT_TRUE(setup.SetFileTags("/a.doc", {"in two"}));
    }
    const std::string link = m_dir / "link.xml";
    std::filesystem::create_symlink(m_dir / "one/tags.xml", link);
    TaggingDatabase db;
    db.SetDatabaseFile(link);
    db.Open();
    EXPECT_EQ(db.GetFileItem("/a.doc").tags, TagList{"in one"});
    EXPECT_EQ(db.DatabaseFile(), m_dir / "one/tags.xml");

    // The link pointed at the other file: queries and changes follow it.
    std::filesystem::remove(link);
    std::filesystem::create_symlink(m_dir / "two/tags.xml", link);
    EXPECT_EQ(db.DatabaseFile(), m_dir / "two/tags.xml");
    EXPECT_EQ(db.GetFileItem("/a.doc").tags, TagList{"in two"});
    ASSERT_TRUE(db.SetFileTags("/b.doc", {"b"}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    TaggingDatabase one, two;
    one.SetDatabaseFile(m_dir / "one/tags.xml");
    two.SetDatabaseFile(m_dir / "two/tags.xml");
    EXPECT_TRUE(one.GetFileItem("/b.doc").tags.empty());
    EXPECT_EQ(two.GetFileItem("/b.doc").tags, TagList{"b"});
    EXPECT_EQ(two.GetFileItem("/a.doc").tags, TagList{"in two"});
}

// A database over `fs` that holds /a.doc and /b.doc.
std::unique_ptr<TaggingDatabase> TwoRecords(files::FileSystem& fs, AppSettings& settings)
{
    auto db = std::make_unique<TaggingDatabase>(fs);
    db->m_pSettings = &settings;
    db->Open();
    EXPECT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    EXPECT_TRUE(db->SetFileTags("/b.doc", {"b"}));
    return db;
}

// Runs `hook` once, at the first read-only open of `path` after Arm().
class HookedFileSystem final : public files::ForwardingFileSystem {
public:
    HookedFileSystem() : ForwardingFileSystem(files::FileSystem::Posix()) {}
    void Arm(std::string path, std::function<void()> hook)
    {
        m_strPath = std::move(path);
        m_hook = std::move(hook);
    }
    int Open(const char* path, int flags, mode_t mode) override
    {
        if (m_hook && path == m_strPath && (flags & O_ACCMODE) == O_RDONLY) {
            auto hook = std::move(m_hook);
            m_hook = nullptr;
            hook();
        }
        return ForwardingFileSystem::Open(path, flags, mode);
    }

private:
    std::string m_strPath;
    std::function<void()> m_hook;
};

TEST_F(DatabaseTest, PiecesAreNeverTakenFromAFileReplacedBehindTheLock)
{
    HookedFileSystem fs;
    auto db = TwoRecords(fs, m_settings);
    ASSERT_TRUE(db->WritesFromPieces());
    // Another program that ignores the lock writes a file of its own just as
    // the change copies from the file: records of other lengths, other offsets.
    std::string edited;
    {
        TaggingDatabase other;
        other.SetDatabaseFile(m_dir / "other.xml");
        ASSERT_TRUE(other.SetFileTags("/long-name-first.doc", {"first tag", "second"}));
        ASSERT_TRUE(other.SetFileTags("/b.doc", {"bb"}));
        edited = files::ReadFile(m_dir / "other.xml").value();
    }
    fs.Arm(DbFile(), [&] { ASSERT_TRUE(files::AtomicReplace(DbFile(), edited)); });
    ASSERT_TRUE(db->SetFileTags("/c.doc", {"c"}));

    // The change was made over the file that was there: its records kept whole.
    const auto fresh = OpenDb();
    EXPECT_TRUE(fresh->RecoveredFile().empty());
    EXPECT_EQ(Paths(fresh->GetAllDocuments({})),
              (std::vector<std::string>{"/long-name-first.doc", "/b.doc", "/c.doc"}));
    EXPECT_EQ(fresh->GetFileItem("/b.doc").tags, TagList{"bb"});
    EXPECT_EQ(db->GetFileItem("/long-name-first.doc").tags, (TagList{"first tag", "second"}));
}

// Runs `hook` once, at the first flush of a file after Arm().
class FlushHookedFileSystem final : public files::ForwardingFileSystem {
public:
    FlushHookedFileSystem() : ForwardingFileSystem(files::FileSystem::Posix()) {}
    void Arm(std::function<void()> hook) { m_hook = std::move(hook); }
    bool Armed() const { return static_cast<bool>(m_hook); }
    int Sync(int fd) override
    {
        if (auto hook = std::move(m_hook)) {
            m_hook = nullptr;
            hook();
        }
        return ForwardingFileSystem::Sync(fd);
    }

private:
    std::function<void()> m_hook;
};

TEST_F(DatabaseTest, AChangePreparedBeforeTheLockGivesWayToOneMadeMeanwhile)
{
    FlushHookedFileSystem fs;
    auto db = TwoRecords(fs, m_settings);
    ASSERT_TRUE(db->WritesFromPieces());
    // Another program takes the lock while this change's new file is being
    // flushed, before this one asks for it; being new, it also sweeps the
    // leftovers of killed writers, which must not include that file.
    fs.Arm([&] {
        auto other = OpenDb();
        ASSERT_TRUE(other->SetFileTags("/b.doc", {"b from the other"}));
        ASSERT_TRUE(other->SetFileTags("/o.doc", {"o"}));
    });
    ASSERT_TRUE(db->UpdateFileTags("/a.doc", [](TagList tags) {
        tags.push_back("more");
        return tags;
    }));
    EXPECT_FALSE(fs.Armed());

    const auto fresh = OpenDb();
    EXPECT_EQ(fresh->GetFileItem("/a.doc").tags, (TagList{"a", "more"}));
    EXPECT_EQ(fresh->GetFileItem("/b.doc").tags, TagList{"b from the other"});
    EXPECT_EQ(fresh->GetFileItem("/o.doc").tags, TagList{"o"});
    EXPECT_TRUE(files::ListFiles(m_dir.Path(), ".tags.xml.*").empty());
    // A program that sweeps under the lock and then fails to write leaves the
    // file as it was: this change is put in place, its file having been left
    // alone by the sweep. (The tree writer sweeps before it writes.)
    FaultyFileSystem failing;
    fs.Arm([&] {
        TaggingDatabase other(failing);
        other.m_pSettings = &m_settings;
        other.SetTreeWriter(true);
        other.Open();
        failing.FailNth(IoCall::Rename, 1);
        EXPECT_FALSE(other.SetFileTags("/o.doc", {"never"}));
    });
    ASSERT_TRUE(db->SetFileTags("/c.doc", {"c"}));
    EXPECT_FALSE(fs.Armed());
    EXPECT_EQ(OpenDb()->GetFileItem("/c.doc").tags, TagList{"c"});
    EXPECT_EQ(OpenDb()->GetFileItem("/o.doc").tags, TagList{"o"});
    EXPECT_TRUE(files::ListFiles(m_dir.Path(), ".tags.xml.*").empty());
}

TEST_F(DatabaseTest, ALinkedDatabaseIsChangedWhereItLivesUnderOneLock)
{
    const std::string real = m_dir / "real/tags.xml";
    ASSERT_TRUE(files::MakeDirectories(m_dir / "real"));
    auto first = OpenDb();
    first->SetDatabaseFile(real);
    ASSERT_TRUE(first->SetFileTags("/a.doc", {"a"}));
    std::filesystem::create_symlink(real, m_dir / "link.xml");
    std::filesystem::create_directory_symlink(m_dir / "real", m_dir / "folder");

    for (const std::string& spelling : {m_dir / "link.xml", m_dir / "folder/tags.xml", m_dir / "real/../real/tags.xml"}) {
        TaggingDatabase db;
        db.SetDatabaseFile(spelling);
        db.Open();
        EXPECT_EQ(db.DatabaseFile(), real) << spelling;
        ASSERT_TRUE(db.SetFileTags("/b.doc", {spelling})) << spelling;
        EXPECT_EQ(db.GetFileItem("/a.doc").tags, TagList{"a"});
    }
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "link.xml")) << "the link stays a link";
    EXPECT_EQ(first->GetFileItem("/b.doc").tags, TagList{m_dir / "real/../real/tags.xml"});
    EXPECT_FALSE(files::Exists(m_dir / "link.xml.lock"));

    // A link to a file not made yet: the file is made where the link points.
    std::filesystem::create_symlink(m_dir / "real/later.xml", m_dir / "dangling.xml");
    TaggingDatabase later;
    later.SetDatabaseFile(m_dir / "dangling.xml");
    later.Open();
    ASSERT_TRUE(later.SetFileTags("/c.doc", {"c"}));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "dangling.xml"));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_dir / "real/later.xml"));
}

TEST_F(DatabaseTest, AStoppedHolderOfTheLockFailsTheChangeAndNamesItself)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    const std::string before = FileText();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        files::FileLock lock(DbFile());
        const char byte = lock.Locked() ? 1 : 0;
        (void)!::write(ready[1], &byte, 1);
        ::raise(SIGSTOP); // a process stopped while it holds the database
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);

    db->SetLockWait(300);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(db->SetFileTags("/b.doc", {"b"}));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("process " + std::to_string(holder)), std::string::npos) << err;
    EXPECT_NE(db->LastError().find(std::to_string(holder)), std::string::npos) << db->LastError();
    // Queries go on with what they have.
    EXPECT_EQ(db->GetFileItem("/a.doc").tags, TagList{"a"});
    EXPECT_TRUE(db->GetFileItem("/b.doc").tags.empty());
    EXPECT_EQ(FileText(), before);

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(db->SetFileTags("/b.doc", {"b"})) << "the lock dies with its holder";
}

TEST_F(DatabaseTest, AFileThatCannotBeReadIsToldApartFromAnEmptyDatabase)
{
    {
        auto db = OpenDb(false); // a valid index would answer without reading the file
        ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
        EXPECT_FALSE(db->ReadFailed());
    }
    const std::string before = FileText();
    FaultyFileSystem fs;
    for (IoCall call : {IoCall::Open, IoCall::Read}) {
        fs.FailNth(call, 1);
        ::testing::internal::CaptureStderr();
        auto db = OpenDb(false, &fs); // a valid index would answer without reading the file
        EXPECT_TRUE(db->ReadFailed()) << IoCallName(call);
        EXPECT_NE(db->LastError().find("Input/output error"), std::string::npos) << db->LastError();
        EXPECT_EQ(FileText(), before) << "a file that could not be read is left as it is";
        // The next access tries again (the failure has passed), and a change
        // reads the file first: what it held is kept.
        EXPECT_EQ(db->GetAllTags(), TagSet{"a"});
        EXPECT_FALSE(db->ReadFailed());
        EXPECT_TRUE(db->SetFileTags("/b.doc", {"b"}));
        EXPECT_EQ(db->GetFileItem("/a.doc").tags, TagList{"a"});
        EXPECT_FALSE(db->ReadFailed());
        ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(files::AtomicReplace(DbFile(), before));
    }
    EXPECT_TRUE(files::ListFiles(m_dir.Path(), "tags.xml.unreadable-*").empty());

    // A read failing after the records were read: queries keep the records they had.
    {
        auto db = OpenDb(false, &fs); // a valid index would answer without reading the file
        ASSERT_TRUE(files::AtomicReplace(DbFile(), before)); // replaced by another process
        fs.FailNth(IoCall::Read, 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(db->GetFileItem("/a.doc").tags, TagList{"a"});
        ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(db->ReadFailed());
    }

    // A folder in the file's place.
    m_settings.DatabasePath = m_dir / "folder/";
    ASSERT_TRUE(files::MakeDirectories(m_dir / "folder/tags.xml"));
    ::testing::internal::CaptureStderr();
    auto folder = OpenDb();
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(folder->ReadFailed());
    EXPECT_TRUE(files::IsDirectory(m_dir / "folder/tags.xml"));

    // A missing file is an empty database, not a failure.
    m_settings.DatabasePath = m_dir / "none/";
    EXPECT_FALSE(OpenDb()->ReadFailed());
}

TEST_F(DatabaseTest, AFileThatCouldNotBeExaminedIsNeverTakenForAMissingOne)
{
    {
        auto db = OpenDb();
        ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    }
    const std::string before = FileText();
    // Each stat of opening and changing it failed in turn, with either writer: a
    // database started empty over a file that is there would write it over.
    for (const bool tree : {false, true}) {
        int failed = 0;
        for (int n = 1; n < 100; ++n, ++failed) {
            SCOPED_TRACE(std::string(tree ? "tree" : "pieces") + ", stat " + std::to_string(n));
            ASSERT_TRUE(files::AtomicReplace(DbFile(), before));
            FaultyFileSystem fs;
            fs.FailNth(IoCall::Stat, n);
            ::testing::internal::CaptureStderr();
            {
                auto db = OpenDb(true, &fs);
                db->SetTreeWriter(tree);
                const bool saved = db->SetFileTags("/b.doc", {"b"});
                EXPECT_EQ(OpenDb()->GetFileItem("/b.doc").tags, saved ? TagList{"b"} : TagList{});
                if (!saved) {
                    EXPECT_FALSE(db->LastError().empty());
                }
            }
            ::testing::internal::GetCapturedStderr();
            EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, TagList{"a"});
            if (!fs.Failed())
                break;
        }
        EXPECT_GT(failed, 2);
    }
}

TEST_F(DatabaseTest, AnUnreadableFileThatCannotBeMovedAsideIsNeverOverwrittenEvenByRoot)
{
    m_dir.WriteFile("tags.xml", "garbage");
    FaultyFileSystem fs;
    fs.FailNth(IoCall::Rename, 1, EACCES); // moving it aside fails
    ::testing::internal::CaptureStderr();
    {
        auto db = OpenDb(true, &fs);
        EXPECT_TRUE(db->RecoveredFile().empty());
        EXPECT_TRUE(db->ReadFailed());
        fs.FailNth(IoCall::Rename, 1, EACCES); // and again when a change tries
        EXPECT_FALSE(db->SetFileTags("/a.doc", {"a"}));
        EXPECT_EQ(FileText(), "garbage");
        // Once it can be moved, it is, and the change is saved.
        fs.FailNth(IoCall::Rename, 0);
        EXPECT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    }
    ::testing::internal::GetCapturedStderr();
    const auto aside = files::ListFiles(m_dir.Path(), "tags.xml.unreadable-*");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(files::ReadFile(m_dir / aside[0]).value_or(""), "garbage");
    EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, TagList{"a"});
}

TEST_F(DatabaseTest, LineBreaksInATagAreRefused)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"keep"}));
    ::testing::internal::CaptureStderr();
    for (const std::string tag : {"two\nlines", "carriage\rreturn", "both\r\n"})
        EXPECT_FALSE(db->SetFileTags("/a.doc", {"fine", tag})) << tag;
    EXPECT_FALSE(db->SetDocumentTags("/a.doc", "fine, one\nmore"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(db->GetFileItem("/a.doc").tags, TagList{"keep"});
    EXPECT_TRUE(db->SetFileTags("/a.doc", {"tab\tinside"})) << "other white space inside a tag stays";
}

} // namespace
