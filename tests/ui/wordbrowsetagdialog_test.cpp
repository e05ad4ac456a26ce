// The Browse Tags dialog for documents over the simulated Word: the list and its
// search, opening, locating a missing file, the File menu, and the choice that
// follows its file across refills.
#include "tests/ui/browsetestsupport.h"
#include "docprops/docprops.h"
#include "ui/propertiesdialog.h"
#include "ui/wordbrowsetagdialog.h"

#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct WordBrowseTest : ::testing::Test {
    WithWidgetApp app;
    EventHost<WordApplication> host;
    QueuedPrompts prompts;
    ScopedOpener opener;

    std::string Tagged(const std::string& name, const TagList& tags)
    {
        const std::string path = host.File(name);
        host.Store(path, tags);
        return path;
    }
    std::unique_ptr<WordBrowseTagDialog> Dialog(const std::string& search = {})
    {
        auto pDialog = std::make_unique<WordBrowseTagDialog>(host.wrapper);
        pDialog->queryText = search;
        pDialog->Initialise();
        pDialog->show();
        return pDialog;
    }
};

TEST_F(WordBrowseTest, ListsTheDocumentsOfTheSearchWithTheirTags)
{
    Tagged("a.doc", {"a", "b", "c"});
    Tagged("plain.doc", {});
    Tagged("talk.ppt", {"a"});
    Tagged("notes.odt", {"budget"});
    Tagged("report.docx", {"Budget 2024"});

    auto pDialog = Dialog();
    EXPECT_THAT(Rows(*pDialog), ElementsAre("a.doc|a, b, c", "plain.doc|", "notes.odt|budget",
                                            "report.docx|Budget 2024"));
    EXPECT_FALSE(pDialog->OpenButton()->isEnabled());

    // Typing does not search here; the Search button does.
    pDialog->SearchEdit()->setText("BUDGET");
    EXPECT_EQ(Rows(*pDialog).size(), 4u);
    QTest::mouseClick(pDialog->Control<QPushButton>(208), Qt::LeftButton);
    EXPECT_THAT(Rows(*pDialog), ElementsAre("notes.odt|budget", "report.docx|Budget 2024"));

    // A dialog opened by a tag button starts with that search.
    auto pTagged = Dialog("c");
    EXPECT_THAT(Rows(*pTagged), ElementsAre("a.doc|a, b, c"));
    EXPECT_EQ(pTagged->SearchEdit()->text().toStdString(), "c");
}

TEST_F(WordBrowseTest, AClickedExistingDocumentOpensInWord)
{
    const std::string path = Tagged("memo.doc", {"x"});
    auto pDialog = Dialog();
    ClickRow(*pDialog, -1); // below the rows: nothing
    EXPECT_EQ(pDialog->SelectedIndex(), -1);
    EXPECT_FALSE(pDialog->OpenButton()->isEnabled());

    ClickRow(*pDialog, 0);
    EXPECT_EQ(pDialog->SelectedIndex(), 0);
    ASSERT_TRUE(pDialog->OpenButton()->isEnabled());
    ClickRow(*pDialog, -1); // the choice stays
    EXPECT_TRUE(pDialog->OpenButton()->isEnabled());

    QTest::mouseClick(pDialog->OpenButton(), Qt::LeftButton);
    EXPECT_EQ(pDialog->result(), IDOK);
    ASSERT_NE(host.office.Model().Active(), nullptr);
    EXPECT_EQ(host.office.Model().Active()->FullName(), path);
    EXPECT_THAT(prompts.Messages(), IsEmpty());
}

TEST_F(WordBrowseTest, CancelAtTheRelocationPromptChangesNothing)
{
    const std::string path = Tagged("gone.doc", {"t1", "t2"});
    const std::string kept = Tagged("kept.doc", {"t1"});
    std::filesystem::remove(path);
    auto pDialog = Dialog();
    ClickRow(*pDialog, 1);
    ASSERT_TRUE(pDialog->OpenButton()->isEnabled());

    prompts.QueueAnswer(IDCANCEL);
    ClickRow(*pDialog, 0);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text,
              "The file\"gone.doc\" could not be used because the original file\ncould not be found. Would you like to "
              "locate it?");
    EXPECT_EQ(prompts.Messages()[0].buttons, PromptButtons::OkCancel);
    EXPECT_THAT(prompts.FileFilters(), IsEmpty());
    EXPECT_THAT(Rows(*pDialog), ElementsAre("gone.doc|t1, t2", "kept.doc|t1"));
    EXPECT_THAT(host.Stored(path), ElementsAre("t1", "t2"));
    EXPECT_EQ(pDialog->SelectedIndex(), 1);
    EXPECT_TRUE(pDialog->OpenButton()->isEnabled());

    // OK, then Cancel in the open-file dialog: nothing either.
    prompts.QueueAnswer(IDOK);
    prompts.QueueFile(std::nullopt);
    ClickRow(*pDialog, 0);
    EXPECT_THAT(host.Stored(path), ElementsAre("t1", "t2"));
    EXPECT_THAT(prompts.FileFilters(), ElementsAre("Document Files (*.doc);;Word Documents (*.docx *.docm);;"
                                                   "OpenDocument Text (*.odt);;All Files (*)"));
    // It starts in the missing file's folder; the prompt asks with a question icon.
    EXPECT_EQ(prompts.FileRequests().back().folder, FolderOfPath(path));
    EXPECT_EQ(prompts.FileRequests().back().extension, "doc");
    EXPECT_EQ(prompts.Messages().back().icon, PromptIcon::Question);
}

