// The host's main window with real widgets (offscreen): its tool bars follow the
// add-in's command bar, clicks and entries reach the add-in, tabs follow the open
// documents, and closing with unsaved changes asks first.
#include "simoffice/documenttab.h"
#include "simoffice/mainwindow.h"
#include "simoffice/simoffice.h"
#include "simoffice/toolbarmirror.h"

#include "officeapi/powerpoint.h"
#include "officeapi/word.h"
#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "officecore/addinlist.h"
#include "tests/simoffice/guiapp.h"
#include "tests/support/isolatedfolders.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <sstream>

using namespace quillmark;
using namespace quillmark::officecore;
using namespace quillmark::simoffice;

namespace {

constexpr const char* kClsid = "{6F1D2A10-3C55-4E8B-9A77-1B2C3D4E5F60}";

// A host with the test add-in loaded through the registry, and its window.
struct WindowedHost {
    test::IsolatedFolders folders;
    test::ScopedEnv log{"QUILLMARK_TEST_ADDIN_LOG", folders.dir / "addin.log"};
    std::unique_ptr<SimOffice> office;
    std::unique_ptr<MainWindow> window;

    explicit WindowedHost(HostKind host)
    {
        test::EnsureGuiApp();
        Register(host);
        office = std::make_unique<SimOffice>(host);
        std::ostringstream report;
        EXPECT_EQ(office->LoadAddins(report), 1) << report.str();
        window = std::make_unique<MainWindow>(*office);
    }
    ~WindowedHost()
    {
        window.reset();
        office->Shutdown();
    }

    void Register(HostKind host)
    {
        const std::string registry = folders.RegistryFile();
        registry::RegKey key(registry);
        ASSERT_EQ(key.Create(registry::RegRoot::ClassesRoot, "Quillmark.TestAddin\\CLSID"), registry::RegStatus::Ok);
        ASSERT_EQ(key.SetString("", kClsid), registry::RegStatus::Ok);
        registry::RegKey server(registry);
        ASSERT_EQ(server.Create(registry::RegRoot::ClassesRoot, std::string("CLSID\\") + kClsid + "\\InprocServer32"),
                  registry::RegStatus::Ok);
        ASSERT_EQ(server.SetString("", QUILLMARK_TEST_ADDIN), registry::RegStatus::Ok);
        std::string error;
        ASSERT_TRUE(AddAddinToList(host, "Quillmark.TestAddin", kLoadAtStartup, &error, registry)) << error;
    }

    std::string Log() const { return files::ReadFile(folders.dir / "addin.log").value_or(""); }

    // The add-in's bar through the object model, as an add-in reaches it.
    ComPtr<office::CommandBarControls> Controls()
    {
        ComPtr<office::CommandBar> spBar;
        EXPECT_EQ(office->CommandBars().get_Item(Variant("Test Addin"), &spBar), S_OK);
        ComPtr<office::CommandBarControls> spControls;
        if (spBar) spBar->get_Controls(&spControls);
        return spControls;
    }

