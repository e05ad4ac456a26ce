#include "ui/browsetagdialog.h"

#include "docprops/filematch.h"
#include "officeapi/scripthooks.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "store/taggingdatabase.h"
#include "ui/controls/customautocomplete.h"
#include "ui/controls/desktop.h"
#include "ui/prompts.h"
#include "ui/propertiesdialog.h"
#include "ui/shellactions.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

namespace quillmark {

namespace {
constexpr int kSearchEdit = 203, kList = 206, kSearchButton = 208;
constexpr int kIdsCaption = 100, kIdsNameColumn = 159, kIdsTagsColumn = 160;
constexpr int kIdsFileNotFoundPart1 = 129, kIdsFileNotFoundPart2 = 130;
constexpr int kIdsTemporaryFolder = 128, kIdsNotSaved = 136, kIdsNoSuchFile = 154, kIdsFoundAt = 700;
constexpr int kNameWidth = 124, kTagsWidth = 135;
constexpr DWORD kAutoCompleteOptions = 0x23;

std::string Format(int id, const std::string& value)
{
    char text[4096];
    std::snprintf(text, sizeof text, LoadResString(id).c_str(), value.c_str());
    return text;
}

} // namespace

BrowseTagDialog::BrowseTagDialog(int templateId, OfficeApplication& officeApp, TypeList documentTypes,
                                 QWidget* pOwner)
    : TemplateDialog(templateId, pOwner), m_officeApp(officeApp),
      m_list(*officeApp.Database(), std::move(documentTypes))
{
}

void BrowseTagDialog::InitList()
{
    m_pList = Control<QTreeWidget>(kList);
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QString::fromStdString(LoadResString(kIdsNameColumn)),
                              QString::fromStdString(LoadResString(kIdsTagsColumn))});
    m_pList->setColumnWidth(0, kNameWidth);
    m_pList->setColumnWidth(1, kTagsWidth);
    m_pList->header()->setSectionsClickable(false); // no sorting by header
    m_pList->setSortingEnabled(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows); // full-row selection
    m_pList->setUniformRowHeights(true);
    // Clicks are the dialog's: the list shows the chosen file, nothing else.
    m_pList->viewport()->installEventFilter(this);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, [this] { ShowSelection(); });
    m_pOpenButton = Control<QPushButton>(IDOK);
    m_pOpenButton->setEnabled(false);
}

void BrowseTagDialog::InitSearch()
{
    m_pSearch = Control<QLineEdit>(kSearchEdit);
    m_editControl.Subclass(this, m_pSearch);
    m_pSearch->setFocus(Qt::OtherFocusReason);
    FillList();
    ComPtr<CustomAutoComplete> spAutoComplete = MakeComObject<CustomAutoComplete>();
    m_editControl.SetAutoComplete(spAutoComplete);
    spAutoComplete->Bind(m_pSearch, kAutoCompleteOptions);
    for (const std::string& tag : m_officeApp.Database()->GetAllTags()) spAutoComplete->AddItem(tag);
    m_pSearch->setText(QString::fromStdString(queryText));
}

void BrowseTagDialog::FillList()
{
    m_list.Fill(queryText);
    m_pList->clear();
    QList<QTreeWidgetItem*> rows;
    for (const FileItem& item : m_list.Items()) {
        auto* pRow = new QTreeWidgetItem({QString::fromStdString(item.name), QString::fromStdString(JoinTags(item.tags))});
        pRow->setToolTip(0, pRow->text(0));
        pRow->setToolTip(1, pRow->text(1));
        rows.push_back(pRow);
    }
    m_pList->addTopLevelItems(rows);
    ShowSelection();
    OnRefilled();
    UpdateButtons();
}

void BrowseTagDialog::ShowSelection()
{
    const bool bBlocked = m_pList->blockSignals(true);
    m_pList->clearSelection();
    if (QTreeWidgetItem* pRow = m_pList->topLevelItem(m_list.SelectedIndex())) {
        m_pList->setCurrentItem(pRow);
        pRow->setSelected(true);
    }
    m_pList->blockSignals(bBlocked);
}

void BrowseTagDialog::ReadQueryText()
{
    queryText = m_pSearch->text().toStdString();
    FillList();
}

void BrowseTagDialog::Unbind()
{
    if (CustomAutoComplete* pAutoComplete = m_editControl.AutoComplete()) pAutoComplete->Unbind();
}

void BrowseTagDialog::OnListClick(int row)
{
    const FileItem* pItem = m_list.Item(row);
    if (!pItem) return; // below the rows: nothing changes
    currentItem = *pItem;
    if (files::Exists(currentItem.path) && !files::IsDirectory(currentItem.path)) {
        m_list.Select(row);
        ShowSelection();
        OnExistingFileClicked(row);
        return;
    }
    Relocate();
}

