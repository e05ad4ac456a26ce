// The dialog runtime with real widgets: templates turned into controls in dialog
// units, controls found by id, Windows keys, owner and centring, and exceptions
// that end a command.
#include "ui/backgroundstep.h"
#include "ui/browseprogresspanel.h"
#include "ui/dialogbuilder.h"
#include "ui/prompts.h"
#include "ui/templatedialog.h"

#include "officeapi/scripthooks.h"
#include "tests/ui/widgetapp.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <QProgressBar>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace quillmark;

namespace {

class ProbeDialog : public TemplateDialog {
public:
    using TemplateDialog::TemplateDialog;
    std::vector<int> commands;
    bool bThrow = false;

protected:
    void OnCommand(int id) override
    {
        commands.push_back(id);
        if (bThrow) throw std::runtime_error("the host failed");
        TemplateDialog::OnCommand(id);
    }
};

} // namespace

TEST(DialogRuntime, ControlsArePlacedInDialogUnitsAndCarryTheirIdAndKind)
{
    test::EnsureWidgetApp();
    EXPECT_EQ(DialogUnitsToPixels(194, 47, 50, 14), QRect(291, 76, 75, 22));
    ProbeDialog dialog(IDD_TAGDIALOG);
    EXPECT_EQ(dialog.windowTitle(), "Tag");
    EXPECT_EQ(dialog.size(), QSize(376, 110)); // 251 x 68 units
    QPushButton* pTag = dialog.Control<QPushButton>(IDOK);
    ASSERT_NE(pTag, nullptr);
    EXPECT_EQ(pTag->text(), "Tag");
    EXPECT_EQ(pTag->geometry(), QRect(291, 76, 75, 22));
    EXPECT_FALSE(pTag->isDefault()); // an ordinary push button
    EXPECT_EQ(pTag->property(automation::kControlIdProperty).toInt(), 1);
    EXPECT_EQ(pTag->property(automation::kControlKindProperty).toString(), "button");
    EXPECT_EQ(dialog.Control<QWidget>(217)->property(automation::kControlKindProperty).toString(), "frame");
    EXPECT_EQ(dialog.Control<QLineEdit>(IDOK), nullptr); // not an edit
    EXPECT_EQ(dialog.Control(999), nullptr);
    EXPECT_EQ(dialog.font().pixelSize(), 11); // "MS Shell Dlg" 8
    EXPECT_THROW(ProbeDialog(12345), std::logic_error);
}

TEST(DialogRuntime, EnterPressesIdokWhenEnabledAndEscapeIsCancel)
{
    test::EnsureWidgetApp();
    ProbeDialog dialog(IDD_TAGDIALOG);
    dialog.Initialise();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // Enter on a focused button presses that button.
    dialog.Control<QPushButton>(IDCANCEL)->setFocus();
    QTest::keyClick(dialog.Control<QPushButton>(IDCANCEL), Qt::Key_Return);
    EXPECT_EQ(dialog.commands, std::vector<int>{IDCANCEL});
    dialog.commands.clear();
    dialog.show();
    // Elsewhere it presses IDOK, when enabled.
    if (QWidget* pFocus = dialog.focusWidget()) pFocus->clearFocus();
    dialog.Control<QPushButton>(IDOK)->setEnabled(false);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.commands.empty());
    EXPECT_TRUE(dialog.isVisible());
    dialog.Control<QPushButton>(IDOK)->setEnabled(true);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.commands, std::vector<int>{IDOK});
    EXPECT_EQ(dialog.result(), IDOK);

    ProbeDialog other(IDD_OPTIONS);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_EQ(other.commands, std::vector<int>{IDCANCEL});
    EXPECT_EQ(other.result(), IDCANCEL);
    EXPECT_FALSE(other.isVisible());
}

