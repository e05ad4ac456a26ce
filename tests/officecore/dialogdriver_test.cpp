// The script's hands on dialogs, in-process with real widgets: what `dialog` prints
// for every kind of control (lists, pictures and progress bars included), the
// answers queued for message boxes and open-file dialogs, and the recorded shell
// requests and statuses.
#include "officecore/dialogdriver.h"
#include "officecore/dialogprinter.h"

#include "officeapi/scripthooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sstream>

using namespace quillmark;
using namespace quillmark::officecore;

namespace {

void EnsureWidgetApp()
{
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "officecore_dialog_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own input devices may be gone before it.
    static QApplication* pApp = new QApplication(argc, argv);
    (void)pApp;
}

template <class W>
W* Control(QWidget* pParent, int id, const char* kind, W* pWidget)
{
    pWidget->setProperty(automation::kControlIdProperty, id);
    pWidget->setProperty(automation::kControlKindProperty, kind);
    (void)pParent;
    return pWidget;
}

} // namespace

TEST(DialogPrinter, PrintsEveryKindInTabOrderThenTheRest)
{
    EnsureWidgetApp();
    QDialog dialog;
    dialog.setWindowTitle("Browse Tags");
    auto* pList = Control(&dialog, 210, "list", new QTreeWidget(&dialog));
    pList->setColumnCount(2);
    for (const char* name : {"a.doc", "b.doc"}) pList->addTopLevelItem(new QTreeWidgetItem({name, "x, y"}));
    pList->setCurrentItem(pList->topLevelItem(1));
    auto* pEdit = Control(&dialog, 203, "edit", new QLineEdit("budget", &dialog));
    pEdit->setSelection(1, 3);
    auto* pButton = Control(&dialog, 1, "button", new QPushButton("Open Document", &dialog));
    pButton->setEnabled(false);
    auto* pCheck = Control(&dialog, 219, "checkbox", new QCheckBox("Check", &dialog));
    pCheck->setChecked(true);
    auto* pPicture = Control(&dialog, 236, "picture", new QLabel(&dialog));
    QPixmap pixmap(320, 240);
    pixmap.fill(Qt::white);
    pPicture->setPixmap(pixmap);
    Control(&dialog, 237, "picture", new QLabel(&dialog));
    auto* pProgress = Control(&dialog, 216, "progress", new QProgressBar(&dialog));
    pProgress->setValue(40);
    auto* pPanel = new QWidget(&dialog);
    Control(pPanel, -1, "static", new QLabel("line one\nline two", pPanel));
    pPanel->hide();
    new QLabel("not a control", &dialog);
    dialog.show();

    std::ostringstream out;
    PrintDialog(dialog, out);
    EXPECT_EQ(out.str(), "[Browse Tags]\n"
                         "210|list||1|1\n"
                         "  0|a.doc|x, y\n"
                         "  *1|b.doc|x, y\n"
                         "203|edit|budget|1|1|1-4\n"
                         "1|button|Open Document|0|1\n"
                         "219|checkbox|Check|1|1|1\n"
                         "236|picture||1|1|320x240\n"
                         "237|picture||1|1|none\n"
                         "216|progress||1|1|40\n"
                         "-|static|line one\\nline two|1|0\n");
    EXPECT_EQ(FindDialogControl(dialog, 203), pEdit);
    EXPECT_EQ(FindDialogControl(dialog, 4), nullptr);
}

