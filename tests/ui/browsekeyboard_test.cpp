// The Browse Tags dialogs used from the keyboard, by double-click and at other
// sizes: Enter to search, arrow keys that choose, a double-click that opens, the
// resized window, names told apart by their folders, the empty-result line, the
// locate dialog's start and filters, and the preview pane's links.
#include "host/previewfolder.h"
#include "resources/strings.h"
#include "tests/ui/browsetestsupport.h"
#include "ui/controls/label.h"
#include "ui/powerpointbrowsetagdialog.h"
#include "ui/wordbrowsetagdialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

std::vector<int> SelectedRows(const BrowseTagDialog& dialog)
{
    std::vector<int> rows;
    QTreeWidget* pList = dialog.ListControl();
    for (int row = 0; row < pList->topLevelItemCount(); ++row)
        if (pList->topLevelItem(row)->isSelected()) rows.push_back(row);
    return rows;
}

void Key(QWidget* pWidget, Qt::Key key)
{
    QTest::keyClick(pWidget, key);
}

struct WordKeyboardTest : ::testing::Test {
    WithWidgetApp app;
    EventHost<WordApplication> host;
    QueuedPrompts prompts;

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
        pDialog->activateWindow();
        QApplication::setActiveWindow(pDialog.get());
        return pDialog;
    }
};

TEST_F(WordKeyboardTest, EnterTwiceSearchesAndArrowKeysChooseAsClicksDo)
{
    Tagged("a.doc", {"alpha"});
    const std::string second = Tagged("b.doc", {"alpha", "beta"});
    Tagged("c.doc", {"gamma"});
    auto pDialog = Dialog();
    QLineEdit* pEdit = pDialog->SearchEdit();
    auto* pSearch = pDialog->Control<QPushButton>(208);
    pEdit->setFocus();
    pEdit->setText("alpha");

    // The first Enter moves to Search and searches nothing yet; the second presses it.
    Key(pEdit, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), pSearch);
    EXPECT_EQ(Rows(*pDialog).size(), 3u);
    Key(pSearch, Qt::Key_Return);
    EXPECT_THAT(Rows(*pDialog), ElementsAre("a.doc|alpha", "b.doc|alpha, beta"));
    EXPECT_TRUE(pDialog->isVisible()); // Open Document was not pressed

    // Down from no row chooses the first; further keys move the choice.
    QTreeWidget* pList = pDialog->ListControl();
    pList->setFocus();
    Key(pList, Qt::Key_Down);
    EXPECT_EQ(pDialog->SelectedIndex(), 0);
    EXPECT_THAT(SelectedRows(*pDialog), ElementsAre(0));
    EXPECT_TRUE(pDialog->OpenButton()->isEnabled());
    Key(pList, Qt::Key_Down);
    EXPECT_EQ(pDialog->SelectedIndex(), 1);
    EXPECT_THAT(SelectedRows(*pDialog), ElementsAre(1));
    Key(pList, Qt::Key_Down); // at the end: stays
    EXPECT_EQ(pDialog->SelectedIndex(), 1);
    Key(pList, Qt::Key_Home);
    EXPECT_EQ(pDialog->SelectedIndex(), 0);
    Key(pList, Qt::Key_End);
    EXPECT_EQ(pDialog->SelectedIndex(), 1);
    EXPECT_TRUE(prompts.Messages().empty());

    // Enter now opens the chosen document.
    Key(pList, Qt::Key_Return);
    EXPECT_EQ(pDialog->result(), IDOK);
    ASSERT_NE(host.office.Model().Active(), nullptr);
    EXPECT_EQ(host.office.Model().Active()->FullName(), second);
}