TEST(DialogRuntime, DoModalIsOwnedByTheActiveWindowCentredOverItAndPassesOnAnException)
{
    test::EnsureWidgetApp();
    QWidget owner;
    owner.setGeometry(100, 100, 800, 600);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));

    ProbeDialog dialog(IDD_OPTIONS);
    QRect geometry;
    QWidget* pParent = nullptr;
    QTimer::singleShot(0, [&] {
        geometry = dialog.frameGeometry();
        pParent = dialog.parentWidget();
        dialog.Control<QPushButton>(IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(pParent, &owner);
    EXPECT_LE(std::abs(geometry.center().x() - owner.frameGeometry().center().x()), 1);
    EXPECT_LE(std::abs(geometry.center().y() - owner.frameGeometry().center().y()), 1);

    // A command that throws closes the dialog; the exception leaves DoModal.
    ProbeDialog failing(IDD_OPTIONS, &owner);
    failing.bThrow = true;
    QTimer::singleShot(0, [&] { failing.Control<QPushButton>(IDOK)->click(); });
    EXPECT_THROW(failing.DoModal(), std::runtime_error);
    EXPECT_FALSE(failing.isVisible());
}

TEST(Prompts, QueuedAnswersAreUsedInOrderThenCancel)
{
    test::EnsureWidgetApp();
    QueuedPrompts prompts;
    EXPECT_EQ(&CurrentPrompts(), &prompts);
    prompts.QueueAnswer(IDYES);
    prompts.QueueFile(std::string("/tmp/x.doc"));
    EXPECT_EQ(CurrentPrompts().MessageBox(nullptr, "Tag", "Locate it?", PromptButtons::YesNo), IDYES);
    EXPECT_EQ(CurrentPrompts().MessageBox(nullptr, "Tag", "Again?", PromptButtons::YesNo), IDNO);
    EXPECT_EQ(CurrentPrompts().MessageBox(nullptr, "Tag", "Sure?", PromptButtons::OkCancel), IDCANCEL);
    EXPECT_EQ(CurrentPrompts().OpenFile(nullptr, "Word Documents (*.doc)", "doc"), std::optional<std::string>("/tmp/x.doc"));
    EXPECT_EQ(CurrentPrompts().OpenFile(nullptr, "Word Documents (*.doc)", "doc"), std::nullopt);
    ASSERT_EQ(prompts.Messages().size(), 3u);
    EXPECT_EQ(prompts.Messages()[1].text, "Again?");
    EXPECT_EQ(prompts.FileRequests().size(), 2u);
}

TEST(DialogStepRunner, TheEventLoopTurnsWhileTheStepRunsAndTheDialogCannotActMeanwhile)
{
    test::EnsureWidgetApp();
    TemplateDialog dialog(IDD_OPTIONS);
    auto* pPanel = new BrowseProgressPanel(&dialog);
    pPanel->show();
    pPanel->SetStatus(50, "Generating");
    dialog.show();
    QPushButton* pOk = dialog.Control<QPushButton>(IDOK);
    DialogStepRunner runner(dialog, pPanel);

    // The step waits until the user-interface thread has served a timer: it can
    // only end when the event loop turns while it runs.
    std::atomic<bool> bServed{false};
    bool bOkEnabled = true, bBarMoving = false, bStillOpen = false;
    QTimer::singleShot(10, [&] {
        bOkEnabled = pOk->isEnabled();
        bBarMoving = pPanel->Bar()->maximum() == 0; // a busy bar moves by itself
        dialog.reject();                            // Escape and the close button do nothing now
        bStillOpen = dialog.isVisible();
        bServed = true;
    });
    bool bWorkerThread = false;
    const std::thread::id uiThread = std::this_thread::get_id();
    runner.Run([&] {
        bWorkerThread = std::this_thread::get_id() != uiThread;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!bServed && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    EXPECT_TRUE(bServed);
    EXPECT_TRUE(bWorkerThread);
    EXPECT_FALSE(bOkEnabled);
    EXPECT_TRUE(bBarMoving);
    EXPECT_TRUE(bStillOpen);
    // Afterwards everything is as it was.
    EXPECT_TRUE(pOk->isEnabled());
    EXPECT_EQ(pPanel->Bar()->maximum(), 100);
    EXPECT_EQ(pPanel->Bar()->value(), 50);
    EXPECT_FALSE(dialog.IsBusy());

    // A step that fails hands its exception to the caller, the dialog restored.
    EXPECT_THROW(runner.Run([] { throw std::runtime_error("export failed"); }), std::runtime_error);
    EXPECT_TRUE(pOk->isEnabled());
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}