    QToolBar* ToolBar(const QString& name) const
    {
        for (QToolBar* p : window->ToolBars().ToolBars())
            if (p->objectName() == name) return p;
        return nullptr;
    }
};

template <class T>
ComPtr<T> AddControl(office::CommandBarControls* pControls, office::MsoControlType type, const std::string& caption)
{
    ComPtr<office::CommandBarControl> spControl;
    EXPECT_EQ(pControls->Add(Variant(type), Variant::Missing(), Variant::Missing(), Variant::Missing(), Variant(true),
                             &spControl),
              S_OK);
    auto sp = spControl.As<T>();
    sp->put_Caption(caption);
    return sp;
}

// One entry per tool-bar item: "|" for a separator, "button:caption:tooltip:enabled",
// "popup:caption[items]" ("-" between groups), "combo:caption:list".
std::vector<std::string> Describe(QToolBar* pToolBar)
{
    std::vector<std::string> items;
    for (QAction* pAction : pToolBar->actions()) {
        if (pAction->isSeparator()) {
            items.push_back("|");
            continue;
        }
        QWidget* pWidget = pToolBar->widgetForAction(pAction);
        if (auto* pCombo = qobject_cast<QComboBox*>(pWidget)) {
            QStringList list;
            for (int i = 0; i < pCombo->count(); ++i) list << pCombo->itemText(i);
            items.push_back(("combo:" + pCombo->lineEdit()->placeholderText() + ":" + list.join(',')).toStdString());
        } else if (auto* pButton = qobject_cast<QToolButton*>(pWidget); pButton && pButton->menu()) {
            QStringList menu;
            for (QAction* pItem : pButton->menu()->actions()) menu << (pItem->isSeparator() ? "-" : pItem->text());
            items.push_back(("popup:" + pButton->text() + "[" + menu.join(',') + "]").toStdString());
        } else {
            items.push_back(("button:" + pAction->text() + ":" + pAction->toolTip() + ":" +
                             (pAction->isEnabled() ? "1" : "0"))
                                .toStdString());
        }
    }
    return items;
}

QAction* ActionByText(QToolBar* pToolBar, const QString& text)
{
    for (QAction* pAction : pToolBar->actions())
        if (pAction->text() == text) return pAction;
    return nullptr;
}

// Answers the next modal message box with `button`, keeping its text.
void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* pText)
{
    QTimer::singleShot(0, [button, pText] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(pBox, nullptr);
        if (pText) *pText = pBox->text();
        pBox->button(button)->click();
    });
}

using V = std::vector<std::string>;

} // namespace

TEST(HostWindow, ToolBarMirrorsTheCommandBarAfterARefresh)
{
    for (HostKind host : {HostKind::Word, HostKind::PowerPoint}) {
        WindowedHost h(host);
        QToolBar* pToolBar = h.ToolBar("Test Addin");
        ASSERT_NE(pToolBar, nullptr);
        EXPECT_EQ(Describe(pToolBar), (V{"button:&Hello:Say hello:1", "combo:Find:"}));

        // The add-in rebuilds its bar: the button goes, a popup, a group and a list come.
        auto spControls = h.Controls();
        ComPtr<office::CommandBarControl> spHello;
        ASSERT_EQ(spControls->get_Item(Variant(1), &spHello), S_OK);
        ASSERT_EQ(spHello->Delete(Variant::Missing()), S_OK);
        auto spPopup = AddControl<office::CommandBarPopup>(spControls.Get(), office::msoControlPopup, "&Menu");
        ComPtr<office::CommandBarControls> spItems;
        spPopup->get_Controls(&spItems);
        AddControl<office::CommandBarButton>(spItems.Get(), office::msoControlButton, "&One");
        AddControl<office::CommandBarButton>(spItems.Get(), office::msoControlButton, "&Two")->put_BeginGroup(VARIANT_TRUE);
        auto spTaggy = AddControl<office::CommandBarButton>(spControls.Get(), office::msoControlButton, "Tag&gy");
        spTaggy->put_BeginGroup(VARIANT_TRUE);
        spTaggy->put_TooltipText("Show all documents with \"Taggy\" tag");
        AddControl<office::CommandBarButton>(spControls.Get(), office::msoControlButton, "Hidden")->put_Visible(VARIANT_FALSE);
        AddControl<office::CommandBarButton>(spControls.Get(), office::msoControlButton, "&Off")->put_Enabled(VARIANT_FALSE);
        ComPtr<office::CommandBarControl> spFirst;
        ASSERT_EQ(spControls->get_Item(Variant(1), &spFirst), S_OK);
        auto spCombo = spFirst.As<office::CommandBarComboBox>();
        ASSERT_TRUE(spCombo);
        spCombo->AddItem("alpha", Variant::Missing());
        spCombo->AddItem("beta", Variant::Missing());

        QCoreApplication::processEvents();
        pToolBar = h.ToolBar("Test Addin");
        ASSERT_NE(pToolBar, nullptr);
        EXPECT_EQ(Describe(pToolBar), (V{"combo:Find:alpha,beta", "popup:&Menu[&One,-,&Two]", "|",
                                         "button:Tag&gy:Show all documents with \"Taggy\" tag:1", "button:&Off:Off:0"}));
        // Nothing changed: nothing is drawn again.
        EXPECT_FALSE(h.window->ToolBars().Sync());

        // A bar made invisible leaves the window.
        ComPtr<office::CommandBar> spBar;
        ASSERT_EQ(h.office->CommandBars().get_Item(Variant("Test Addin"), &spBar), S_OK);
        spBar->put_Visible(VARIANT_FALSE);
        QCoreApplication::processEvents();
        EXPECT_EQ(h.ToolBar("Test Addin"), nullptr);
    }
}