TEST_F(WordKeyboardTest, ADoubleClickOpensAnExistingFileAndOffersToLocateAMissingOne)
{
    const std::string gone = Tagged("gone.doc", {"t"});
    const std::string kept = Tagged("kept.doc", {"t"});
    fs::remove(gone);
    auto pDialog = Dialog();
    QTreeWidget* pList = pDialog->ListControl();

    // On the missing file: the prompt once (cancelled), and nothing opens.
    QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, pList->visualItemRect(pList->topLevelItem(0)).center());
    EXPECT_TRUE(pDialog->isVisible());
    EXPECT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(host.office.Model().Count(), 0);

    QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, pList->visualItemRect(pList->topLevelItem(1)).center());
    EXPECT_EQ(pDialog->result(), IDOK);
    ASSERT_NE(host.office.Model().Active(), nullptr);
    EXPECT_EQ(host.office.Model().Active()->FullName(), kept);
}

TEST_F(WordKeyboardTest, TheWindowGrowsTheListAndTellsNamesAndEmptyResultsApart)
{
    const std::string one = Tagged("one/Meeting notes.docx", {"minutes", "a very long tag that a narrow column cuts"});
    const std::string two = Tagged("two/Meeting notes.docx", {"minutes"});
    Tagged("agenda.doc", {"minutes"});
    auto pDialog = Dialog("minutes");
    const QSize smallest = pDialog->size();
    EXPECT_EQ(pDialog->minimumSize(), smallest);
    EXPECT_GT(pDialog->maximumWidth(), smallest.width());
    EXPECT_TRUE(pDialog->windowFlags() & Qt::WindowMaximizeButtonHint);

    QTreeWidget* pList = pDialog->ListControl();
    const QRect list = pList->geometry();
    const QRect open = pDialog->OpenButton()->geometry();
    const QRect edit = pDialog->SearchEdit()->geometry();
    const int nameWidth = pList->columnWidth(0), tagsWidth = pList->columnWidth(1);
    pDialog->resize(smallest.width() + 300, smallest.height() + 200);
    QApplication::processEvents();
    EXPECT_EQ(pList->geometry(), list.adjusted(0, 0, 300, 200));
    // Both columns share the width gained, the names, cut at the smallest size, too.
    EXPECT_GE(pList->columnWidth(0), nameWidth + 100);
    EXPECT_GE(pList->columnWidth(1), tagsWidth + 100);
    EXPECT_EQ(pDialog->OpenButton()->geometry(), open.translated(300, 200));
    EXPECT_EQ(pDialog->SearchEdit()->geometry(), edit.adjusted(0, 0, 300, 0));
    EXPECT_LE(pDialog->OpenButton()->geometry().right(), pDialog->width());
    pDialog->resize(smallest.width() - 50, smallest.height() - 50); // never below the template
    EXPECT_EQ(pDialog->size(), smallest);
    EXPECT_EQ(pList->columnWidth(0), nameWidth);

    // Equal names show their folders; every name's tooltip is the full path.
    const std::vector<std::string> rows = Rows(*pDialog);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "Meeting notes.docx (" + FolderOfPath(one) + ")|minutes, a very long tag that a narrow column cuts");
    EXPECT_EQ(rows[1], "Meeting notes.docx (" + FolderOfPath(two) + ")|minutes");
    EXPECT_EQ(rows[2], "agenda.doc|minutes");
    EXPECT_EQ(pList->topLevelItem(1)->toolTip(0).toStdString(), two);
    // At the smallest size a long folder is cut in the middle: its end, which tells
    // the names apart, stays in sight.
    const QString shown = pList->fontMetrics().elidedText(pList->topLevelItem(1)->text(0), pList->textElideMode(),
                                                          pList->columnWidth(0) - 12);
    EXPECT_NE(shown, pList->topLevelItem(1)->text(0));
    EXPECT_TRUE(shown.endsWith("two)")) << shown.toStdString();
    EXPECT_EQ(pDialog->EmptyLine(), nullptr);

    // No match: the line stands where the rows would be, until there are rows again.
    pDialog->SearchEdit()->setText("nothing like it");
    pDialog->Command(208);
    ASSERT_NE(pDialog->EmptyLine(), nullptr);
    EXPECT_EQ(pDialog->EmptyLine()->text().toStdString(), "No tagged files match");
    EXPECT_EQ(pDialog->EmptyLine()->text().toStdString(), LoadResString(704));
    EXPECT_TRUE(pDialog->EmptyLine()->isVisible());
    EXPECT_TRUE(pList->viewport()->rect().contains(pDialog->EmptyLine()->geometry()));
    pDialog->SearchEdit()->setText("");
    pDialog->Command(208);
    EXPECT_EQ(pDialog->EmptyLine(), nullptr);
}

