// The tag autocomplete source as the platform object enumerates it, its binding to
// an edit (suggestions, inline completion, Up/Down), and the search edit's keys.
#include "ui/controls/customautocomplete.h"
#include "ui/controls/editcontrol.h"

#include "platform/com/taskmem.h"
#include "tests/ui/widgetapp.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillmark;

namespace {

// Next(count) as strings; each is freed.
std::vector<std::string> Take(IEnumString* pEnum, ULONG count, HRESULT* pResult = nullptr, ULONG* pFetched = nullptr)
{
    std::vector<char*> raw(std::max<ULONG>(count, 1), nullptr);
    ULONG fetched = 99;
    const HRESULT hr = pEnum->Next(count, raw.data(), &fetched);
    if (pResult) *pResult = hr;
    if (pFetched) *pFetched = fetched;
    std::vector<std::string> strings;
    for (ULONG i = 0; i < fetched; ++i) {
        strings.emplace_back(raw[i]);
        CoTaskMemFree(raw[i]);
    }
    return strings;
}

ComPtr<CustomAutoComplete> ThreeTags()
{
    ComPtr<CustomAutoComplete> sp = MakeComObject<CustomAutoComplete>();
    for (const char* tag : {"budget", "Budget", "plan"}) EXPECT_TRUE(sp->AddItem(tag));
    return sp;
}

} // namespace

TEST(CustomAutoComplete, AddItemKeepsOrderAndRefusesEmptyAndExactDuplicates)
{
    ComPtr<CustomAutoComplete> sp = ThreeTags();
    EXPECT_FALSE(sp->AddItem(""));
    EXPECT_FALSE(sp->AddItem("plan"));
    EXPECT_EQ(sp->Items(), (std::vector<std::string>{"budget", "Budget", "plan"})); // case differs: both kept
    EXPECT_EQ(sp->RefCount(), 1u); // the first counted reference
}

TEST(CustomAutoComplete, NextSkipResetAndCloneFollowTheEnumeratorRules)
{
    ComPtr<CustomAutoComplete> sp = ThreeTags();
    HRESULT hr = E_FAIL;
    ULONG fetched = 0;
    // A count of 0 is one string.
    EXPECT_EQ(Take(sp.Get(), 0, &hr, &fetched), std::vector<std::string>{"budget"});
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(fetched, 1u);
    // Five asked of three from the start: three, S_FALSE; then none, S_FALSE.
    sp->Reset();
    EXPECT_EQ(Take(sp.Get(), 5, &hr, &fetched), (std::vector<std::string>{"budget", "Budget", "plan"}));
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(fetched, 3u);
    EXPECT_TRUE(Take(sp.Get(), 1, &hr, &fetched).empty());
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(fetched, 0u);
    // The fetched count may be left out.
    sp->Reset();
    char* one = nullptr;
    EXPECT_EQ(sp->Next(1, &one, nullptr), S_OK);
    EXPECT_STREQ(one, "budget");
    CoTaskMemFree(one);

    // Skip past the end starts again at 0, always S_OK.
    sp->Reset();
    sp->Skip(2);
    EXPECT_EQ(sp->CurrentIndex(), 2u);
    EXPECT_EQ(sp->Skip(2), S_OK);
    EXPECT_EQ(sp->CurrentIndex(), 0u);
    EXPECT_EQ(sp->Skip(3), S_OK);
    EXPECT_EQ(sp->CurrentIndex(), 3u); // exactly the end is no wrap

    // A clone after Next(1) goes on with the second string, on its own position.
    sp->Reset();
    Take(sp.Get(), 1);
    ComPtr<IEnumString> spClone;
    ASSERT_EQ(sp->Clone(&spClone), S_OK);
    EXPECT_EQ(Take(spClone.Get(), 1), std::vector<std::string>{"Budget"});
    EXPECT_EQ(Take(sp.Get(), 1), std::vector<std::string>{"Budget"});
    EXPECT_EQ(sp->Clone(nullptr), E_POINTER);

    // An empty list: S_FALSE and nothing.
    ComPtr<CustomAutoComplete> spEmpty = MakeComObject<CustomAutoComplete>();
    EXPECT_TRUE(Take(spEmpty.Get(), 1, &hr).empty());
    EXPECT_EQ(hr, S_FALSE);
}

TEST(CustomAutoComplete, QueryInterfaceAnswersItsTwoInterfacesOnly)
{
    ComPtr<CustomAutoComplete> sp = ThreeTags();
    void* pOut = reinterpret_cast<void*>(1);
    EXPECT_EQ(sp->QueryInterface(IID_IEnumString, nullptr), E_POINTER);
    EXPECT_EQ(sp->QueryInterface(IAutoComplete::Iid, &pOut), E_NOINTERFACE);
    EXPECT_EQ(pOut, nullptr);
    ASSERT_EQ(sp->QueryInterface(IID_IUnknown, &pOut), S_OK);
    EXPECT_EQ(sp->RefCount(), 2u);
    static_cast<IUnknown*>(pOut)->Release();
    ASSERT_EQ(sp->QueryInterface(IID_IEnumString, &pOut), S_OK);
    static_cast<IUnknown*>(pOut)->Release();
    EXPECT_EQ(sp->RefCount(), 1u);
}