TEST(HostWindow, ATagBarWiderThanTheWindowOverflowsIntoItsExtensionButton)
{
    WindowedHost h(HostKind::Word);
    h.window->resize(800, 600);
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    // As many buttons as the add-in shows at most for a record's tags.
    auto spControls = h.Controls();
    for (int i = 0; i < 200; ++i)
        AddControl<office::CommandBarButton>(spControls.Get(), office::msoControlButton, "tag" + std::to_string(i));
    QCoreApplication::processEvents();
    QToolBar* pToolBar = h.ToolBar("Test Addin");
    ASSERT_NE(pToolBar, nullptr);
    QCoreApplication::processEvents();

    auto* pExtension = pToolBar->findChild<QToolButton*>("qt_toolbar_ext_button");
    ASSERT_NE(pExtension, nullptr);
    EXPECT_TRUE(pExtension->isVisible());
    QAction* pLast = ActionByText(pToolBar, "tag199");
    ASSERT_NE(pLast, nullptr);
    EXPECT_FALSE(pToolBar->widgetForAction(pLast)->isVisible());
    // The extension button shows the buttons that did not fit, and they still click.
    pExtension->click();
    // The bar grows to its full size in a short animation.
    for (int i = 0; i < 100 && !pToolBar->widgetForAction(pLast)->isVisible(); ++i) QTest::qWait(20);
    EXPECT_TRUE(pToolBar->widgetForAction(pLast)->isVisible());
    QSignalSpy triggered(pLast, &QAction::triggered);
    QTest::mouseClick(pToolBar->widgetForAction(pLast), Qt::LeftButton);
    EXPECT_EQ(triggered.count(), 1);

    // Removed again from the last, the bar fits and the extension button goes.
    for (int i = 0; i < 200; ++i) {
        std::int32_t count = 0;
        spControls->get_Count(&count);
        ComPtr<office::CommandBarControl> spLast;
        ASSERT_EQ(spControls->get_Item(Variant(count), &spLast), S_OK);
        ASSERT_EQ(spLast->Delete(Variant::Missing()), S_OK);
    }
    QCoreApplication::processEvents();
    pToolBar = h.ToolBar("Test Addin");
    ASSERT_NE(pToolBar, nullptr);
    EXPECT_EQ(Describe(pToolBar), (V{"button:&Hello:Say hello:1", "combo:Find:"}));
    pExtension = pToolBar->findChild<QToolButton*>("qt_toolbar_ext_button");
    EXPECT_TRUE(!pExtension || !pExtension->isVisible());
}

