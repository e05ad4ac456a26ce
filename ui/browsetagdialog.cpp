#include "ui/browsetagdialog.h"

#include "docprops/filematch.h"
#include "officeapi/scripthooks.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "store/taggingdatabase.h"
#include "ui/controls/customautocomplete.h"
#include "ui/prompts.h"
#include "ui/propertiesdialog.h"
#include "ui/shellactions.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QResizeEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <map>

namespace quillmark {

namespace {
constexpr int kSearchEdit = 203, kList = 206, kSearchButton = 208;
constexpr int kIdsCaption = 100, kIdsNameColumn = 159, kIdsTagsColumn = 160;
constexpr int kIdsFileNotFoundPart1 = 129, kIdsFileNotFoundPart2 = 130;
constexpr int kIdsTemporaryFolder = 128, kIdsNotSaved = 136, kIdsNoSuchFile = 154, kIdsNoMatch = 704;
constexpr int kIdsAllFiles = 706, kIdsFoundAt = 710;
constexpr int kNameWidth = 124, kTagsWidth = 135;
constexpr DWORD kAutoCompleteOptions = 0x23;

// Keys that move the list's current row, as a person moves through the list.
bool IsListNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Space: return true;
    default: return false;
    }
}

} // namespace

std::string BrowseTagDialog::LocateFilters() const
{
    return LocateFilter() + ";;" + LoadResString(kIdsAllFiles);
}

BrowseTagDialog::BrowseTagDialog(int templateId, OfficeApplication& officeApp, TypeList documentTypes,
                                 QWidget* pOwner)
    : TemplateDialog(templateId, pOwner), m_officeApp(officeApp),
      m_list(*officeApp.Database(), std::move(documentTypes))
{
    // The template's size is the smallest; the list (and a preview) grow with the window.
    m_templateSize = size();
    setMinimumSize(m_templateSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
}

void BrowseTagDialog::RememberLayout()
{
    for (const auto& [id, pWidget] : m_controls) m_templateGeometry[pWidget] = pWidget->geometry();
}

void BrowseTagDialog::Place(QWidget* pWidget, int moveX, int moveY, int growX, int growY)
{
    if (!pWidget) return;
    auto it = m_templateGeometry.find(pWidget);
    if (it == m_templateGeometry.end()) it = m_templateGeometry.emplace(pWidget, pWidget->geometry()).first;
    const QRect& r = it->second;
    pWidget->setGeometry(r.x() + moveX, r.y() + moveY, r.width() + growX, r.height() + growY);
}

void BrowseTagDialog::resizeEvent(QResizeEvent* pEvent)
{
    TemplateDialog::resizeEvent(pEvent);
    if (m_templateGeometry.empty()) return;
    const int dx = std::max(0, width() - m_templateSize.width());
    const int dy = std::max(0, height() - m_templateSize.height());
    LayOut(dx, dy);
    // The Name column takes half of what the list gains or loses (the Tags column,
    // the last, the rest), keeping what the user dragged it to otherwise.
    if (m_pList) {
        const int listWidth = m_pList->width();
        if (m_nListWidth == 0) m_nListWidth = m_templateGeometry.count(m_pList) ? m_templateGeometry[m_pList].width() : listWidth;
        if (listWidth != m_nListWidth)
            m_pList->setColumnWidth(0, std::max(kNameWidth, m_pList->columnWidth(0) + (listWidth - m_nListWidth) / 2));
        m_nListWidth = listWidth;
    }
    PlaceEmptyLine();
}

void BrowseTagDialog::LayOut(int dx, int dy)
{
    Place(Control(kSearchEdit), 0, 0, dx, 0);
    Place(Control(kSearchButton), dx, 0, 0, 0);
    Place(m_pList, 0, 0, dx, dy);
    Place(Control(IDOK), dx, dy, 0, 0);
    Place(Control(IDCANCEL), dx, dy, 0, 0);
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
    // A name told apart by its folder ends in the folder's last parts: cut in the middle.
    m_pList->setTextElideMode(Qt::ElideMiddle);
    // Clicks are the dialog's: the list shows the chosen file, nothing else.
    m_pList->viewport()->installEventFilter(this);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_bListKey) ShowSelection();
    });
    m_pOpenButton = Control<QPushButton>(IDOK);
    m_pOpenButton->setEnabled(false);
    // Keys to the list select as clicks do.
    m_pList->installEventFilter(this);
    RememberLayout();
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
    // Names that more than one listed file has are told apart by their folders.
    std::map<std::string, int> nameCounts;
    for (const FileItem& item : m_list.Items()) ++nameCounts[item.name];
    QList<QTreeWidgetItem*> rows;
    for (const FileItem& item : m_list.Items()) {
        std::string name = item.name;
        if (nameCounts[item.name] > 1) name += " (" + FolderOfPath(item.path) + ")";
        auto* pRow = new QTreeWidgetItem({QString::fromStdString(name), QString::fromStdString(JoinTags(item.tags))});
        pRow->setToolTip(0, QString::fromStdString(item.path));
        pRow->setToolTip(1, pRow->text(1));
        rows.push_back(pRow);
    }
    m_pList->addTopLevelItems(rows);
    ShowEmptyLine(rows.isEmpty());
    ShowSelection();
    OnRefilled();
    UpdateButtons();
}

