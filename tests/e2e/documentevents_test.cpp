// Document events end to end: the add-in installed for both simulated hosts, each
// rule shown by a host transcript, the database checked with the quillmark tool,
// and the bar the host shows after each scenario.
#include "tests/e2e/hostsession.h"

#include "platform/files/files.h"
#include "store/taggingdatabase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Host {
    const char* name;
    const char* extension;
};
void PrintTo(const Host& host, std::ostream* os) { *os << host.name; }
const Host kWord{"word", ".doc"};
const Host kPowerPoint{"powerpoint", ".ppt"};

class DocumentEventsTest : public ::testing::TestWithParam<Host> {
protected:
    AddinHosts m_hosts;
};
INSTANTIATE_TEST_SUITE_P(BothHosts, DocumentEventsTest, ::testing::Values(kWord, kPowerPoint),
                         [](const auto& info) { return std::string(info.param.name); });

struct DatabaseFileState {
    std::optional<files::FileStamp> stamp;
    std::optional<std::string> bytes;
    bool operator==(const DatabaseFileState&) const = default;
};
DatabaseFileState StateOf(const std::string& file) { return {files::GetFileStamp(file), files::ReadFile(file)}; }

TEST_P(DocumentEventsTest, OpeningUnitesTheKeywordsWithTheDatabaseAndWritesNothingWhenAllAreStored)
{
    const std::string doc = std::string("Quarterly") + GetParam().extension;
    const std::string path = m_hosts.Doc(doc);
    HostSession host = m_hosts.Start(GetParam().name);
    // A file whose "Keywords" hold a, b; the database holds b, c for it.
    host.Run("new\nset-keywords 'a, b'\nsave " + doc + "\nclose\n");
    m_hosts.Tag(path, "b, c");

    EXPECT_EQ(host.Run("open " + doc + "\nkeywords\ntoolbar\n"),
              "> open " + doc + "\n> keywords\na, b\n> toolbar\n" + ToolbarWith({"b 1546", "c 1589", "a 1546"}));
    EXPECT_THAT(m_hosts.Show(path), ElementsAre("b", "c", "a", "Quarterly"));

    // Opened again: every tag is stored already, and the file is not touched.
    const DatabaseFileState before = StateOf(m_hosts.DatabaseFile());
    EXPECT_EQ(host.Run("close\nopen " + doc + "\ntoolbar\n"),
              "> close\n> open " + doc + "\n> toolbar\n" + ToolbarWith({"b 1546", "c 1589", "a 1546"}));
    EXPECT_EQ(StateOf(m_hosts.DatabaseFile()), before);
    ProcessResult end = host.Finish();
    EXPECT_EQ(end.exitCode, 0) << end.err;

    // The same in a host started afresh, where the file's "Keywords" are empty.
    const std::string plain = m_hosts.MakeDoc(std::string("Plain") + GetParam().extension);
    m_hosts.Tag(plain, "x, Plain");
    const DatabaseFileState tagged = StateOf(m_hosts.DatabaseFile());
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + plain + "\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "> open " + plain + "\n> toolbar\n" + ToolbarWith({"x 1589"}));
    EXPECT_EQ(StateOf(m_hosts.DatabaseFile()), tagged);
}

TEST_P(DocumentEventsTest, DocumentsInTheTemporaryFolderAreNeverRecorded)
{
    const std::string draft = m_hosts.MakeDoc(m_hosts.TempFolder() + "/Draft" + GetParam().extension);
    const std::string other = std::string("Other") + GetParam().extension;
    m_hosts.MakeDoc(other);
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + draft + "\nset-keywords d1\nsave\ntoolbar\n"
                                                        "open " + other + "\nactivate " + draft + "\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "> open " + draft + "\n> set-keywords d1\n> save\n> toolbar\n" + ToolbarWith({}) +
                           "> open " + other + "\n> activate " + draft + "\n> toolbar\n" + ToolbarWith({}));
    EXPECT_THAT(m_hosts.Show(draft), IsEmpty());
    EXPECT_THAT(m_hosts.Show(m_hosts.Doc(other)), ElementsAre("Other"));
}

