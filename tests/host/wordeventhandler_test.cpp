// Word's document events over the simulated Word: the union on opening, the
// database winning before a save, the recording of a document saved for the first
// time at its next activation, templates and temporary folders kept out.
#include "tests/host/eventhandlertestsupport.h"
#include "tests/support/faultyfilesystem.h"

#include "platform/files/files.h"
#include "tests/support/getfattr.h"

#include <gmock/gmock.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using WordHost = EventHost<WordApplication>;

TEST(WordEventHandlerTest, OpeningAddsWhatOnlyTheDocumentHoldsAndWritesNothingNew)
{
    WordHost host;
    const std::string path = host.Prepare("Quarterly.doc", {{"Keywords", "a, b"}});
    host.Store(path, {"b", "c"});

    simoffice::SimDocument& doc = host.Open(path);
    EXPECT_THAT(host.Stored(path), ElementsAre("b", "c", "a", "Quarterly"));
    EXPECT_EQ(doc.Property("Keywords"), "a, b");
    // The file-name tag gets no button; a tag the document holds shows so.
    EXPECT_THAT(host.TagButtons(), ElementsAre("b 1546", "c 1589", "a 1546"));

    // Everything already stored: the database file is not written again.
    host.Close(doc);
    const auto stamp = files::GetFileStamp(host.DatabaseFile());
    const auto bytes = files::ReadFile(host.DatabaseFile());
    host.Open(path);
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
    EXPECT_EQ(files::ReadFile(host.DatabaseFile()), bytes);
    EXPECT_THAT(host.TagButtons(), ElementsAre("b 1546", "c 1589", "a 1546"));

    // Tags compare exactly; duplicates the database holds stay.
    const std::string cased = host.Prepare("Cased.doc", {{"Keywords", "Alpha, beta, alpha"}});
    host.Store(cased, {"alpha", "x", "alpha"});
    host.Open(cased);
    EXPECT_THAT(host.Stored(cased), ElementsAre("alpha", "x", "alpha", "Alpha", "beta", "Cased"));

    // A name without any dot gives no file-name tag, and no empty tag is stored.
    const std::string bare = host.Prepare(host.docs + "/README", {{"Keywords", "notes"}});
    host.Open(bare);
    EXPECT_THAT(host.Stored(bare), ElementsAre("notes"));
    const std::string plain = host.File("LICENSE");
    host.Open(plain);
    EXPECT_THAT(host.Stored(plain), IsEmpty());
    EXPECT_THAT(host.TagButtons(), IsEmpty());
}

TEST(WordEventHandlerTest, TemplatesAndTemporaryFilesAreNotRecordedOnOpening)
{
    WordHost host;
    const std::string dot = host.Prepare("Letter.DOT", {{"Keywords", "t1"}});
    const std::string temp = host.Prepare(host.tempFolder + "/Draft.doc", {{"Keywords", "d1"}});
    const std::string cache = host.Prepare(host.folders.dir / "cache/Page.doc", {{"Keywords", "c1"}});
    for (const auto& [path, keywords] : {std::pair{dot, "t1"}, std::pair{temp, "d1"}, std::pair{cache, "c1"}}) {
        simoffice::SimDocument& doc = host.Open(path);
        EXPECT_THAT(host.Stored(path), IsEmpty()) << path;
        EXPECT_THAT(host.TagButtons(), IsEmpty()) << path;
        // Nor do they take the database's tags when saved.
        host.Save(doc);
        EXPECT_EQ(doc.Property("Keywords"), keywords) << path;
    }
    EXPECT_FALSE(files::Exists(host.DatabaseFile()));
}