TEST_F(WordBrowseTest, ALocatedDocumentKeepsItsTagsAndTheChoiceFollowsItsFile)
{
    const std::string path = Tagged("old.doc", {"q1", "plan"});
    const std::string other = Tagged("other.doc", {"plan"});
    std::filesystem::remove(path);
    const std::string located = host.File("moved/new.doc");
    auto pDialog = Dialog("plan");
    ClickRow(*pDialog, 1); // other.doc is chosen
    ASSERT_EQ(pDialog->SelectedIndex(), 1);

    prompts.QueueAnswer(IDOK);
    prompts.QueueFile(located);
    ClickRow(*pDialog, 0);
    EXPECT_THAT(host.Stored(located), ElementsAre("q1", "plan", "new"));
    EXPECT_THAT(host.Stored(path), IsEmpty());
    EXPECT_THAT(Rows(*pDialog), ElementsAre("other.doc|plan", "new.doc|q1, plan, new"));
    // The refill moved other.doc to row 0: the choice went with it.
    EXPECT_EQ(pDialog->SelectedIndex(), 0);
    QTest::mouseClick(pDialog->OpenButton(), Qt::LeftButton);
    EXPECT_EQ(host.office.Model().Active()->FullName(), other);
}

TEST_F(WordBrowseTest, AMovedDocumentFoundAgainIsOfferedBeforeTheUserIsAsked)
{
    // Moved into the folder of another record; its Keywords still hold its tags.
    const std::string path = Tagged("Report.doc", {"q1", "plan", "Report"});
    Tagged("archive/keep.doc", {"x"});
    const std::string moved = host.Prepare("archive/Report.doc", {{"Keywords", "q1, plan"}});
    std::filesystem::remove(path);
    auto pDialog = Dialog("plan");
    prompts.QueueAnswer(IDYES);
    ClickRow(*pDialog, 0);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "Found at " + moved + "; use it?");
    EXPECT_EQ(prompts.Messages()[0].buttons, PromptButtons::YesNo);
    EXPECT_THAT(prompts.FileFilters(), IsEmpty()); // nobody had to look for it
    EXPECT_THAT(host.Stored(moved), ElementsAre("q1", "plan", "Report"));
    EXPECT_THAT(host.Stored(path), IsEmpty());
    EXPECT_THAT(Rows(*pDialog), ElementsAre("Report.doc|q1, plan, Report"));

    // Declined: the user is asked as before, and Cancel changes nothing.
    const std::string memo = Tagged("Memo.doc", {"m1", "Memo"});
    const std::string memoMoved = host.Prepare("archive/Memo.doc", {{"Keywords", "m1"}});
    std::filesystem::remove(memo);
    auto pMemo = Dialog("m1");
    prompts.QueueAnswer(IDNO);
    prompts.QueueAnswer(IDCANCEL);
    ClickRow(*pMemo, 0);
    ASSERT_EQ(prompts.Messages().size(), 3u);
    EXPECT_EQ(prompts.Messages()[1].text, "Found at " + memoMoved + "; use it?");
    EXPECT_EQ(prompts.Messages()[2].buttons, PromptButtons::OkCancel);
    EXPECT_THAT(host.Stored(memo), ElementsAre("m1", "Memo"));

    // Two files it could be: nothing is offered.
    Tagged("other/o.doc", {"y"});
    host.Prepare("other/Memo.doc", {{"Keywords", "m1"}});
    prompts.QueueAnswer(IDCANCEL);
    ClickRow(*pMemo, 0);
    ASSERT_EQ(prompts.Messages().size(), 4u);
    EXPECT_EQ(prompts.Messages()[3].buttons, PromptButtons::OkCancel);
    EXPECT_THAT(host.Stored(memo), ElementsAre("m1", "Memo"));
}