TEST(WordDocumentEvents, SavingADocumentWhoseRecordHasNoTagsEmptiesItsKeywords)
{
    AddinHosts hosts;
    const std::string path = hosts.MakeDoc("Budget.doc");
    HostSession word = hosts.Start("word");
    word.Run("open Budget.doc\nset-keywords 'a, b'\n");
    ASSERT_THAT(hosts.Show(path), ElementsAre("Budget"));
    {
        // The record loses its tags elsewhere.
        TaggingDatabase database;
        database.SetDatabaseFile(hosts.DatabaseFile());
        ASSERT_TRUE(database.Open() && database.SetFileTags(path, {}));
        ASSERT_THAT(hosts.Show(path), IsEmpty());
    }
    EXPECT_EQ(word.Run("save\nkeywords\ntoolbar\n"), "> save\n> keywords\n\n> toolbar\n" + ToolbarWith({}));
    EXPECT_THAT(hosts.Show(path), ElementsAre("Budget"));

    // Tags stored elsewhere come into the document with its next save.
    hosts.Tag(path, "from, elsewhere");
    EXPECT_EQ(word.Run("save\nkeywords\ntoolbar\n"),
              "> save\n> keywords\nfrom, elsewhere\n> toolbar\n" + ToolbarWith({"from 1546", "elsewhere 1546"}));
    EXPECT_THAT(hosts.Show(path), ElementsAre("from", "elsewhere", "Budget"));
    EXPECT_EQ(word.Finish().exitCode, 0);
}

TEST(WordDocumentEvents, ANewDocumentIsRecordedAtTheNextActivationOfItsWindowUnderItsNewName)
{
    AddinHosts hosts;
    const std::string fresh = hosts.Doc("Fresh.doc");
    const std::string other = hosts.MakeDoc("Other.doc");
    hosts.Tag(other, "x, y");
    HostSession word = hosts.Start("word");

    // The before-save step only marks the document; the activation of its window
    // when the Save As dialog closes records it under its new name.
    EXPECT_EQ(word.Run("new\nset-keywords 'n1, n2'\nsave Fresh.doc\ndocuments\ntoolbar\n"),
              "> new\n> set-keywords 'n1, n2'\n> save Fresh.doc\n> documents\n* 1 " + fresh + "\n> toolbar\n" +
                  ToolbarWith({"n1 1546", "n2 1546"}));
    EXPECT_THAT(hosts.Show(fresh), ElementsAre("n1", "n2", "Fresh"));
    EXPECT_THAT(hosts.Show("Document1"), IsEmpty());

    // Recorded once: other windows coming and going record nothing in its place.
    EXPECT_EQ(word.Run("set-keywords changed\nopen Other.doc\ntoolbar\nnew\nactivate Fresh.doc\ntoolbar\n"),
              "> set-keywords changed\n> open Other.doc\n> toolbar\n" + ToolbarWith({"x 1589", "y 1589"}) +
                  "> new\n> activate Fresh.doc\n> toolbar\n" + ToolbarWith({"n1 1589", "n2 1589"}));
    EXPECT_THAT(hosts.Show(fresh), ElementsAre("n1", "n2", "Fresh"));
    EXPECT_THAT(hosts.Show(other), ElementsAre("x", "y", "Other"));
    EXPECT_THAT(hosts.Show("Document2"), IsEmpty());
    EXPECT_EQ(word.Finish().exitCode, 0);
}

TEST(PowerPointDocumentEvents, APresentationIsRecordedRightAfterItIsSaved)
{
    AddinHosts hosts;
    const std::string fresh = hosts.Doc("Fresh.ppt");
    ProcessResult run = hosts.Script("powerpoint", "new\nset-keywords 'n1, n2'\nsave Fresh.ppt\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "> new\n> set-keywords 'n1, n2'\n> save Fresh.ppt\n> toolbar\n" +
                           ToolbarWith({"n1 1546", "n2 1546"}));
    EXPECT_THAT(hosts.Show(fresh), ElementsAre("n1", "n2", "Fresh"));
}

TEST(PowerPointDocumentEvents, PresentationsByTheProductAuthorAreNotRecordedOnOpening)
{
    AddinHosts hosts;
    const std::string product = hosts.Doc("Product.ppt");
    const std::string lower = hosts.Doc("Lower.ppt");
    HostSession powerpoint = hosts.Start("powerpoint");
    powerpoint.Run("new\nset-author Corvenna\nset-keywords p\nsave Product.ppt\nclose\n"
                   "new\nset-author corvenna\nset-keywords l\nsave Lower.ppt\nclose\n");
    hosts.Remove(product);
    hosts.Remove(lower);

    EXPECT_EQ(powerpoint.Run("open Product.ppt\nauthor\ntoolbar\n"),
              "> open Product.ppt\n> author\nCorvenna\n> toolbar\n" + ToolbarWith({}));
    EXPECT_THAT(hosts.Show(product), IsEmpty());
    EXPECT_EQ(powerpoint.Run("open Lower.ppt\nauthor\ntoolbar\n"),
              "> open Lower.ppt\n> author\ncorvenna\n> toolbar\n" + ToolbarWith({"l 1546"}));
    EXPECT_THAT(hosts.Show(lower), ElementsAre("l", "Lower"));
    EXPECT_EQ(powerpoint.Finish().exitCode, 0);
}