TEST(WordEventHandlerTest, SavingASavedDocumentTakesTheDatabaseTagsThenRecordsThem)
{
    WordHost host;
    const std::string path = host.Prepare("Budget.doc", {{"Keywords", "a"}});
    simoffice::SimDocument& doc = host.Open(path);
    ASSERT_THAT(host.Stored(path), ElementsAre("a", "Budget"));

    // Tags given elsewhere (another host, the command line) win over the document's.
    host.Store(path, {"x", "y"});
    doc.SetProperty("Keywords", "a, local");
    host.Save(doc);
    EXPECT_EQ(doc.Property("Keywords"), "x, y");
    EXPECT_THAT(host.Stored(path), ElementsAre("x", "y", "Budget"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("x 1546", "y 1546"));

    // A record without tags empties the property; the record gets the file-name tag.
    host.Store(path, {});
    doc.SetProperty("Keywords", "stale");
    host.Save(doc);
    EXPECT_EQ(doc.Property("Keywords"), "");
    EXPECT_THAT(host.Stored(path), ElementsAre("Budget"));
    EXPECT_THAT(host.TagButtons(), IsEmpty());

    // That recording was done at once: a later activation records nothing.
    simoffice::SimDocument& other = host.Open(host.File("Other.doc"));
    doc.SetProperty("Keywords", "unsaved");
    host.Activate(doc);
    EXPECT_THAT(host.Stored(path), ElementsAre("Budget"));
    host.Activate(other);
}

TEST(WordEventHandlerTest, ASaveGivesTheFileItsTagsAsFileSystemTags)
{
    WordHost host;
    const std::string path = host.Prepare("Budget.doc", {{"Keywords", "a"}});
    simoffice::SimDocument& doc = host.Open(path);
    host.Store(path, {"x", "Ünï"});
    host.Save(doc);
    EXPECT_THAT(host.Stored(path), ElementsAre("x", "Ünï", "Budget"));
    EXPECT_EQ(GetFattrTags(path), "x,Ünï,Budget");
}

TEST(WordEventHandlerTest, ANewDocumentIsRecordedAtItsNextActivationUnderItsNewName)
{
    WordHost host;
    const std::string other = host.File("Other.doc");
    host.Store(other, {"x", "y"});

    simoffice::SimDocument& fresh = host.New();
    fresh.SetProperty("Keywords", "n1, n2");
    host.Save(fresh, host.docs + "/Fresh.doc");
    const std::string path = host.docs + "/Fresh.doc";
    EXPECT_EQ(fresh.Property("Keywords"), "n1, n2");
    EXPECT_THAT(host.Stored(path), IsEmpty());
    EXPECT_THAT(host.Stored("Document1"), IsEmpty());

    // Another document's activation records neither it nor this one in its place.
    simoffice::SimDocument& otherDoc = host.Open(other);
    EXPECT_THAT(host.Stored(other), ElementsAre("x", "y", "Other"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("x 1589", "y 1589"));
    EXPECT_THAT(host.Stored(path), IsEmpty());
    host.Activate(host.New());
    EXPECT_THAT(host.Stored("Document2"), IsEmpty());

    host.Activate(fresh);
    EXPECT_THAT(host.Stored(path), ElementsAre("n1", "n2", "Fresh"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("n1 1546", "n2 1546"));

    // Recorded once: later activations only rebuild the bar.
    fresh.SetProperty("Keywords", "changed");
    host.Activate(otherDoc);
    host.Activate(fresh);
    EXPECT_THAT(host.Stored(path), ElementsAre("n1", "n2", "Fresh"));
    EXPECT_THAT(host.Stored(other), ElementsAre("x", "y", "Other"));

    // Two documents saved for the first time are each recorded at their own activation.
    simoffice::SimDocument& first = host.New();
    first.SetProperty("Keywords", "f");
    host.Save(first, host.docs + "/First.doc");
    simoffice::SimDocument& second = host.New();
    second.SetProperty("Keywords", "s");
    host.Save(second, host.docs + "/Second.doc");
    host.Activate(first);
    EXPECT_THAT(host.Stored(host.docs + "/First.doc"), ElementsAre("f", "First"));
    EXPECT_THAT(host.Stored(host.docs + "/Second.doc"), IsEmpty());
    host.Activate(second);
    EXPECT_THAT(host.Stored(host.docs + "/Second.doc"), ElementsAre("s", "Second"));
}

TEST(WordEventHandlerTest, SavedTemplatesAreRecordedAtActivationButTemporaryFilesNever)
{
    WordHost host;
    simoffice::SimDocument& anchor = host.Open(host.File("Anchor.doc"));

    // A template keeps its "Keywords" when saved and is recorded when its window
    // is next activated.
    const std::string dot = host.Prepare("Memo.dot", {{"Keywords", "t1"}});
    simoffice::SimDocument& memo = host.Open(dot);
    host.Store(dot, {"db"});
    host.Save(memo);
    EXPECT_EQ(memo.Property("Keywords"), "t1");
    EXPECT_THAT(host.Stored(dot), ElementsAre("db"));
    host.Activate(anchor);
    host.Activate(memo);
    EXPECT_THAT(host.Stored(dot), ElementsAre("t1", "Memo"));

    // Saving into the temporary folder records nothing, then or later.
    const auto stamp = files::GetFileStamp(host.DatabaseFile());
    simoffice::SimDocument& draft = host.New();
    draft.SetProperty("Keywords", "d");
    host.Save(draft, host.tempFolder + "/Draft.doc");
    host.Activate(anchor);
    host.Activate(draft);
    host.Save(draft);
    host.Activate(anchor);
    host.Activate(draft);
    EXPECT_THAT(host.Stored(host.tempFolder + "/Draft.doc"), IsEmpty());
    EXPECT_EQ(files::GetFileStamp(host.DatabaseFile()), stamp);
}

TEST(WordEventHandlerTest, ADocumentWithoutAFileIsNeverRecordedUnderItsBareName)
{
    WordHost host;
    simoffice::SimDocument& doc = host.New();
    doc.SetProperty("Keywords", "k");
    WordEventHandler handler;
    handler.m_pOfficeApp = &host.wrapper;
    EXPECT_EQ(handler.m_bSyncPending, 0);
    // A save that never happened (given up in its dialog) leaves the document pending
    // until its window comes back, and then there is no file to record.
    handler.OnDocumentBeforeSave(host.Object(doc).Get(), nullptr, nullptr);
    EXPECT_EQ(handler.m_bSyncPending, 1);
    handler.OnWindowActivate(host.Object(doc).Get(), nullptr);
    EXPECT_EQ(handler.m_bSyncPending, 0);
    EXPECT_THAT(host.Stored(doc.FullName()), IsEmpty());
    EXPECT_FALSE(files::Exists(host.DatabaseFile()));
}

TEST(WordEventHandlerTest, ADatabaseThatRefusesTheTagsStillGetsTheBarRebuilt)
{
    FaultyFileSystem fs;
    WordHost host(fs);
    const std::string path = host.Prepare("Odd.doc", {{"Keywords", std::string("fine")}});
    host.Store(path, {"kept"});
    fs.FailNth(IoCall::Rename, 1);
    host.Open(path);
    ASSERT_TRUE(fs.Failed());
    EXPECT_THAT(host.Stored(path), ElementsAre("kept"));
    EXPECT_THAT(host.TagButtons(), ElementsAre("kept 1589"));
}

TEST(WordEventHandlerTest, AClosedDocumentStopsWaitingAndTheLastTakesItsButtons)
{
    WordHost host;
    simoffice::SimDocument& unsaved = host.New();
    simoffice::SimDocument& other = host.New();
    WordEventHandler handler;
    handler.m_pOfficeApp = &host.wrapper;
    handler.OnDocumentBeforeSave(host.Object(unsaved).Get(), nullptr, nullptr);
    handler.OnDocumentBeforeSave(host.Object(other).Get(), nullptr, nullptr);
    handler.OnDocumentBeforeClose(host.Object(unsaved).Get());
    EXPECT_EQ(handler.m_bSyncPending, 1) << "the other document still waits";
    handler.OnDocumentBeforeClose(host.Object(other).Get());
    EXPECT_EQ(handler.m_bSyncPending, 0);

    // Through the host: closing a document that waits lets its object go.
    const std::string path = host.File("Kept.doc");
    host.Store(path, {"k1", "k2"});
    simoffice::SimDocument& kept = host.Open(path);
    EXPECT_THAT(host.TagButtons(), ElementsAre("k1 1589", "k2 1589"));
    host.Close(unsaved);
    host.Close(other);
    EXPECT_THAT(host.TagButtons(), ElementsAre("k1 1589", "k2 1589")) << "another document is still open";
    host.Close(kept);
    EXPECT_THAT(host.TagButtons(), IsEmpty()) << "the last document took its buttons";
    EXPECT_NE(host.TagButton(), nullptr);
}

} // namespace
} // namespace quillmark::test