std::optional<std::string> BrowseTagDialog::FindMovedFile() const
{
    // Its old folder first, then the folders of the other records.
    TaggingDatabase& database = *m_officeApp.Database();
    const auto folderOf = [](const std::string& path) {
        const auto sep = path.find_last_of('/');
        return sep == std::string::npos ? std::string() : path.substr(0, sep);
    };
    std::vector<std::string> folders = {folderOf(currentItem.path)};
    for (const FileItem& item : database.GetAllDocuments({}))
        if (files::IsFullPath(item.path) && item.path.starts_with('/'))
            folders.push_back(folderOf(item.path));
    std::erase_if(folders, [](const std::string& folder) { return folder.empty() || !files::IsDirectory(folder); });
    filematch::ContentCache cache;
    cache.Load(filematch::ContentCache::FileFor(database.DatabaseFile()));
    return filematch::FindMovedFile(currentItem, folders, cache,
                                    [&](const std::string& path) { return database.HasRecord(path); });
}

void BrowseTagDialog::Relocate()
{
    const std::string caption = LoadResString(kIdsCaption);
    std::optional<std::string> chosen;
    if (const std::optional<std::string> moved = FindMovedFile())
        if (CurrentPrompts().MessageBox(this, caption, Format(kIdsFoundAt, *moved), PromptButtons::YesNo) == IDYES)
            chosen = moved;
    if (!chosen) {
        const std::string text =
            LoadResString(kIdsFileNotFoundPart1) + currentItem.name + LoadResString(kIdsFileNotFoundPart2);
        if (CurrentPrompts().MessageBox(this, caption, text, PromptButtons::OkCancel) != IDOK) return;
        chosen = CurrentPrompts().OpenFile(this, LocateFilter(), LocateExtension());
        if (!chosen) return;
    }

    // A path as a script or a user typed it counts from the working folder.
    const std::string located = files::MakeFullPath(*chosen);
    std::string problem;
    switch (m_officeApp.RelocateDocument(currentItem.path, located)) {
    case OfficeApplication::Relocation::Relocated:
        FillList();
        return;
    case OfficeApplication::Relocation::NotFound: problem = Format(kIdsNoSuchFile, located); break;
    case OfficeApplication::Relocation::InTemporaryFolder: problem = LoadResString(kIdsTemporaryFolder); break;
    case OfficeApplication::Relocation::NotSaved: {
        std::string reason = m_officeApp.Database()->LastError();
        if (reason.empty()) reason = m_officeApp.Database()->DatabaseFile();
        problem = Format(kIdsNotSaved, reason);
        break;
    }
    }
    CurrentPrompts().MessageBox(this, caption, problem, PromptButtons::Ok);
}

void BrowseTagDialog::OnListRightClick(int row, const QPoint& globalPos)
{
    const FileItem* pItem = m_list.Item(row);
    m_strMenuPath = pItem ? pItem->path : std::string();
    ShowFileMenu(globalPos, pItem != nullptr);
}

void BrowseTagDialog::ShowFileMenu(const QPoint& globalPos, bool bOnRow)
{
    const MenuTemplate* pTemplate = FindMenuTemplate(IDR_FILEMENU);
    if (!pTemplate) return;
    if (m_pMenu) m_pMenu->close();
    auto* pMenu = new QMenu(QString::fromStdString(pTemplate->text), this);
    pMenu->setAttribute(Qt::WA_DeleteOnClose); // the menu goes once it has closed
    for (const MenuItemTemplate& item : pTemplate->items) {
        if (item.id == 0) {
            pMenu->addSeparator();
            continue;
        }
        QAction* pAction = pMenu->addAction(QString::fromStdString(item.text));
        pAction->setEnabled(bOnRow);
        const int id = item.id;
        // The menu has hidden itself by the time an action fires.
        connect(pAction, &QAction::triggered, this, [this, id] { OnFileCommand(id); });
    }
    m_pMenu = pMenu;
    pMenu->popup(globalPos);
}

void BrowseTagDialog::OnFileCommand(int id)
{
    const std::string path = m_strMenuPath;
    if (path.empty()) return;
    switch (id) {
    case ID_FILE_SHOWINEXPLORER: ShowFileInExplorer(path); break;
    case ID_FILE_REMOVEENTRY:
        m_officeApp.Database()->RemoveDocument(path); // the file itself is not touched
        FillList();
        break;
    case ID_FILE_PROPERTIES:
        if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
            pHooks->Shell("properties", path);
        } else {
            PropertiesDialog dialog(m_officeApp, path, this);
            dialog.DoModal();
        }
        break;
    default: break;
    }
}

void BrowseTagDialog::OnCommand(int id)
{
    switch (id) {
    case kSearchButton: ReadQueryText(); return;
    case IDCANCEL:
        Unbind();
        EndDialog(IDCANCEL);
        return;
    default: return;
    }
}

bool BrowseTagDialog::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (m_pList && pWatched == m_pList->viewport()) {
        const QEvent::Type type = pEvent->type();
        if (type == QEvent::MouseButtonPress) {
            auto* pMouse = static_cast<QMouseEvent*>(pEvent);
            const QPoint pos = pMouse->position().toPoint();
            QTreeWidgetItem* pRow = m_pList->itemAt(pos);
            const int row = pRow ? m_pList->indexOfTopLevelItem(pRow) : -1;
            if (pMouse->button() == Qt::LeftButton) OnListClick(row);
            else if (pMouse->button() == Qt::RightButton) OnListRightClick(row, m_pList->viewport()->mapToGlobal(pos));
            return true;
        }
        if (type == QEvent::MouseButtonDblClick || type == QEvent::ContextMenu) return true;
    }
    return TemplateDialog::eventFilter(pWatched, pEvent);
}

} // namespace quillmark