TEST(CustomAutoComplete, BoundItSuggestsAppendsInlineAndOpensWithDown)
{
    test::EnsureWidgetApp();
    QDialog dialog;
    auto* pEdit = new QLineEdit(&dialog);
    dialog.resize(300, 80);
    ComPtr<CustomAutoComplete> sp = MakeComObject<CustomAutoComplete>();
    EXPECT_FALSE(sp->Bind(nullptr, 0x23));
    ASSERT_TRUE(sp->Bind(pEdit, 0x23));
    EXPECT_FALSE(sp->Bind(pEdit, 0x23)); // bound once only
    EXPECT_EQ(sp->RefCount(), 2u);       // the platform object holds the source
    // Filled after binding, as the browse dialogs do.
    for (const char* tag : {"budget", "Bulgaria", "plan"}) sp->AddItem(tag);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    pEdit->setFocus();

    QTest::keyClicks(pEdit, "bu");
    QCompleter* pCompleter = pEdit->findChild<QCompleter*>();
    ASSERT_NE(pCompleter, nullptr);
    // The first match is appended and selected; the list shows every match of
    // what was typed, and picking one puts it into the edit.
    EXPECT_EQ(pEdit->text(), "budget");
    EXPECT_EQ(pEdit->selectedText(), "dget");
    EXPECT_TRUE(pCompleter->popup()->isVisible());
    EXPECT_EQ(pCompleter->completionCount(), 2);
    QTest::keyClick(pCompleter->popup(), Qt::Key_Down);
    QTest::keyClick(pCompleter->popup(), Qt::Key_Down);
    QTest::keyClick(pCompleter->popup(), Qt::Key_Return);
    EXPECT_EQ(pEdit->text(), "Bulgaria");
    EXPECT_FALSE(pCompleter->popup()->isVisible());

    // Deleting appends nothing.
    pEdit->setText("bud");
    pEdit->setCursorPosition(3);
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    EXPECT_EQ(pEdit->text(), "bu");
    EXPECT_EQ(pCompleter->completionCount(), 2);
    QTest::keyClick(pCompleter->popup(), Qt::Key_Escape);

    // Down opens the list of what matches the text.
    pEdit->clear();
    EXPECT_FALSE(pCompleter->popup()->isVisible());
    QTest::keyClick(pEdit, Qt::Key_Down);
    EXPECT_TRUE(pCompleter->popup()->isVisible());
    EXPECT_EQ(pCompleter->completionCount(), 3);
    QTest::keyClick(pCompleter->popup(), Qt::Key_Escape);

    // Unbound, the platform lets go of the source; unbinding twice does nothing.
    sp->Unbind();
    EXPECT_FALSE(sp->IsBound());
    EXPECT_EQ(sp->RefCount(), 1u);
    EXPECT_EQ(pEdit->findChild<QCompleter*>(), nullptr);
    sp->Unbind();
    EXPECT_TRUE(sp->Bind(pEdit, 0)); // again, with the platform's own options
    sp->Unbind();
}

TEST(CustomAutoComplete, InlineCompletionIsTheFirstTagInCaseInsensitiveOrderInItsOwnCase)
{
    test::EnsureWidgetApp();
    QDialog dialog;
    auto* pEdit = new QLineEdit(&dialog);
    auto* pSearch = new QPushButton("Search", &dialog);
    pEdit->setGeometry(5, 5, 200, 24);
    pSearch->setGeometry(210, 5, 80, 24);
    dialog.resize(300, 200);
    int searches = 0;
    QObject::connect(pSearch, &QPushButton::clicked, [&] { ++searches; });
    ComPtr<CustomAutoComplete> sp = MakeComObject<CustomAutoComplete>();
    ASSERT_TRUE(sp->Bind(pEdit, 0x23));
    // Tag-set order: capitalised tags (file names) come first.
    for (const char* tag : {"Meeting Notes", "Budget 2026", "Quarterly", "meeting notes", "budget 2026", "meeting",
                            "budget"})
        sp->AddItem(tag);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    pEdit->setFocus();
    QCompleter* pCompleter = pEdit->findChild<QCompleter*>();
    ASSERT_NE(pCompleter, nullptr);
    const auto typed = [&](const char* text) {
        pEdit->clear();
        QTest::keyClicks(pEdit, text);
        return pEdit->text().toStdString() + "|" + pEdit->selectedText().toStdString();
    };

    // A tag typed whole gets nothing appended, though longer tags begin with it.
    EXPECT_EQ(typed("meeting"), "meeting|");
    // The shortest in case-insensitive order wins over what comes first in the set.
    EXPECT_EQ(typed("budg"), "budget|et");
    // The completion takes the tag's own case.
    EXPECT_EQ(typed("MEET"), "meeting|ing");
    EXPECT_EQ(typed("qu"), "Quarterly|arterly");
    // The list shows the suggestions in that order.
    EXPECT_EQ(typed("b"), "budget|udget");
    QStringList shown;
    for (int row = 0; row < pCompleter->completionCount(); ++row) {
        pCompleter->setCurrentRow(row);
        shown << pCompleter->currentCompletion();
    }
    EXPECT_EQ(shown, (QStringList{"budget", "Budget 2026", "budget 2026"}));

    // Deleting the completion closes the list: the next click reaches Search.
    EXPECT_EQ(typed("budg"), "budget|et");
    EXPECT_TRUE(pCompleter->popup()->isVisible());
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    EXPECT_EQ(pEdit->text().toStdString(), "budg");
    EXPECT_FALSE(pCompleter->popup()->isVisible());
    QTest::mouseClick(pSearch, Qt::LeftButton);
    EXPECT_EQ(searches, 1);
    sp->Unbind();
}