void BrowseTagDialog::ShowEmptyLine(bool bEmpty)
{
    // Made only while the list is empty, so that a printout of the dialog names it then alone.
    if (!bEmpty) {
        delete m_pEmptyLine;
        return;
    }
    if (!m_pEmptyLine) {
        m_pEmptyLine = new QLabel(QString::fromStdString(LoadResString(kIdsNoMatch)), m_pList->viewport());
        m_pEmptyLine->setAlignment(Qt::AlignCenter);
        m_pEmptyLine->setWordWrap(true);
        // Drawn grey, as a note rather than a row.
        QPalette palette = m_pEmptyLine->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Disabled, QPalette::WindowText));
        m_pEmptyLine->setPalette(palette);
        m_pEmptyLine->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_pEmptyLine->setProperty(automation::kControlIdProperty, kNoControlId);
        m_pEmptyLine->setProperty(automation::kControlKindProperty, "static");
    }
    PlaceEmptyLine();
    m_pEmptyLine->show();
}

void BrowseTagDialog::PlaceEmptyLine()
{
    if (!m_pEmptyLine || !m_pList) return;
    const QRect area = m_pList->viewport()->rect();
    m_pEmptyLine->setGeometry(area.adjusted(4, 4, -4, -4).intersected(QRect(0, 4, area.width(), 3 * fontMetrics().height())));
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
        if (CurrentPrompts().MessageBox(this, caption, FormatResString(kIdsFoundAt, *moved), PromptButtons::YesNo,
                                        PromptIcon::Question) == IDYES)
            chosen = moved;
    if (!chosen) {
        const std::string text =
            LoadResString(kIdsFileNotFoundPart1) + currentItem.name + LoadResString(kIdsFileNotFoundPart2);
        if (CurrentPrompts().MessageBox(this, caption, text, PromptButtons::OkCancel, PromptIcon::Question) != IDOK)
            return;
        // The locate dialog starts where the file was (or the nearest folder left of it).
        chosen = CurrentPrompts().OpenFile(this, LocateFilters(), LocateExtension(),
                                           NearestExistingFolder(currentItem.path));
        if (!chosen) return;
    }

    // A path as a script or a user typed it counts from the working folder.
    const std::string located = files::MakeFullPath(*chosen);
    std::string problem;
    switch (m_officeApp.RelocateDocument(currentItem.path, located)) {
    case OfficeApplication::Relocation::Relocated:
        FillList();
        return;
    case OfficeApplication::Relocation::NotFound: problem = FormatResString(kIdsNoSuchFile, located); break;
    case OfficeApplication::Relocation::InTemporaryFolder: problem = LoadResString(kIdsTemporaryFolder); break;
    case OfficeApplication::Relocation::NotSaved: {
        std::string reason = m_officeApp.Database()->LastError();
        if (reason.empty()) reason = m_officeApp.Database()->DatabaseFile();
        problem = FormatResString(kIdsNotSaved, reason);
        break;
    }
    }
    CurrentPrompts().MessageBox(this, caption, problem, PromptButtons::Ok, PromptIcon::Warning);
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
    case ID_FILE_SHOWINEXPLORER: ShowFileInExplorer(this, path); break;
    case ID_FILE_REMOVEENTRY:
        m_officeApp.Database()->RemoveDocument(path); // the file itself is not touched
        FillList();
        break;
    case ID_FILE_PROPERTIES:
        CurrentPrompts().ShowProperties(path, [this, &path] {
            PropertiesDialog dialog(m_officeApp, path, this);
            dialog.DoModal();
        });
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

bool BrowseTagDialog::OnListKey(QKeyEvent* pKey)
{
    if (!IsListNavigationKey(pKey->key()) || (pKey->modifiers() & ~Qt::KeypadModifier)) return false;
    // The view moves its current row; the dialog then chooses that row as a click would.
    // With no row chosen, Up, Down and Space choose the row that has the focus frame (else the first).
    const int key = pKey->key();
    const bool bStay = key == Qt::Key_Space ||
                       (m_list.SelectedIndex() < 0 && (key == Qt::Key_Up || key == Qt::Key_Down));
    if (!bStay) {
        m_bListKey = true;
        static_cast<QObject*>(m_pList)->event(pKey);
        m_bListKey = false;
    }
    QTreeWidgetItem* pCurrent = m_pList->currentItem();
    if (!pCurrent && m_pList->topLevelItemCount() > 0) pCurrent = m_pList->topLevelItem(0);
    const int row = pCurrent ? m_pList->indexOfTopLevelItem(pCurrent) : -1;
    if (row >= 0 && row != m_list.SelectedIndex()) OnListClick(row);
    if (m_pList) {
        ShowSelection();
        if (m_list.SelectedIndex() < 0 && row >= 0) m_pList->setCurrentItem(m_pList->topLevelItem(row), 0,
                                                                             QItemSelectionModel::NoUpdate);
    }
    pKey->accept();
    return true;
}

void BrowseTagDialog::OnListDoubleClick(int row)
{
    // A double-click on an existing file is Open Document. Its first click has
    // chosen the file (or asked to locate a missing file, which is not asked twice).
    // That click may have refilled the list (a regenerated preview moves the
    // record to the end), so the file is followed by its path, not its row.
    const FileItem* pItem = m_list.Item(row);
    if (!pItem) return;
    std::string path = pItem->path;
    const FileItem* pChosen = m_list.Selected();
    if (row == m_nPressedRow && !m_pressedPath.empty()) {
        path = m_pressedPath;
        if (!pChosen || pChosen->path != path) return; // its press found the file missing and asked already
    }
    else if (row != m_list.SelectedIndex()) {
        OnListClick(row);
    }
    pChosen = m_list.Selected();
    if (pChosen && pChosen->path == path && files::Exists(path) && !files::IsDirectory(path) && m_pOpenButton &&
        m_pOpenButton->isEnabled())
        Command(IDOK);
}

bool BrowseTagDialog::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (m_pList && pWatched == m_pList && pEvent->type() == QEvent::KeyPress)
        return OnListKey(static_cast<QKeyEvent*>(pEvent));
    if (m_pList && pWatched == m_pList->viewport()) {
        const QEvent::Type type = pEvent->type();
        if (type == QEvent::MouseButtonPress) {
            auto* pMouse = static_cast<QMouseEvent*>(pEvent);
            const QPoint pos = pMouse->position().toPoint();
            QTreeWidgetItem* pRow = m_pList->itemAt(pos);
            const int row = pRow ? m_pList->indexOfTopLevelItem(pRow) : -1;
            if (pMouse->button() == Qt::LeftButton) {
                m_nPressedRow = row;
                const FileItem* pPressed = m_list.Item(row);
                m_pressedPath = pPressed ? pPressed->path : std::string();
                OnListClick(row);
            }
            else if (pMouse->button() == Qt::RightButton) OnListRightClick(row, m_pList->viewport()->mapToGlobal(pos));
            return true;
        }
        if (type == QEvent::MouseButtonDblClick) {
            auto* pMouse = static_cast<QMouseEvent*>(pEvent);
            QTreeWidgetItem* pRow = m_pList->itemAt(pMouse->position().toPoint());
            if (pMouse->button() == Qt::LeftButton && pRow) OnListDoubleClick(m_pList->indexOfTopLevelItem(pRow));
            return true;
        }
        if (type == QEvent::ContextMenu) return true;
    }
    return TemplateDialog::eventFilter(pWatched, pEvent);
}

} // namespace quillmark