TEST(PowerPointDocumentEvents, SavingInTheTemporaryFolderChangesNeitherTheDatabaseNorTheTagButtons)
{
    AddinHosts hosts;
    const std::string deck = hosts.MakeDoc("Deck.ppt");
    const std::string copy = hosts.TempFolder() + "/Deck.ppt";
    hosts.Tag(deck, "k1, k2");
    HostSession powerpoint = hosts.Start("powerpoint");
    EXPECT_EQ(powerpoint.Run("open Deck.ppt\ntoolbar\n"),
              "> open Deck.ppt\n> toolbar\n" + ToolbarWith({"k1 1589", "k2 1589"}));
    const DatabaseFileState before = StateOf(hosts.DatabaseFile());

    EXPECT_EQ(powerpoint.Run("save " + copy + "\ntoolbar\nsave\ntoolbar\n"),
              "> save " + copy + "\n> toolbar\n" + ToolbarWith({"k1 1589", "k2 1589"}) + "> save\n> toolbar\n" +
                  ToolbarWith({"k1 1589", "k2 1589"}));
    EXPECT_EQ(StateOf(hosts.DatabaseFile()), before);
    EXPECT_THAT(hosts.Show(copy), IsEmpty());
    EXPECT_THAT(hosts.Show(deck), ElementsAre("k1", "k2", "Deck"));
    EXPECT_EQ(powerpoint.Finish().exitCode, 0);
}

TEST(BothHostsAtOnce, WordAndPowerPointOnOneDatabaseKeepEveryRecordOfBoth)
{
    AddinHosts hosts;
    constexpr int kSteps = 6;
    HostSession word = hosts.Start("word");
    HostSession powerpoint = hosts.Start("powerpoint");
    // Turn by turn, each host records documents of its own, every one in a database
    // the other has changed since this host last read it.
    for (int i = 1; i <= kSteps; ++i) {
        const std::string n = std::to_string(i);
        word.Run("new\nset-keywords 'word, w" + n + "'\nsave W" + n + ".doc\nclose\nopen W" + n + ".doc\n");
        powerpoint.Run("new\nset-keywords 'slides, p" + n + "'\nsave P" + n + ".ppt\n");
    }
    EXPECT_EQ(word.Run("toolbar\n"), "> toolbar\n" + ToolbarWith({"word 1546", "w6 1546"}));
    EXPECT_EQ(powerpoint.Run("toolbar\n"), "> toolbar\n" + ToolbarWith({"slides 1546", "p6 1546"}));
    EXPECT_EQ(word.Finish().exitCode, 0);
    EXPECT_EQ(powerpoint.Finish().exitCode, 0);

    // Free-running: both hosts through their scripts at the same time.
    std::string wordScript, powerpointScript;
    for (int i = 1; i <= 15; ++i) {
        const std::string n = std::to_string(i);
        wordScript += "open " + hosts.MakeDoc("Wf" + n + ".doc") + "\n";
        powerpointScript += "new\nset-keywords 'free, pf" + n + "'\nsave Pf" + n + ".ppt\n";
    }
    ProcessResult wordRun, powerpointRun;
    std::thread wordThread([&] { wordRun = hosts.Script("word", wordScript); });
    powerpointRun = hosts.Script("powerpoint", powerpointScript);
    wordThread.join();
    EXPECT_EQ(wordRun.exitCode, 0) << wordRun.err;
    EXPECT_EQ(powerpointRun.exitCode, 0) << powerpointRun.err;

    for (int i = 1; i <= kSteps; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_THAT(hosts.Show(hosts.Doc("W" + n + ".doc")), ElementsAre("word", "w" + n, "W" + n));
        EXPECT_THAT(hosts.Show(hosts.Doc("P" + n + ".ppt")), ElementsAre("slides", "p" + n, "P" + n));
    }
    for (int i = 1; i <= 15; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_THAT(hosts.Show(hosts.Doc("Wf" + n + ".doc")), ElementsAre("Wf" + n));
        EXPECT_THAT(hosts.Show(hosts.Doc("Pf" + n + ".ppt")), ElementsAre("free", "pf" + n, "Pf" + n));
    }
    ProcessResult all = hosts.Cli({"find"});
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 2 * kSteps + 30) << all.out;
}

} // namespace
} // namespace quillmark::test
