// The persistent index beside tags.xml: used when it describes the file, and
// otherwise never trusted nor fatal. In every case the answers equal a parse.
#include "platform/files/filesystem.h"
#include "store/indexfile.h"
#include "tests/store/dbfixture.h"

#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmark::test {
namespace {

using indexfile::Loaded;

// Everything a reader can ask, as one text.
std::string Answers(TaggingDatabase& db)
{
    std::string text;
    for (const FileItem& item : db.GetAllDocuments({})) {
        text += item.path + "|" + item.md5 + "|" + std::to_string(item.previewDate);
        for (const std::string& tag : item.tags)
            text += "|" + tag;
        text += "\n";
    }
    for (const std::string& tag : db.GetAllTags())
        text += "tag " + tag + "\n";
    for (const FileItem& item : db.FindDocuments("BUD", {}))
        text += "found " + item.path + "\n";
    return text;
}

class IndexFileTest : public DatabaseTest {
protected:
    std::string IndexFile() const { return indexfile::PathFor(DbFile()); }

    // A database of `count` records, and a valid index of it, written by a reader.
    void MakeIndexed(int count)
    {
        {
            auto writer = OpenDb();
            for (int i = 0; i < count; ++i)
                ASSERT_TRUE(writer->SetFileTags("/docs/report" + std::to_string(i) + ".doc",
                                                {"budget", "group" + std::to_string(i % 7), "Ünïcode"}));
        }
        auto reader = OpenDb();
        ASSERT_TRUE(files::Exists(IndexFile()));
        ASSERT_EQ(OpenDb()->LastIndexLoad(), Loaded::Used);
    }

    // Opens the database through its index and checks it answers as a parse does.
    Loaded OpenAndCompare()
    {
        auto viaIndex = OpenDb();
        auto parsed = OpenDb(false);
        EXPECT_EQ(Answers(*viaIndex), Answers(*parsed));
        return viaIndex->LastIndexLoad();
    }

