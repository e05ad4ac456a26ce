// What a document save does to the file system around the document: a link is
// written through, a read-only file and a file changed behind the host are left
// alone with the reason, hard links are kept, a FIFO never blocks, and temporary
// files of a killed save are recognised and removed by the next save.
#include "simoffice/officemodel.h"

#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "tests/support/tempdir.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

using namespace quillmark;
using namespace quillmark::simoffice;
using quillmark::test::TempDir;
using ::testing::HasSubstr;

namespace {

std::string MakeDoc(const std::string& path, const std::string& keywords)
{
    docprops::Properties properties;
    properties.keywords = keywords;
    std::string error;
    if (!docprops::Write({}, path, properties, &error)) ADD_FAILURE() << error;
    return path;
}

std::string KeywordsOf(const std::string& path)
{
    std::string error;
    const auto properties = docprops::Read(path, &error);
    return properties ? properties->keywords : "<" + error + ">";
}

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

} // namespace

TEST(SaveSafety, LinksAreWrittenThroughAndHardLinksKept)
{
    TempDir dir;
    OfficeModel office(HostKind::Word);
    std::string error;

    // A symbolic link (relative, as users make them) to the real document.
    const std::string real = MakeDoc(dir / "real.docx", "old");
    std::filesystem::create_directories(dir / "links");
    std::filesystem::create_symlink("../real.docx", dir / "links/alias.docx");
    SimDocument* pDoc = office.Open(dir / "links/alias.docx", 0, &error);
    ASSERT_TRUE(pDoc) << error;
    pDoc->SetProperty("Keywords", "through the link");
    ASSERT_TRUE(office.Save(pDoc, {}, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "links/alias.docx")) << "the link stays a link";
    EXPECT_EQ(std::filesystem::read_symlink(dir / "links/alias.docx"), "../real.docx");
    EXPECT_EQ(KeywordsOf(real), "through the link") << "the file it names has the new properties";
    // Saved again through the link: the host's own last write is no change behind its back.
    pDoc->SetProperty("Keywords", "twice");
    ASSERT_TRUE(office.Save(pDoc, {}, &error)) << error;
    EXPECT_EQ(KeywordsOf(real), "twice");
    office.Close(pDoc);

    // Two hard links: both names see the saved document, and there are still two.
    const std::string first = MakeDoc(dir / "first.docx", "old");
    ASSERT_EQ(::link(first.c_str(), (dir / "second.docx").c_str()), 0);
    const ino_t inode = StatOf(first).st_ino;
    pDoc = office.Open(first, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    pDoc->SetProperty("Keywords", "both names");
    ASSERT_TRUE(office.Save(pDoc, {}, &error)) << error;
    EXPECT_EQ(StatOf(first).st_nlink, 2u);
    EXPECT_EQ(StatOf(first).st_ino, inode);
    EXPECT_EQ(KeywordsOf(dir / "second.docx"), "both names");
    pDoc->SetProperty("Keywords", "again");
    ASSERT_TRUE(office.Save(pDoc, {}, &error)) << error;
    EXPECT_EQ(KeywordsOf(dir / "second.docx"), "again");
    // No temporary file or backup copy is left beside them.
    EXPECT_EQ(files::ListFiles(dir.Path(), ".*"), std::vector<std::string>{});
}

TEST(SaveSafety, ReadOnlyFilesAndFilesChangedBehindTheHostAreLeftAsTheyAre)
{
    TempDir dir;
    OfficeModel office(HostKind::Word);
    std::string error;

    // Read-only (0444): the save fails and the file is the same file with the same bytes.
    const std::string locked = MakeDoc(dir / "locked.docx", "mine");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    SimDocument* pDoc = office.Open(locked, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    const std::string lockedBytes = *files::ReadFile(locked);
    const auto lockedStamp = files::GetFileStamp(locked);
    pDoc->SetProperty("Keywords", "changed");
    EXPECT_FALSE(office.Save(pDoc, {}, &error));
    EXPECT_THAT(error, HasSubstr("read-only"));
    EXPECT_EQ(files::GetFileStamp(locked), lockedStamp);
    EXPECT_EQ(*files::ReadFile(locked), lockedBytes);
    EXPECT_EQ(StatOf(locked).st_mode & 07777, 0444u);
    office.Close(pDoc);

    // Replaced by another document between opening and saving: neither file's keywords are lost.
    const std::string path = MakeDoc(dir / "report.docx", "first");
    pDoc = office.Open(path, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    MakeDoc(dir / "other.docx", "second file's own");
    ASSERT_EQ(::rename((dir / "other.docx").c_str(), path.c_str()), 0);
    pDoc->SetProperty("Keywords", "first, edited");
    EXPECT_FALSE(office.Save(pDoc, {}, &error));
    EXPECT_THAT(error, HasSubstr("changed by another program"));
    EXPECT_EQ(KeywordsOf(path), "second file's own");

    // Edited in place with the same size (only the time tells).
    const std::string edited = MakeDoc(dir / "edited.docx", "v1");
    SimDocument* pEdited = office.Open(edited, 0, &error);
    ASSERT_TRUE(pEdited) << error;
    const std::string before = *files::ReadFile(edited);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, edited.c_str(), times, 0), 0);
    pEdited->SetProperty("Keywords", "v2");
    EXPECT_FALSE(office.Save(pEdited, {}, &error));
    EXPECT_THAT(error, HasSubstr("changed by another program"));
    EXPECT_EQ(*files::ReadFile(edited), before);

    // Replaced by a FIFO: the save fails at once instead of waiting for a writer.
    const std::string piped = MakeDoc(dir / "piped.docx", "p");
    SimDocument* pPiped = office.Open(piped, 0, &error);
    ASSERT_TRUE(pPiped) << error;
    ASSERT_EQ(::unlink(piped.c_str()), 0);
    ASSERT_EQ(::mkfifo(piped.c_str(), 0644), 0);
    pPiped->SetProperty("Keywords", "q");
    EXPECT_FALSE(office.Save(pPiped, {}, &error));
    EXPECT_THAT(error, HasSubstr("FIFO"));
    EXPECT_TRUE(S_ISFIFO(StatOf(piped).st_mode));
    // A FIFO given to open is refused as well, and reading its properties does not block.
    office.Close(pPiped);
    EXPECT_EQ(office.Open(piped, 0, &error), nullptr);
    EXPECT_FALSE(docprops::Read(piped, &error));
    EXPECT_THAT(error, HasSubstr("FIFO"));
}

TEST(SaveSafety, TemporaryFilesOfAKilledSaveAreRecognisedAndRemovedByTheNextSave)
{
    TempDir dir;
    const std::string path = MakeDoc(dir / "big.docx", "k");
    // A save killed while writing: a child process writes the temporary file and dies.
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string temp = dir / (".big.docx.qmsave-" + std::to_string(::getpid()) + "-abcdef");
        FILE* pFile = std::fopen(temp.c_str(), "w");
        if (pFile) std::fputs("half a document", pFile);
        ::_exit(pFile && std::fclose(pFile) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    // One of a save still running (this process is alive) and another document's.
    const std::string running = dir.WriteFile(".big.docx.qmsave-" + std::to_string(::getppid()) + "-ghijkl", "x");
    const std::string others = dir.WriteFile(".other.docx.qmsave-999999999-mnopqr", "x");
    EXPECT_EQ(files::ListFiles(dir.Path(), ".big.docx.qmsave-*").size(), 2u);

    OfficeModel office(HostKind::Word);
    std::string error;
    SimDocument* pDoc = office.Open(path, 0, &error);
    ASSERT_TRUE(pDoc) << error;
    pDoc->SetProperty("Keywords", "saved");
    ASSERT_TRUE(office.Save(pDoc, {}, &error)) << error;
    EXPECT_EQ(files::ListFiles(dir.Path(), ".big.docx.qmsave-*"),
              std::vector<std::string>{running.substr(running.rfind('/') + 1)});
    EXPECT_TRUE(files::Exists(others)) << "another document's files are not this save's business";
    EXPECT_EQ(KeywordsOf(path), "saved");
}