TEST(HostWindow, ClicksAndEntriesReachTheAddin)
{
    WindowedHost h(HostKind::Word);
    QToolBar* pToolBar = h.ToolBar("Test Addin");
    ASSERT_NE(pToolBar, nullptr);
    QAction* pHello = ActionByText(pToolBar, "&Hello");
    ASSERT_NE(pHello, nullptr);
    QTest::mouseClick(pToolBar->widgetForAction(pHello), Qt::LeftButton);
    QCoreApplication::processEvents();
    auto* pCombo = pToolBar->findChild<QComboBox*>();
    ASSERT_NE(pCombo, nullptr);
    pCombo->lineEdit()->clear();
    QTest::keyClicks(pCombo->lineEdit(), "report 2026");
    QTest::keyClick(pCombo->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_NE(h.Log().find("click 1 hello\nchange 1  report 2026\n"), std::string::npos) << h.Log();

    // A click on a button the add-in deleted before the bar was drawn again does nothing.
    pHello = ActionByText(h.ToolBar("Test Addin"), "&Hello");
    ASSERT_NE(pHello, nullptr);
    ComPtr<office::CommandBarControl> spHello;
    ASSERT_EQ(h.Controls()->get_Item(Variant(1), &spHello), S_OK);
    ASSERT_EQ(spHello->Delete(Variant::Missing()), S_OK);
    pHello->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(h.Log().find("click 1 hello", h.Log().find("click 1 hello") + 1), std::string::npos) << h.Log();
    EXPECT_EQ(ActionByText(h.ToolBar("Test Addin"), "&Hello"), nullptr);
}

TEST(HostWindow, CaptionsKeepTheirAmpersandsAndAcceleratorsPressButtons)
{
    WindowedHost h(HostKind::Word);
    // A caption with a doubled "&" (a tag's own) and one with an accelerator.
    AddControl<office::CommandBarButton>(h.Controls().Get(), office::msoControlButton, "R&&D");
    h.window->ToolBars().Sync();
    QToolBar* pToolBar = h.ToolBar("Test Addin");
    ASSERT_NE(pToolBar, nullptr);
    QAction* pRnd = ActionByText(pToolBar, "R&&D");
    ASSERT_NE(pRnd, nullptr);
    auto* pRndButton = qobject_cast<QToolButton*>(pToolBar->widgetForAction(pRnd));
    ASSERT_NE(pRndButton, nullptr);
    EXPECT_EQ(pRndButton->text(), "R&&D"); // drawn "R&D": the ampersand stays
    auto* pHello = qobject_cast<QToolButton*>(pToolBar->widgetForAction(ActionByText(pToolBar, "&Hello")));
    ASSERT_NE(pHello, nullptr);
    EXPECT_EQ(pHello->text(), "&Hello"); // drawn "Hello" with H underlined

    // Alt+H presses "&Hello" as a click would.
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    h.window->activateWindow();
    QApplication::setActiveWindow(h.window.get());
    QTest::keyClick(h.window.get(), Qt::Key_H, Qt::AltModifier);
    // The button flashes pressed before it clicks.
    for (int waited = 0; waited < 2000 && h.Log().find("click 1 hello") == std::string::npos; waited += 20)
        QTest::qWait(20);
    EXPECT_NE(h.Log().find("click 1 hello"), std::string::npos) << h.Log();

}

// The search box selects its whole text when a click or Tab brings the focus into it,
// so that typing replaces the text instead of landing in the middle of it.
TEST(HostWindow, TheSearchBoxSelectsItsTextWhenAClickOrTabFocusesIt)
{
    WindowedHost h(HostKind::Word);
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    h.window->activateWindow();
    QApplication::setActiveWindow(h.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(h.window.get()));
    auto* pCombo = h.ToolBar("Test Addin")->findChild<QComboBox*>();
    ASSERT_NE(pCombo, nullptr);
    QLineEdit* pEdit = pCombo->lineEdit();
    // What the focus change queued runs before the next key, as between a person's keys.
    const auto waitForSelection = [pEdit] {
        QTest::qWait(20);
        for (int waited = 0; waited < 2000 && !pEdit->hasSelectedText(); waited += 20) QTest::qWait(20);
    };
    // Somewhere else in the window to come from: the last widget before the box that
    // Tab stops at.
    QWidget* pBefore = pCombo->previousInFocusChain();
    while (pBefore != pCombo && (pBefore == pEdit || !(pBefore->focusPolicy() & Qt::TabFocus) ||
                                 !pBefore->isVisible() || !pBefore->isEnabled()))
        pBefore = pBefore->previousInFocusChain();
    ASSERT_NE(pBefore, pCombo) << "nothing in the window takes the focus before the search box";

    // A click a third into the text: the press places the caret, then the text is selected.
    pBefore->setFocus(Qt::OtherFocusReason);
    pCombo->setEditText("Search tags");
    QTest::mouseClick(pEdit, Qt::LeftButton, {}, QPoint(pEdit->width() / 3, pEdit->height() / 2));
    ASSERT_TRUE(pCombo->hasFocus());
    waitForSelection();
    EXPECT_EQ(pEdit->selectedText(), "Search tags");
    QTest::keyClicks(pEdit, "fin");
    EXPECT_EQ(pEdit->text(), "fin");
    // A second click into the box that has the focus places the caret as usual.
    QTest::mouseClick(pEdit, Qt::LeftButton, {}, QPoint(1, pEdit->height() / 2));
    QTest::qWait(50);
    EXPECT_FALSE(pEdit->hasSelectedText());

    // Tab from the widget before the box, after the caret was left inside the text.
    pCombo->setEditText("Search tags");
    pEdit->setCursorPosition(4);
    pBefore->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(pBefore, Qt::Key_Tab);
    ASSERT_TRUE(pCombo->hasFocus()) << QApplication::focusWidget();
    waitForSelection();
    EXPECT_EQ(pEdit->selectedText(), "Search tags");
    QTest::keyClicks(pEdit, "budget");
    EXPECT_EQ(pEdit->text(), "budget");

    // Coming back to the window leaves the caret where it was.
    pEdit->setCursorPosition(2);
    pBefore->setFocus(Qt::OtherFocusReason);
    pCombo->setFocus(Qt::ActiveWindowFocusReason);
    QTest::qWait(50);
    EXPECT_FALSE(pEdit->hasSelectedText());
    EXPECT_EQ(pEdit->cursorPosition(), 2);
}

TEST(HostWindow, TabsFollowTheDocumentsAndChoosingOneActivatesIt)
{
    WindowedHost h(HostKind::PowerPoint);
    const std::string a = h.folders.dir.WriteFile("a.ppt", "a");
    const std::string b = h.folders.dir.WriteFile("b.ppt", "b");
    OfficeModel& model = h.office->Model();
    SimDocument* pA = model.Open(a, 3, nullptr);
    SimDocument* pB = model.Open(b, 0, nullptr);
    ASSERT_TRUE(pA && pB);
    pA->SetProperty("Keywords", "budget, review");
    QCoreApplication::processEvents();
    QTabWidget& tabs = h.window->Tabs();
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(0), "a.ppt *");
    EXPECT_EQ(tabs.tabText(1), "b.ppt");
    EXPECT_EQ(tabs.currentIndex(), 1);
    DocumentTab* pTabA = h.window->TabOf(pA);
    ASSERT_NE(pTabA, nullptr);
    EXPECT_EQ(pTabA->Properties().Field("Keywords")->text(), "budget, review");
    ASSERT_NE(pTabA->SlideList(), nullptr);
    EXPECT_EQ(pTabA->SlideList()->count(), 3);

    // Choosing a tab switches windows: the add-in hears WindowActivate.
    tabs.setCurrentIndex(0);
    EXPECT_EQ(model.Active(), pA);
    EXPECT_NE(h.Log().find("event " + std::to_string(powerpoint::DISPID_PowerPoint_WindowActivate) + " " + a + "\n",
                           h.Log().find("event " + std::to_string(powerpoint::DISPID_PowerPoint_WindowActivate) + " " + b)),
              std::string::npos)
        << h.Log();
    // Choosing a slide moves the view.
    pTabA->SlideList()->setCurrentRow(2);
    EXPECT_EQ(pA->CurrentSlide(), 3);

    model.Close(pB);
    QCoreApplication::processEvents();
    ASSERT_EQ(tabs.count(), 1);
    EXPECT_EQ(h.window->TabOf(pA), tabs.widget(0));
}