TEST_F(WordKeyboardTest, TheLocateDialogStartsNearTheMissingFileAndOffersEveryType)
{
    const std::string gone = Tagged("moved away/deep/gone.docx", {"t"});
    fs::remove_all(fs::path(gone).parent_path());
    auto pDialog = Dialog();
    prompts.QueueAnswer(IDOK);
    prompts.QueueFile(std::nullopt);
    ClickRow(*pDialog, 0);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].icon, PromptIcon::Question);
    ASSERT_EQ(prompts.FileRequests().size(), 1u);
    // Its own folder is gone: the nearest one left.
    EXPECT_EQ(prompts.FileRequests()[0].folder, FolderOfPath(FolderOfPath(gone)));
    const std::string filter = prompts.FileRequests()[0].filter;
    EXPECT_EQ(filter.rfind("Document Files (*.doc);;", 0), 0u) << filter;
    EXPECT_NE(filter.find("*.docx"), std::string::npos) << filter;
    EXPECT_NE(filter.find("*.odt"), std::string::npos) << filter;
    EXPECT_EQ(filter.substr(filter.size() - 15), ";;All Files (*)") << filter;
}

struct PowerPointKeyboardTest : ::testing::Test {
    WithWidgetApp app;
    EventHost<PowerPointApplication> host;
    QueuedPrompts prompts;

    std::string Presentation(const std::string& name, int slides, const TagList& tags)
    {
        const std::string path = host.File(name);
        std::string error;
        simoffice::SimDocument* pDoc = host.office.Model().Open(path, slides, &error);
        if (!pDoc) throw std::runtime_error(error);
        host.Save(*pDoc);
        host.Close(*pDoc);
        host.Store(path, tags);
        return path;
    }
};

TEST_F(PowerPointKeyboardTest, ArrowKeysPreviewTheChosenDeckAndTheWindowGrowsThePreview)
{
    const std::string one = Presentation("one.ppt", 2, {"deck"});
    const std::string two = Presentation("two.ppt", 3, {"deck"});
    PowerPointBrowseTagDialog dialog(host.wrapper);
    dialog.queryText = "deck";
    dialog.Initialise();
    dialog.show();
    ASSERT_EQ(Rows(dialog).front(), "one.ppt|deck");

    // The Prev and Next links look unable to act while they cannot.
    Label* pPrev = dialog.PreviewPane()->PrevControl();
    EXPECT_FALSE(pPrev->isEnabled());
    EXPECT_NE(pPrev->palette().color(QPalette::Disabled, QPalette::WindowText),
              pPrev->palette().color(QPalette::Active, QPalette::WindowText));

    // Down from no row previews the first deck; the other end of the list the other.
    QTreeWidget* pList = dialog.ListControl();
    pList->setFocus();
    Key(pList, Qt::Key_Down);
    ASSERT_GE(dialog.SelectedIndex(), 0);
    EXPECT_EQ(dialog.PreviewPane()->previewItem.path, one);
    EXPECT_EQ(dialog.PreviewPane()->slideCount, 2);
    Key(pList, dialog.SelectedIndex() == 0 ? Qt::Key_End : Qt::Key_Home);
    EXPECT_EQ(dialog.PreviewPane()->previewItem.path, two);
    EXPECT_EQ(dialog.PreviewPane()->slideCount, 3);
    EXPECT_THAT(SelectedRows(dialog), ElementsAre(dialog.SelectedIndex()));
    EXPECT_TRUE(dialog.OpenButton()->isEnabled());
    EXPECT_TRUE(dialog.PreviewPane()->NextControl()->isEnabled());
    const std::vector<std::pair<int, std::string>> statuses = prompts.Statuses();
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back().first, 100);

    // Larger: the list and the picture both grow, the picture's slide with it.
    QLabel* pPicture = dialog.PreviewPane()->Picture();
    const QSize picture = pPicture->size();
    const QSize list = pList->size();
    const QSize smallest = dialog.size();
    dialog.resize(smallest.width() + 400, smallest.height() + 300);
    QApplication::processEvents();
    EXPECT_EQ(pList->size(), list + QSize(200, 300));
    EXPECT_EQ(pPicture->size(), picture + QSize(200, 300));
    EXPECT_GT(pPicture->pixmap().width(), 320);
    EXPECT_LE(pPicture->pixmap().width(), pPicture->contentsRect().width());
    EXPECT_LE(dialog.InsertButton()->geometry().right(), dialog.width());
    EXPECT_GE(dialog.PreviewPane()->NextControl()->geometry().top(), pPicture->geometry().bottom());
}