TEST(DialogDriver, AnswersFromTheQueueAndRecordsWhatItWasAsked)
{
    EnsureWidgetApp();
    std::ostringstream out, err;
    {
        DialogDriver driver(out, err);
        auto* pHooks = reinterpret_cast<automation::ScriptHooks*>(
            qApp->property(automation::kScriptHooksProperty).value<quintptr>());
        ASSERT_EQ(pHooks, static_cast<automation::ScriptHooks*>(&driver));
        driver.QueueAnswer("yes");
        driver.QueueAnswer("ok");
        EXPECT_EQ(pHooks->MessageBox("Tag", "The file\"a.doc\" could not be used\nLocate it?", "yesno", "question"), "yes");
        EXPECT_EQ(pHooks->MessageBox("Tag", "Saved?", "yesno", "warning"), "cancel"); // "ok" does not fit: cancelled
        EXPECT_EQ(pHooks->MessageBox("Tag", "Again?", "ok", "none"), "cancel");    // nothing queued
        driver.QueueFile(std::string("/tmp/new place/a.doc"));
        driver.QueueFile(std::nullopt);
        std::string path;
        EXPECT_TRUE(pHooks->OpenFile("Word Documents (*.doc);;All Files (*)", "doc", "/tmp/old place", path));
        EXPECT_EQ(path, "/tmp/new place/a.doc");
        EXPECT_FALSE(pHooks->OpenFile("Word Documents (*.doc)", "doc", "", path));
        EXPECT_FALSE(pHooks->OpenFile("Word Documents (*.doc)", "doc", "", path));
        pHooks->Shell("explore", "/tmp/new place");
        pHooks->Status(75, "Generating Presentation preview...");
        std::string error;
        EXPECT_FALSE(driver.Print(error));
        EXPECT_EQ(error, "no dialog is open");
    }
    // Gone with the driver.
    EXPECT_FALSE(qApp->property(automation::kScriptHooksProperty).isValid());
    EXPECT_EQ(out.str(), "message: Tag|The file\"a.doc\" could not be used\\nLocate it?|yesno|question\nanswered: yes\n"
                         "message: Tag|Saved?|yesno|warning\nanswered: cancel\n"
                         "message: Tag|Again?|ok|none\nanswered: cancel\n"
                         "open-file: Word Documents (*.doc);;All Files (*)|doc|/tmp/old place\nchosen: /tmp/new place/a.doc\n"
                         "open-file: Word Documents (*.doc)|doc|\nchosen: cancel\n"
                         "open-file: Word Documents (*.doc)|doc|\nchosen: cancel\n"
                         "shell: explore /tmp/new place\n"
                         "status: 75 Generating Presentation preview...\n");
    EXPECT_EQ(err.str(), "warning: the message box \"Tag\" has no answer ok; it was cancelled\n"
                         "warning: no answer queued for the message box \"Tag\"; it was cancelled\n"
                         "warning: no file queued for the open-file dialog; it was cancelled\n");
}

TEST(DialogDriver, RunsTheScriptInsideAModalDialogAndWorksItsControls)
{
    EnsureWidgetApp();
    std::ostringstream out, err;
    DialogDriver driver(out, err);
    QDialog dialog;
    dialog.setWindowTitle("Probe");
    auto* pEdit = Control(&dialog, 203, "edit", new QLineEdit(&dialog));
    int edits = 0;
    QObject::connect(pEdit, &QLineEdit::textEdited, [&] { ++edits; });
    auto* pOk = Control(&dialog, 1, "button", new QPushButton("OK", &dialog));
    QObject::connect(pOk, &QPushButton::clicked, &dialog, [&] { dialog.done(1); });
    auto* pCheck = Control(&dialog, 219, "checkbox", new QCheckBox("x", &dialog));
    pCheck->move(0, 40);
    std::vector<std::string> errors;
    driver.SetDialogOpenedHandler([&](QDialog& opened) {
        EXPECT_EQ(&opened, &dialog);
        EXPECT_EQ(driver.Current(), &dialog);
        std::string error;
        EXPECT_TRUE(driver.SetText(203, "typed", error));
        EXPECT_TRUE(driver.Select(203, 1, -1, error));
        EXPECT_FALSE(driver.Select(203, 2, 9, error));
        errors.push_back(error);
        EXPECT_FALSE(driver.SetText(1, "x", error));
        errors.push_back(error);
        EXPECT_TRUE(driver.Check(219, true, error));
        EXPECT_FALSE(driver.Key(203, "F1", error));
        errors.push_back(error);
        EXPECT_TRUE(driver.Click(1, error));
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(pEdit->text(), "typed");
    EXPECT_EQ(pEdit->selectedText(), "yped");
    EXPECT_EQ(edits, 1);
    EXPECT_TRUE(pCheck->isChecked());
    EXPECT_EQ(errors, (std::vector<std::string>{"no characters 2..9 in control 203 (it holds 5)",
                                                "control 1 is not an edit",
                                                "not a key: F1 (Enter, Tab, Up, Down, Escape, Home, End, PageUp, PageDown, Space or Backspace)"}));
    EXPECT_EQ(out.str(), "dialog closed: 1\n");
    EXPECT_EQ(driver.Current(), nullptr);
}