TEST(HostWindow, ClosingWithUnsavedChangesAsksFirst)
{
    WindowedHost h(HostKind::Word);
    const std::string a = h.folders.dir.WriteFile("a.doc", "a");
    OfficeModel& model = h.office->Model();
    SimDocument* pA = model.Open(a, 0, nullptr);
    ASSERT_NE(pA, nullptr);
    model.New(); // untouched: closing it asks nothing
    QCoreApplication::processEvents();
    h.window->show();

    // Typing into the tab's Keywords writes the document's property at once.
    QLineEdit* pKeywords = h.window->TabOf(pA)->Properties().Field("Keywords");
    ASSERT_NE(pKeywords, nullptr);
    QTest::keyClicks(pKeywords, "draft");
    EXPECT_EQ(pA->Property("Keywords"), "draft");
    EXPECT_FALSE(pA->Saved());

    QString asked;
    AnswerNextMessageBox(QMessageBox::Cancel, &asked);
    EXPECT_FALSE(h.window->close());
    EXPECT_TRUE(h.window->isVisible());
    EXPECT_TRUE(asked.contains("a.doc")) << asked.toStdString();
    EXPECT_EQ(model.Count(), 2);
    EXPECT_FALSE(pA->Saved());

    // Cancel on closing the document keeps it; Discard closes it with its change.
    AnswerNextMessageBox(QMessageBox::Cancel, nullptr);
    EXPECT_FALSE(h.window->CloseDocument(*pA));
    EXPECT_EQ(model.IndexOf(pA), 1);

    AnswerNextMessageBox(QMessageBox::Save, nullptr);
    EXPECT_TRUE(h.window->close());
    EXPECT_TRUE(pA->Saved());
    EXPECT_NE(h.Log().find("event " + std::to_string(word::DISPID_Word_DocumentBeforeSave) + " " + a), std::string::npos);

    h.window->show();
    pKeywords->setFocus();
    QTest::keyClicks(pKeywords, "!");
    AnswerNextMessageBox(QMessageBox::Discard, nullptr);
    EXPECT_TRUE(h.window->CloseDocument(*pA));
    EXPECT_EQ(model.Count(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.window->Tabs().count(), 1);
    EXPECT_TRUE(h.window->close()); // only the untouched new document is left
}

TEST(HostWindow, PropertiesDialogAndDocumentsClosedWhileTheUserIsAsked)
{
    WindowedHost h(HostKind::PowerPoint);
    const std::string a = h.folders.dir.WriteFile("a.ppt", "a");
    OfficeModel& model = h.office->Model();
    SimDocument* pA = model.Open(a, 0, nullptr);
    ASSERT_NE(pA, nullptr);

    auto answerProperties = [](const QString& author, bool bOk) {
        QTimer::singleShot(0, [author, bOk] {
            auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(pDialog, nullptr);
            auto* pAuthor = pDialog->findChild<QLineEdit*>("Author");
            ASSERT_NE(pAuthor, nullptr);
            pAuthor->setText(author);
            bOk ? pDialog->accept() : pDialog->reject();
        });
    };
    answerProperties("Ada", false);
    EXPECT_FALSE(h.window->EditProperties(*pA));
    EXPECT_EQ(pA->Property("Author"), "");
    EXPECT_TRUE(pA->Saved());
    answerProperties("Ada", true);
    EXPECT_TRUE(h.window->EditProperties(*pA));
    EXPECT_EQ(pA->Property("Author"), "Ada");
    EXPECT_FALSE(pA->Saved());
    QCoreApplication::processEvents();
    EXPECT_EQ(h.window->TabOf(pA)->Properties().Field("Author")->text(), "Ada");

    // While the user is asked whether to save, something closes the document: the
    // answer then saves nothing and the window goes on.
    QTimer::singleShot(0, [&model, pA] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(pBox, nullptr);
        model.Close(pA);
        pBox->button(QMessageBox::Save)->click();
    });
    EXPECT_TRUE(h.window->CloseDocument(*pA));
    EXPECT_EQ(model.Count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.window->Tabs().count(), 0);
}
