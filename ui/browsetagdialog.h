#pragma once
// BrowseTagDialog: what the two Browse Tags dialogs share. The search edit with
// its tag autocomplete, the list of matching files (Name, Tags) with the chosen
// file kept by path across refills (ui/browselist.h), the relocation of a listed
// file that has gone missing, and the File menu of a right-click: Show File in
// Explorer, Remove Entry From List, Properties. The menu acts on the row it was
// opened on; a right-click below the rows shows it with its actions disabled.
// The list works from the keyboard as by mouse: a key that moves its current row
// (arrows, Home, End, Page Up/Down; Space) chooses that row as a click does, and a
// double-click on an existing file is Open Document. An empty list says so where
// the rows would be. The dialog can be resized; the list grows with it.
// WordBrowseTagDialog and PowerPointBrowseTagDialog add what differs.
#include <QLabel>
#include <QLineEdit> // complete for the EditControl's edit
#include <QMenu>
#include <QPoint>
#include <QPointer>

#include "host/officeapplication.h"
#include "ui/browselist.h"
#include "ui/controls/editcontrol.h"
#include "ui/templatedialog.h"

#include <map>
#include <optional>
#include <string>

class QKeyEvent;
class QPushButton;
class QResizeEvent;
class QTreeWidget;

namespace quillmark {

class BrowseTagDialog : public TemplateDialog {
public:
    // The search text: set by the caller before showing; exchanged with edit 203.
    std::string queryText;

    const BrowseList& List() const { return m_list; }
    int SelectedIndex() const { return m_list.SelectedIndex(); }
    const FileItem& CurrentItem() const { return currentItem; }
    QTreeWidget* ListControl() const { return m_pList; }
    QLineEdit* SearchEdit() const { return m_pSearch; }
    QPushButton* OpenButton() const { return m_pOpenButton; }
    EditControl& SearchEditControl() { return m_editControl; }
    // The File menu while it is open; null otherwise.
    QMenu* OpenMenu() const { return m_pMenu; }

    // A left click on list row `row` (-1: below the rows), as the list reports it.
    void OnListClick(int row);
    // A right click on row `row` (-1: below the rows) at `globalPos`: the File menu.
    void OnListRightClick(int row, const QPoint& globalPos);
    // A double click on row `row`: Open Document when the row is the chosen existing file.
    void OnListDoubleClick(int row);
    // The "No tagged files match" line over the empty list; null while the list has rows.
    QLabel* EmptyLine() const { return m_pEmptyLine; }

protected:
    BrowseTagDialog(int templateId, OfficeApplication& officeApp, TypeList documentTypes, QWidget* pOwner);

    // The opening steps both dialogs share, called from their OnInitDialog.
    void InitList();
    void InitSearch();
    // Lists the files matching queryText again; the choice follows its file.
    void FillList();
    // Reads edit 203 into queryText and fills the list.
    void ReadQueryText();
    void Unbind();

    // A click on a row whose file exists; the row is chosen.
    virtual void OnExistingFileClicked(int row) = 0;
    // Enables the buttons that need a chosen file (after every fill).
    virtual void UpdateButtons() = 0;
    // After every fill, before UpdateButtons.
    virtual void OnRefilled() {}
    // The open-file dialog's filters for locating a file, joined by ";;" (the
    // first is the dialog's own), and its default extension. LocateFilters adds
    // all files last.
    virtual std::string LocateFilter() const = 0;
    virtual std::string LocateExtension() const = 0;
    std::string LocateFilters() const;
    // Moves and grows the controls for a window `dx` x `dy` larger than the template.
    virtual void LayOut(int dx, int dy);
    // Sets `pWidget` to its template geometry moved by (moveX, moveY) and grown by (growX, growY).
    void Place(QWidget* pWidget, int moveX, int moveY, int growX, int growY);
    // Takes the template geometry of every control (called once they are all made).
    void RememberLayout();

    void OnCommand(int id) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

    OfficeApplication& m_officeApp;
    BrowseList m_list;
    FileItem currentItem;
    EditControl m_editControl;
    QTreeWidget* m_pList = nullptr;
    QLineEdit* m_pSearch = nullptr;
    QPushButton* m_pOpenButton = nullptr;

private:
    void Relocate();
    // The one file that the missing current item could be after a move or rename
    // (docprops/filematch.h), looked for in its old folder and the other records' folders.
    std::optional<std::string> FindMovedFile() const;
    void ShowSelection();
    void ShowFileMenu(const QPoint& globalPos, bool bOnRow);
    bool OnListKey(QKeyEvent* pKey);
    void ShowEmptyLine(bool bEmpty);
    void PlaceEmptyLine();
    void OnFileCommand(int id);

    std::string m_strMenuPath; // the file the File menu was opened on
    QPointer<QMenu> m_pMenu;
    QPointer<QLabel> m_pEmptyLine;
    bool m_bListKey = false; // the view is moving its row for a key
    int m_nPressedRow = -1;  // the row of the last left press
    std::string m_pressedPath; // the file of that row when it was pressed
    QSize m_templateSize;
    int m_nListWidth = 0; // the list's width when the Name column was last fitted to it
    std::map<QWidget*, QRect> m_templateGeometry;
};

} // namespace quillmark
