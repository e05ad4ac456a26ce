#pragma once
// The Browse Tags dialogs over a simulated host: a Qt application for the widgets,
// answers for the prompts, a recorder that hears the progress statuses and the
// shell requests, and helpers that click list rows with the mouse.
#include "tests/host/eventhandlertestsupport.h"
#include "tests/ui/widgetapp.h"
#include "ui/browsetagdialog.h"
#include "ui/prompts.h"
#include "ui/shellactions.h"

#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include <string>
#include <utility>
#include <vector>

namespace quillmark::test {

// Records the progress statuses and the shell requests while it lives; the
// questions go on to the prompts that were current before (QueuedPrompts).
struct RecordingHooks final : Prompts {
    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::pair<std::string, std::string>> shell; // verb, target
    Prompts* pPrevious;
    RecordingHooks() : pPrevious(SetPrompts(this)) {}
    ~RecordingHooks() override { SetPrompts(pPrevious); }
    using Prompts::MessageBox;
    using Prompts::OpenFile;
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text, PromptButtons buttons,
                   PromptIcon icon) override
    {
        return pPrevious->MessageBox(pOwner, caption, text, buttons, icon);
    }
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter, const std::string& extension,
                                        const std::string& folder) override
    {
        return pPrevious->OpenFile(pOwner, filter, extension, folder);
    }
    bool Shell(QWidget*, ShellVerb verb, const std::string& target) override
    {
        shell.emplace_back(ShellVerbName(verb), verb == ShellVerb::Explore ? FolderOfPath(target) : target);
        return true;
    }
    void ShowProperties(const std::string& path, const std::function<void()>&) override
    {
        shell.emplace_back("properties", path);
    }
    void Status(int position, const std::string& text) override { statuses.emplace_back(position, text); }
    std::vector<int> Positions() const
    {
        std::vector<int> positions;
        for (const auto& status : statuses) positions.push_back(status.first);
        return positions;
    }
};

// The rows of the list as "name|tags".
inline std::vector<std::string> Rows(const BrowseTagDialog& dialog)
{
    std::vector<std::string> rows;
    QTreeWidget* pList = dialog.ListControl();
    for (int row = 0; row < pList->topLevelItemCount(); ++row)
        rows.push_back(pList->topLevelItem(row)->text(0).toStdString() + "|" +
                       pList->topLevelItem(row)->text(1).toStdString());
    return rows;
}

// A mouse click on list row `row`; -1 clicks the empty area below the rows.
inline void ClickRow(BrowseTagDialog& dialog, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QTreeWidget* pList = dialog.ListControl();
    QPoint point(5, pList->viewport()->height() - 3);
    if (row >= 0) point = pList->visualItemRect(pList->topLevelItem(row)).center();
    // A right press opens the File menu; its release would belong to the menu.
    if (button == Qt::RightButton) QTest::mousePress(pList->viewport(), button, {}, point);
    else QTest::mouseClick(pList->viewport(), button, {}, point);
}

// Chooses the item `text` of the open File menu.
inline bool ChooseMenuItem(BrowseTagDialog& dialog, const std::string& text)
{
    QMenu* pMenu = dialog.OpenMenu();
    if (!pMenu) return false;
    for (QAction* pAction : pMenu->actions()) {
        if (pAction->text().toStdString() == text && pAction->isEnabled()) {
            pMenu->close();
            pAction->trigger();
            return true;
        }
    }
    return false;
}

} // namespace quillmark::test
