#include "platform/files/files.h"
#include "tests/support/faultyfilesystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <ctime>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace files = quillmark::files;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qm_files_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_strDir = tmpl;
    }
    void TearDown() override
    {
        std::error_code ec;
        if (!m_strDir.empty())
            std::filesystem::remove_all(m_strDir, ec);
    }
    void Write(const std::string& name, const std::string& content)
    {
        ASSERT_TRUE(files::AtomicReplace(m_strDir + "/" + name, content));
    }
    std::string m_strDir;
};

TEST_F(FilesTest, AtomicReplaceWritesContentWithModeAndLeavesNoTemporary)
{
    const std::string path = m_strDir + "/data.xml";
    std::string error;
    ASSERT_TRUE(files::AtomicReplace(path, "first", 0600, &error)) << error;
    EXPECT_EQ(files::ReadFile(path).value_or("?"), "first");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ASSERT_TRUE(files::AtomicReplace(path, std::string(100000, 'x'), 0640));
    EXPECT_EQ(files::ReadFile(path)->size(), 100000u);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    ASSERT_TRUE(files::AtomicReplace(path, ""));
    EXPECT_EQ(files::ReadFile(path).value_or("?"), "");
    // Only the file itself is left in the folder.
    EXPECT_EQ(files::ListFiles(m_strDir, "*"), std::vector<std::string>{"data.xml"});
    EXPECT_EQ(files::ListFiles(m_strDir, ".*"), std::vector<std::string>{});
}