TEST_F(WordBrowseTest, TheFileMenuActsOnTheRowItWasOpenedOn)
{
    const std::string first = Tagged("first.doc", {"shared"});
    const std::string second = Tagged("docs/second.doc", {"shared", "x"});
    Tagged("third.doc", {"other"});
    auto pDialog = Dialog("shared");
    ClickRow(*pDialog, 1); // second.doc chosen

    // Show File in Explorer names the folder, not the file.
    ClickRow(*pDialog, 0, Qt::RightButton);
    ASSERT_TRUE(ChooseMenuItem(*pDialog, "Show File in Explorer"));
    EXPECT_THAT(prompts.ShellRequests(), ElementsAre(std::pair<std::string, std::string>("explore", host.docs)));
    EXPECT_EQ(pDialog->SelectedIndex(), 1); // a right-click does not change the choice

    // Removing from a filtered list refills it with the same search.
    ClickRow(*pDialog, 0, Qt::RightButton);
    ASSERT_TRUE(ChooseMenuItem(*pDialog, "Remove Entry From List"));
    EXPECT_THAT(Rows(*pDialog), ElementsAre("second.doc|shared, x"));
    EXPECT_THAT(host.Stored(first), IsEmpty());
    EXPECT_TRUE(std::filesystem::exists(first)); // the file itself stays
    EXPECT_EQ(pDialog->SelectedIndex(), 0);     // second.doc, followed to its new row
    EXPECT_TRUE(pDialog->OpenButton()->isEnabled());

    // Removing the chosen file leaves nothing chosen.
    ClickRow(*pDialog, 0, Qt::RightButton);
    ASSERT_TRUE(ChooseMenuItem(*pDialog, "Remove Entry From List"));
    EXPECT_THAT(Rows(*pDialog), IsEmpty());
    EXPECT_EQ(pDialog->SelectedIndex(), -1);
    EXPECT_FALSE(pDialog->OpenButton()->isEnabled());
    EXPECT_THAT(host.Stored(second), IsEmpty());

    // Below the rows the menu's actions are disabled.
    ClickRow(*pDialog, -1, Qt::RightButton);
    ASSERT_NE(pDialog->OpenMenu(), nullptr);
    for (QAction* pAction : pDialog->OpenMenu()->actions())
        if (!pAction->isSeparator()) {
            EXPECT_FALSE(pAction->isEnabled()) << pAction->text().toStdString();
        }
    EXPECT_FALSE(ChooseMenuItem(*pDialog, "Remove Entry From List"));
    pDialog->OpenMenu()->close();
}

TEST_F(WordBrowseTest, PropertiesShowTheFileAndWhatTheHostKnows)
{
    const std::string path = host.Prepare("props.doc", {{"Title", "Quarterly"}, {"Author", "Ann"}, {"Keywords", "k1"}});
    host.Store(path, {"k1", "props"});
    RecordingHooks hooks;
    auto pDialog = Dialog();
    ClickRow(*pDialog, 0, Qt::RightButton);
    ASSERT_TRUE(ChooseMenuItem(*pDialog, "Properties"));
    // A scripting host hears of it instead of a dialog opening.
    EXPECT_THAT(hooks.shell, ElementsAre(std::pair<std::string, std::string>("properties", path)));
}

TEST_F(WordBrowseTest, ThePropertiesDialogShowsFactsTagsAndTheOpenDocumentsProperties)
{
    const std::string path = host.Prepare("props.doc", {{"Title", "Quarterly"}, {"Author", "Ann"}, {"Keywords", "k1"}});
    host.Store(path, {"k1", "props"});
    const auto size = std::filesystem::file_size(path);
    {
        PropertiesDialog dialog(host.wrapper, path);
        dialog.Initialise();
        EXPECT_EQ(dialog.windowTitle().toStdString(), "props.doc Properties");
        EXPECT_EQ(dialog.Value(240), "props.doc");
        EXPECT_EQ(dialog.Value(241), host.docs);
        EXPECT_EQ(dialog.Value(242), "doc");
        EXPECT_EQ(dialog.Value(243), std::to_string(size) + " bytes");
        EXPECT_FALSE(dialog.Value(244).empty());
        EXPECT_EQ(dialog.Value(247), "k1, props");
        EXPECT_EQ(dialog.Value(248), "Quarterly"); // closed: as the file stores it
        EXPECT_EQ(dialog.Value(253), "");
    }
    {
        // A file that keeps no properties: the host knows them only while it is open.
        PropertiesDialog dialog(host.wrapper, host.File("plain.rtf"));
        dialog.Initialise();
        EXPECT_EQ(dialog.Value(248), "");
        EXPECT_EQ(dialog.Value(253), "The document properties are shown while the file is open in Word.");
    }
    {
        // A file that stores its properties shows them while it is closed too.
        const std::string docx = host.docs + "/stored.docx";
        docprops::Properties stored;
        stored.title = "From the file";
        stored.author = "Bo";
        ASSERT_TRUE(docprops::Write("", docx, stored));
        PropertiesDialog dialog(host.wrapper, docx);
        dialog.Initialise();
        EXPECT_EQ(dialog.Value(248), "From the file");
        EXPECT_EQ(dialog.Value(250), "Bo");
        EXPECT_EQ(dialog.Value(253), "");
        EXPECT_EQ(dialog.Value(247), ""); // no stored tags
    }
    // Open, with a change not yet saved: the host's value.
    host.Open(path).SetProperty("Title", "Quarterly, revised");
    PropertiesDialog dialog(host.wrapper, path);
    dialog.Initialise();
    EXPECT_EQ(dialog.Value(248), "Quarterly, revised");
    EXPECT_EQ(dialog.Value(250), "Ann");
    EXPECT_EQ(dialog.Value(251), "k1");
    EXPECT_EQ(dialog.Value(253), "");
}

} // namespace
} // namespace quillmark::test