    void Patch(std::uint64_t offset, const std::string& bytes)
    {
        std::fstream file(IndexFile(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good());
    }
};

TEST_F(IndexFileTest, AValidIndexAnswersAsTheFileAndWritersKeepItValid)
{
    MakeIndexed(50);
    EXPECT_EQ(OpenAndCompare(), Loaded::Used);
    // A change by a process that read the index leaves a valid index of the new file.
    {
        auto writer = OpenDb();
        ASSERT_EQ(writer->LastIndexLoad(), Loaded::Used);
        ASSERT_TRUE(writer->SetFileTags("/docs/report3.doc", {"changed"}));
        ASSERT_TRUE(writer->RemoveDocument("/docs/report4.doc"));
        ASSERT_TRUE(writer->RemoveDocument("/docs/report49.doc"));
    }
    EXPECT_EQ(OpenAndCompare(), Loaded::Used);
    auto db = OpenDb();
    EXPECT_EQ(db->GetFileItem("/docs/report3.doc").tags, TagList{"changed"});
    EXPECT_FALSE(db->HasRecord("/docs/report4.doc"));
    // A change made through the mapped index (its arrays become the process's own).
    ASSERT_TRUE(db->SetFileTags("/docs/new.odt", {"new"}));
    EXPECT_EQ(db->LastIndexLoad(), Loaded::Used) << "checked whole before the change, and found sound";
    EXPECT_EQ(db->FindDocuments("new", {}).size(), 1u);
    EXPECT_EQ(OpenAndCompare(), Loaded::Used);
}

// Dates are read from a record's text once and kept: a change of one is seen
// at once by the process that made it, through the index or not.
TEST_F(IndexFileTest, ADateReadOnceIsReadAgainAfterItChanges)
{
    MakeIndexed(3000);
    auto db = OpenDb();
    ASSERT_EQ(db->LastIndexLoad(), Loaded::Used);
    ASSERT_EQ(db->GetAllDocuments({}).size(), 3000u);
    EXPECT_EQ(db->GetAllDocuments({})[2500].previewDate, 0);
    FileItem item;
    item.md5 = db->GetMd5Hex("/docs/report2500.doc");
    item.previewDate = 1128866607;
    ASSERT_TRUE(db->SetPreviewDate(item));
    EXPECT_EQ(db->GetAllDocuments({})[2500].previewDate, 1128866607);
    EXPECT_EQ(OpenDb()->GetAllDocuments({})[2500].previewDate, 1128866607);
}

TEST_F(IndexFileTest, AnIndexOfAnotherStateOfTheFileIsStale)
{
    MakeIndexed(20);
    // Another writer that ignores the lock rewrites the file in place, same
    // size, within the same second, and puts its modification time back.
    struct stat before {};
    ASSERT_EQ(::stat(DbFile().c_str(), &before), 0);
    std::string text = FileText();
    const std::size_t at = text.find("group3");
    ASSERT_NE(at, std::string::npos);
    text[at + 5] = '9';
    {
        std::fstream file(DbFile(), std::ios::in | std::ios::out | std::ios::binary);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, DbFile().c_str(), times, 0), 0);
    EXPECT_EQ(OpenAndCompare(), Loaded::Stale);
    EXPECT_FALSE(OpenDb()->FindDocuments("group9", {}).empty());
    EXPECT_EQ(OpenAndCompare(), Loaded::Used) << "the reader that found it stale wrote a new one";
}

TEST_F(IndexFileTest, ADamagedOrForeignIndexIsNeverTrusted)
{
    MakeIndexed(200);
    const std::string good = files::ReadFile(IndexFile()).value();

    // Truncated.
    ASSERT_EQ(::truncate(IndexFile().c_str(), static_cast<off_t>(good.size() / 2)), 0);
    EXPECT_EQ(OpenAndCompare(), Loaded::Damaged);
    EXPECT_EQ(OpenAndCompare(), Loaded::Used) << "rebuilt";

    // One byte changed in the middle of its records' texts, and one in its header.
    for (const std::uint64_t offset : {static_cast<std::uint64_t>(good.size() * 6 / 10), std::uint64_t{40}}) {
        ASSERT_TRUE(files::AtomicReplace(IndexFile(), good));
        ASSERT_EQ(OpenDb()->LastIndexLoad(), Loaded::Used);
        Patch(offset, std::string(1, static_cast<char>(good[offset] ^ 0x20)));
        EXPECT_EQ(OpenAndCompare(), Loaded::Damaged) << offset;
    }

    // Damage found by a single lookup, which checks only what it reads: the
    // lookup answers from the file, and the index is written again.
    {
        const std::size_t text = good.find("/docs/report77.doc");
        ASSERT_NE(text, std::string::npos);
        ASSERT_TRUE(files::AtomicReplace(IndexFile(), good));
        Patch(text + 6, "X");
        auto db = OpenDb();
        ASSERT_EQ(db->LastIndexLoad(), Loaded::Used) << "checked as it is used";
        EXPECT_EQ(db->GetFileItem("/docs/report77.doc").tags, (TagList{"budget", "group0", "Ünïcode"}));
        EXPECT_EQ(db->LastIndexLoad(), Loaded::Damaged);
        ASSERT_TRUE(db->SetFileTags("/docs/report78.doc", {"after"}));
        EXPECT_EQ(OpenAndCompare(), Loaded::Used);
    }

    // Not an index at all, and an empty file.
    for (const std::string& junk : {std::string("<documents/>"), std::string()}) {
        ASSERT_TRUE(files::AtomicReplace(IndexFile(), junk));
        EXPECT_EQ(OpenAndCompare(), Loaded::Damaged);
    }

    // Another version of the format: parsed, and rewritten in this one.
    ASSERT_TRUE(files::AtomicReplace(IndexFile(), good));
    const std::uint32_t other = 999;
    Patch(8, std::string(reinterpret_cast<const char*>(&other), sizeof other));
    EXPECT_EQ(OpenAndCompare(), Loaded::OtherVersion);
    EXPECT_EQ(OpenAndCompare(), Loaded::Used);
}

// An index is written after the lock (or without it): one whose file was
// replaced meanwhile is not put in place over the newer writer's.
TEST_F(IndexFileTest, AnIndexIsNotPutInPlaceOnceItsFileWasReplaced)
{
    MakeIndexed(10);
    files::FileSystem& fs = files::FileSystem::Posix();
    indexfile::Proof proof;
    const int fd = ::open(DbFile().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(indexfile::Prove(fs, fd, proof));
    ::close(fd);
    ASSERT_TRUE(OpenDb()->SetFileTags("/docs/other.doc", {"newer"}));
    const std::string newer = files::ReadFile(IndexFile()).value();
    EXPECT_FALSE(indexfile::Write(fs, DbFile(), TagIndex(), proof));
    EXPECT_EQ(files::ReadFile(IndexFile()).value(), newer);
    EXPECT_EQ(OpenAndCompare(), Loaded::Used);
}

// Dies right after the database file was replaced, before its index is.
class DiesAfterTheDatabase final : public files::ForwardingFileSystem {
public:
    DiesAfterTheDatabase() : ForwardingFileSystem(files::FileSystem::Posix()) {}
    int Rename(const char* from, const char* to) override
    {
        const int result = ForwardingFileSystem::Rename(from, to);
        if (result == 0 && std::string_view(to).ends_with("/tags.xml"))
            ::_exit(0);
        return result;
    }
};

TEST_F(IndexFileTest, AWriterKilledBetweenTheTwoReplacesLeavesAStaleIndex)
{
    MakeIndexed(30);
    const std::string indexBefore = files::ReadFile(IndexFile()).value();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DiesAfterTheDatabase fs;
        TaggingDatabase db(fs);
        db.m_pSettings = &m_settings;
        db.Open();
        db.SetFileTags("/docs/report5.doc", {"after the kill"});
        ::_exit(3); // not reached when the file was replaced
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the writer died between the two replaces";
    ASSERT_EQ(files::ReadFile(IndexFile()).value(), indexBefore);
    EXPECT_EQ(OpenAndCompare(), Loaded::Stale);
    EXPECT_EQ(OpenDb()->GetFileItem("/docs/report5.doc").tags, TagList{"after the kill"});
}

// A folder where nothing can be created (as a read-only folder is to a user
// other than root, who may write anywhere).
class NoNewFiles final : public files::ForwardingFileSystem {
public:
    NoNewFiles() : ForwardingFileSystem(files::FileSystem::Posix()) {}
    int CreateTemp(std::string&) override
    {
        errno = EACCES;
        return -1;
    }
};

TEST_F(IndexFileTest, AFolderWhereNoIndexCanBeWrittenIsAnsweredByTheParse)
{
    MakeIndexed(10);
    ASSERT_TRUE(files::RemoveFile(IndexFile()));
    const std::string before = FileText();
    NoNewFiles fs;
    TaggingDatabase db(fs);
    db.m_pSettings = &m_settings;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(db.Open(false));
    EXPECT_EQ(db.LastIndexLoad(), Loaded::Missing);
    EXPECT_FALSE(db.ReadFailed());
    auto parsed = OpenDb(false);
    EXPECT_EQ(Answers(db), Answers(*parsed));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "a missing index is nothing to warn about";
    EXPECT_FALSE(files::Exists(IndexFile()));
    EXPECT_EQ(FileText(), before);
}

} // namespace
} // namespace quillmark::test