TEST(EditControl, EnterAndTabMoveToTheNextControlAndNeverPressTheDefaultButton)
{
    test::EnsureWidgetApp();
    QDialog dialog;
    auto* pEdit = new QLineEdit(&dialog);
    auto* pSearch = new QPushButton("Search", &dialog);
    auto* pOpen = new QPushButton("Open Document", &dialog);
    pSearch->move(0, 30);
    pOpen->move(100, 30);
    pOpen->setDefault(true);
    int searches = 0, opens = 0;
    QObject::connect(pSearch, &QPushButton::clicked, [&] { ++searches; });
    QObject::connect(pOpen, &QPushButton::clicked, [&] { ++opens; });
    {
        EditControl edit;
        ComPtr<CustomAutoComplete> sp = ThreeTags();
        CustomAutoComplete* pSource = sp.Get();
        edit.SetAutoComplete(sp);
        edit.Subclass(&dialog, pEdit);
        ASSERT_TRUE(pSource->Bind(pEdit, 0x23));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        pEdit->setFocus();

        QTest::keyClick(pEdit, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), pSearch);
        EXPECT_EQ(opens, 0);
        EXPECT_TRUE(dialog.isVisible());
        // A second Enter presses the button that now has the focus (as the platform does).
        QTest::keyClick(pSearch, Qt::Key_Space);
        EXPECT_EQ(searches, 1);

        pEdit->setFocus();
        QTest::keyClick(pEdit, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), pSearch);
        // Other keys are the edit's own.
        pEdit->setFocus();
        QTest::keyClicks(pEdit, "x");
        EXPECT_TRUE(pEdit->text().startsWith("x"));
        EXPECT_EQ(opens, 0);

        // Typed text with the suggestions open: the keyboard sends Enter to their
        // list. Nothing chosen in it: the list closes and Enter moves on as without it.
        QCompleter* pCompleter = pEdit->findChild<QCompleter*>();
        ASSERT_NE(pCompleter, nullptr);
        const auto keyToWhereTheKeyboardSendsIt = [](Qt::Key key) {
            QWidget* pTarget = QApplication::activePopupWidget();
            QTest::keyClick(pTarget ? pTarget : QApplication::focusWidget(), key);
        };
        pEdit->clear();
        QTest::keyClicks(pEdit, "pl");
        ASSERT_TRUE(pCompleter->popup()->isVisible());
        keyToWhereTheKeyboardSendsIt(Qt::Key_Return);
        EXPECT_FALSE(pCompleter->popup()->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), pSearch);
        EXPECT_EQ(pEdit->text(), "plan");
        EXPECT_EQ(opens, 0);
        // A suggestion moved to with Down is the list's: Enter takes it, the edit keeps the focus.
        pEdit->setFocus();
        pEdit->clear();
        QTest::keyClicks(pEdit, "b");
        ASSERT_TRUE(pCompleter->popup()->isVisible());
        keyToWhereTheKeyboardSendsIt(Qt::Key_Down);
        keyToWhereTheKeyboardSendsIt(Qt::Key_Down);
        keyToWhereTheKeyboardSendsIt(Qt::Key_Return);
        EXPECT_FALSE(pCompleter->popup()->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), pEdit);
        EXPECT_EQ(pEdit->text(), "Budget");
        // Tab with the list open moves on too.
        pEdit->clear();
        QTest::keyClicks(pEdit, "pl");
        ASSERT_TRUE(pCompleter->popup()->isVisible());
        keyToWhereTheKeyboardSendsIt(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), pSearch);
        EXPECT_EQ(opens, 0);
        pEdit->setFocus();
        // The edit control goes first: the source is unbound and released with it.
        EXPECT_TRUE(pSource->IsBound());
    }
    QTest::keyClick(pEdit, Qt::Key_Return); // no longer taken: the dialog's default button
    EXPECT_EQ(opens, 1);
}
