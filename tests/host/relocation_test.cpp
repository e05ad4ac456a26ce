// A file the database lost track of, located again by the user: in both hosts the
// located file keeps the old record's tags, and the old record goes only once the
// new one is written. PowerPoint also adds what the located file's Keywords hold,
// and leaves a presentation the user has open as it is.
#include "tests/host/eventhandlertestsupport.h"

#include <gmock/gmock.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Relocation = OfficeApplication::Relocation;

template <class Wrapper>
struct RelocationTest : ::testing::Test {
    EventHost<Wrapper> host;
    const char* ext = HostTraits<Wrapper>::kExtension;
    std::string Name(const std::string& stem) { return stem + ext; }
};
using Wrappers = ::testing::Types<WordApplication, PowerPointApplication>;
TYPED_TEST_SUITE(RelocationTest, Wrappers);

TYPED_TEST(RelocationTest, TheLocatedFileKeepsTheOldTagsAndTheOldRecordGoes)
{
    auto& host = this->host;
    const std::string old = host.docs + "/" + this->Name("report");
    host.Store(host.File(this->Name("report")), {"budget", "2024"});
    std::filesystem::remove(old);
    const std::string located = host.File("moved/" + this->Name("report-final"));

    EXPECT_EQ(host.wrapper.RelocateDocument(old, located), Relocation::Relocated);
    EXPECT_THAT(host.Stored(located), ElementsAre("budget", "2024", "report-final"));
    ASSERT_EQ(host.database.GetAllDocuments({"doc", "ppt"}).size(), 1u);
    EXPECT_EQ(host.database.GetAllDocuments({"doc", "ppt"})[0].path, located);

    // A located file with a record of its own keeps its tags first.
    const std::string other = host.docs + "/" + this->Name("plan");
    host.Store(host.File(this->Name("plan")), {"x", "budget", "y"});
    std::filesystem::remove(other);
    EXPECT_EQ(host.wrapper.RelocateDocument(other, located), Relocation::Relocated);
    EXPECT_THAT(host.Stored(located), ElementsAre("budget", "2024", "report-final", "x", "y"));
    EXPECT_THAT(host.Stored(other), IsEmpty());
}

TYPED_TEST(RelocationTest, NothingIsLostWhenTheNewRecordCannotBeWritten)
{
    auto& host = this->host;
    const std::string old = host.File(this->Name("kept"));
    host.Store(old, {"a", "b"});

    // A located path the database cannot hold (not UTF-8).
    const std::string unreadable = host.File("bad\xff" + this->Name(""));
    EXPECT_EQ(host.wrapper.RelocateDocument(old, unreadable), Relocation::NotSaved);
    EXPECT_THAT(host.Stored(old), ElementsAre("a", "b"));

    // A located file in the temporary folder cannot be tagged.
    const std::string temp = host.File(host.tempFolder + "/" + this->Name("copy"));
    EXPECT_EQ(host.wrapper.RelocateDocument(old, temp), Relocation::InTemporaryFolder);
    EXPECT_THAT(host.Stored(old), ElementsAre("a", "b"));
    EXPECT_THAT(host.Stored(temp), IsEmpty());

    // No file where the user pointed (a script's answer, a file gone meanwhile).
    EXPECT_EQ(host.wrapper.RelocateDocument(old, host.docs + "/" + this->Name("nowhere")), Relocation::NotFound);
    EXPECT_EQ(host.wrapper.RelocateDocument(old, host.docs), Relocation::NotFound);
    EXPECT_THAT(host.Stored(old), ElementsAre("a", "b"));
    EXPECT_EQ(host.office.Model().Count(), 0);
}

TEST(PowerPointRelocationTest, TheLocatedPresentationsKeywordsJoinAndAnOpenOneStaysOpen)
{
    EventHost<PowerPointApplication> host;
    const std::string old = host.docs + "/deck.ppt";
    host.Store(host.File("deck.ppt"), {"sales"});
    std::filesystem::remove(old);
    const std::string located = host.Prepare("new/deck.ppt", {{"Keywords", "q3, sales"}});

    EXPECT_EQ(host.wrapper.RelocateDocument(old, located), Relocation::Relocated);
    EXPECT_THAT(host.Stored(located), ElementsAre("sales", "deck", "q3"));
    EXPECT_EQ(host.office.Model().Count(), 0); // opened for the merge, closed again

    // The user has the located presentation open, with changes: it stays open and
    // changed, and its Keywords still join.
    const std::string older = host.docs + "/older.ppt";
    host.Store(host.File("older.ppt"), {"archive"});
    std::filesystem::remove(older);
    simoffice::SimDocument& doc = host.Open(located);
    doc.SetProperty("Keywords", "q3, sales, draft");
    doc.MarkChanged();
    EXPECT_EQ(host.wrapper.RelocateDocument(older, located), Relocation::Relocated);
    EXPECT_THAT(host.Stored(located), ElementsAre("sales", "deck", "q3", "archive", "draft"));
    ASSERT_EQ(host.office.Model().Count(), 1);
    EXPECT_EQ(host.office.Model().Active(), &doc);
    EXPECT_FALSE(doc.Saved());
}

TEST(PowerPointRelocationTest, MergeTagsFromFileClosesOnlyWhatItOpened)
{
    EventHost<PowerPointApplication> host;
    const std::string path = host.Prepare("mine.ppt", {});
    simoffice::SimDocument& doc = host.Open(path);
    doc.MarkChanged();
    EXPECT_TRUE(host.wrapper.MergeTagsFromFile(path));
    EXPECT_EQ(host.office.Model().Find(path), &doc);
    EXPECT_FALSE(doc.Saved());
}

} // namespace
} // namespace quillmark::test