TEST_F(PowerPointKeyboardTest, EnterTwiceSearchesADoubleClickOpensAndTheLocateDialogOffersEveryType)
{
    const std::string one = Presentation("one.ppt", 2, {"deck"});
    Presentation("other.ppt", 1, {"misc"});
    const std::string gone = host.File("moved away/old/gone.ppt");
    host.Store(gone, {"deck"});
    fs::remove_all(fs::path(gone).parent_path());
    PowerPointBrowseTagDialog dialog(host.wrapper);
    dialog.Initialise();
    dialog.show();
    dialog.activateWindow();
    QApplication::setActiveWindow(&dialog);
    ASSERT_EQ(Rows(dialog).size(), 3u);

    // The list follows the typed text; Enter moves to Search, and Enter there
    // searches again (a deck tagged meanwhile shows) without opening anything.
    QLineEdit* pEdit = dialog.SearchEdit();
    auto* pSearch = dialog.Control<QPushButton>(208);
    pEdit->setFocus();
    QTest::keyClicks(pEdit, "deck");
    ASSERT_THAT(Rows(dialog), ElementsAre("one.ppt|deck", "gone.ppt|deck"));
    Key(pEdit, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), pSearch);
    host.Store(host.File("late.ppt"), {"deck"});
    EXPECT_EQ(Rows(dialog).size(), 2u);
    Key(pSearch, Qt::Key_Return);
    ASSERT_THAT(Rows(dialog), ElementsAre("one.ppt|deck", "gone.ppt|deck", "late.ppt|deck"));
    EXPECT_TRUE(dialog.isVisible());

    // The missing deck: the question, then the locate dialog near its old place,
    // the dialog's own filter first, every kind it lists, and all files last.
    prompts.QueueAnswer(IDOK);
    prompts.QueueFile(std::nullopt);
    ClickRow(dialog, 1);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].icon, PromptIcon::Question);
    ASSERT_EQ(prompts.FileRequests().size(), 1u);
    EXPECT_EQ(prompts.FileRequests()[0].folder, FolderOfPath(FolderOfPath(gone)));
    const std::string filter = prompts.FileRequests()[0].filter;
    EXPECT_EQ(filter.rfind("PowerPoint Files (*.ppt);;", 0), 0u) << filter;
    EXPECT_NE(filter.find("*.pptx"), std::string::npos) << filter;
    EXPECT_NE(filter.find("*.odp"), std::string::npos) << filter;
    EXPECT_EQ(filter.substr(filter.size() - 15), ";;All Files (*)") << filter;
    EXPECT_TRUE(dialog.isVisible());

    // A double-click on the deck that is there previews it and opens it, though
    // the preview's refill moved its row away from under the pointer.
    QTreeWidget* pList = dialog.ListControl();
    QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, pList->visualItemRect(pList->topLevelItem(0)).center());
    EXPECT_EQ(dialog.PreviewPane()->previewItem.path, one);
    EXPECT_EQ(dialog.result(), IDOK);
    ASSERT_NE(host.office.Model().Active(), nullptr);
    EXPECT_EQ(host.office.Model().Active()->FullName(), one);
    EXPECT_EQ(prompts.Messages().size(), 1u);
}

} // namespace
} // namespace quillmark::test