TEST_F(FilesTest, AtomicReplaceFailsIntoMissingOrUnwritableFolder)
{
    std::string error;
    EXPECT_FALSE(files::AtomicReplace(m_strDir + "/missing/data.xml", "x", 0600, &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(files::Exists(m_strDir + "/missing"));

    // A folder in place of the target: rename fails, the temporary file is gone.
    ASSERT_TRUE(files::MakeDirectories(m_strDir + "/target/inner"));
    error.clear();
    EXPECT_FALSE(files::AtomicReplace(m_strDir + "/target", "x", 0600, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(files::IsDirectory(m_strDir + "/target"));
    EXPECT_EQ(files::ListFiles(m_strDir, ".*"), std::vector<std::string>{});

    if (::geteuid() != 0) {
        const std::string ro = m_strDir + "/readonly";
        ASSERT_TRUE(files::MakeDirectories(ro));
        ASSERT_EQ(::chmod(ro.c_str(), 0500), 0);
        EXPECT_FALSE(files::AtomicReplace(ro + "/data.xml", "x"));
        ::chmod(ro.c_str(), 0700);
    }
}

TEST_F(FilesTest, AtomicReplaceFailingAnyCallLeavesTheOldContentAndNoTemporary)
{
    using quillmark::test::FaultyFileSystem;
    using quillmark::test::IoCall;
    const std::string path = m_strDir + "/data";
    Write("data", "old content");
    FaultyFileSystem fs;
    files::ScopedFileSystem scope(fs);
    // A write big enough to take more than one call would be cut short anywhere.
    const std::string fresh(1 << 20, 'n');
    ASSERT_TRUE(files::AtomicReplace(path, fresh));
    std::map<IoCall, int> counted;
    for (IoCall call : {IoCall::Open, IoCall::Write, IoCall::Sync, IoCall::Rename})
        counted[call] = fs.Calls(call);
    int failures = 0;
    for (auto [call, calls] : counted) {
        EXPECT_GT(calls, 0) << IoCallName(call);
        for (int n = 1; n <= calls; ++n) {
            fs.FailNth(call, n, n % 2 ? EIO : ENOSPC);
            std::string error;
            EXPECT_FALSE(files::AtomicReplace(path, "new content", 0600, &error)) << IoCallName(call) << " " << n;
            EXPECT_TRUE(fs.Failed());
            EXPECT_NE(error.find(std::strerror(n % 2 ? EIO : ENOSPC)), std::string::npos) << error;
            EXPECT_EQ(files::ReadFile(path).value_or(""), fresh);
            EXPECT_EQ(files::ListFiles(m_strDir, ".data.*"), std::vector<std::string>{});
            ++failures;
        }
    }
    EXPECT_GE(failures, 4);

    // Reading: a failing open or read is an error, never a short file.
    for (IoCall call : {IoCall::Open, IoCall::Read}) {
        fs.FailNth(call, 1);
        std::string error;
        EXPECT_EQ(files::ReadFile(path, &error), std::nullopt) << IoCallName(call);
        EXPECT_NE(error.find(path), std::string::npos);
    }
    fs.FailNth(IoCall::Read, 2);
    EXPECT_EQ(files::ReadFile(path), std::nullopt) << "a read failing after the first chunk";
    fs.FailNth(IoCall::Open, 1, EACCES);
    files::FileLock lock(path);
    EXPECT_FALSE(lock.Locked());
    EXPECT_NE(lock.Error().find(".lock"), std::string::npos);
}

TEST_F(FilesTest, ReadFileReportsMissingFile)
{
    std::string error;
    EXPECT_FALSE(files::ReadFile(m_strDir + "/none", &error).has_value());
    EXPECT_NE(error.find("none"), std::string::npos);
    Write("bin", std::string("a\0b", 3));
    EXPECT_EQ(files::ReadFile(m_strDir + "/bin")->size(), 3u);
}

TEST_F(FilesTest, MakeDirectoriesCreatesParentsAndRejectsFiles)
{
    const std::string deep = m_strDir + "/a/b/c/";
    ASSERT_TRUE(files::MakeDirectories(deep));
    EXPECT_TRUE(files::IsDirectory(m_strDir + "/a/b/c"));
    EXPECT_TRUE(files::MakeDirectories(deep)); // already there
    struct stat st {};
    ASSERT_EQ(::stat((m_strDir + "/a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);

    Write("plain", "x");
    std::string error;
    EXPECT_FALSE(files::MakeDirectories(m_strDir + "/plain/sub", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(files::MakeDirectories(m_strDir + "/plain", &error));
    EXPECT_FALSE(files::MakeDirectories(""));
}

TEST_F(FilesTest, ListFilesMatchesWildcardsSorted)
{
    for (const char* name : {"Slide2.jpg", "Slide10.jpg", "Slide1.jpg", "notes.txt", "Slide1.png"})
        Write(name, "x");
    EXPECT_EQ(files::ListFiles(m_strDir, "Slide*.jpg"),
              (std::vector<std::string>{"Slide1.jpg", "Slide10.jpg", "Slide2.jpg"}));
    EXPECT_EQ(files::ListFiles(m_strDir, "Slide?.*"),
              (std::vector<std::string>{"Slide1.jpg", "Slide1.png", "Slide2.jpg"}));
    EXPECT_EQ(files::ListFiles(m_strDir, "*").size(), 5u);
    EXPECT_TRUE(files::ListFiles(m_strDir, "*.doc").empty());
    EXPECT_TRUE(files::ListFiles(m_strDir + "/missing", "*").empty());
}

TEST_F(FilesTest, FileTimesFollowTheFile)
{
    const std::string path = m_strDir + "/doc.doc";
    EXPECT_FALSE(files::GetFileTimes(path).has_value());
    Write("doc.doc", "x");
    const struct timespec times[2] = {{1128866607, 0}, {1128866000, 0}}; // access, write
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const auto t = files::GetFileTimes(path);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->accessTime, 1128866607);
    EXPECT_EQ(t->writeTime, 1128866000);
    // The birth time, where recorded, is the real creation moment: around now.
    if (t->createTime != 0) {
        EXPECT_LE(std::llabs(t->createTime - static_cast<long long>(std::time(nullptr))), 600);
    }
}

TEST_F(FilesTest, StampChangesWhenFileIsReplaced)
{
    const std::string path = m_strDir + "/tags.xml";
    const files::FileStamp none = files::GetFileStamp(path);
    EXPECT_FALSE(none.exists);
    Write("tags.xml", "one");
    const files::FileStamp a = files::GetFileStamp(path);
    EXPECT_TRUE(a.exists);
    EXPECT_EQ(a, files::GetFileStamp(path));
    Write("tags.xml", "two"); // same size, replaced
    const files::FileStamp b = files::GetFileStamp(path);
    EXPECT_NE(a, b);
    EXPECT_EQ(b.size, 3u);
}

TEST_F(FilesTest, LockExcludesOtherHoldersAndProcesses)
{
    const std::string path = m_strDir + "/tags.xml";
    std::optional<files::FileLock> lock;
    lock.emplace(path);
    ASSERT_TRUE(lock->Locked()) << lock->Error();
    EXPECT_TRUE(files::Exists(path + ".lock"));

    // Another holder in this process waits until the first is gone.
    std::atomic<bool> got{false};
    std::thread other([&] {
        files::FileLock second(path);
        got = second.Locked();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(got.load());

    // Another process cannot take it either.
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open((path + ".lock").c_str(), O_RDWR);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a second process got the lock";

    lock.reset(); // releasing lets the waiting thread through
    other.join();
    EXPECT_TRUE(got.load());

    // A folder that does not exist gives an error instead of a lock.
    files::FileLock bad(m_strDir + "/missing/tags.xml");
    EXPECT_FALSE(bad.Locked());
    EXPECT_NE(bad.Error().find("missing"), std::string::npos);
}

// A process that takes the lock again right after releasing it would win
// every time over one that polls; it lets the marked waiter go first, so many
// writers in a row cannot starve another.
TEST_F(FilesTest, ALockTakenAgainAtOnceGoesToTheWaiterFirst)
{
    const std::string path = m_strDir + "/tags.xml";
    std::optional<files::FileLock> lock;
    lock.emplace(path, 5000);
    ASSERT_TRUE(lock->Locked()) << lock->Error();
    const std::string mark = m_strDir + "/waiter-had-it";
    const pid_t waiter = ::fork();
    if (waiter == 0) {
        files::FileLock second(path, 5000);
        if (second.Locked())
            files::AtomicReplace(mark, "yes");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::_exit(second.Locked() ? 0 : 1);
    }
    // Released once the waiter is seen waiting, and taken again at once.
    const int fd = ::open((path + ".lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 500 && files::FileSystem::Posix().Marked(fd, 0, 64, F_WRLCK) != 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(files::FileSystem::Posix().Marked(fd, 0, 64, F_WRLCK), 1) << "the waiter marks that it waits";
    ::close(fd);
    lock.reset();
    lock.emplace(path, 5000);
    EXPECT_TRUE(lock->Locked());
    EXPECT_TRUE(files::Exists(mark)) << "the process that released the lock took it back before the waiter";
    lock.reset();
    int status = 0;
    ::waitpid(waiter, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
