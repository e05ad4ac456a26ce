#pragma once
// The simulated host's main window: a File menu (Open..., New, Save, Save As...,
// Close, Properties..., Quit), one tab per open document, and the add-ins' command
// bars as tool bars. The window follows the office model and the command bars as
// they change, whoever changes them (the user, an add-in, a script); choosing a tab
// activates its document. Closing a document or the window with unsaved changes asks
// first: Save, Discard or Cancel.
#include <QMainWindow>

#include <string>

class QTabWidget;

namespace quillmark::simoffice {

class DocumentTab;
class SimDocument;
class SimOffice;
class ToolBarMirror;

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(SimOffice& office, QWidget* pParent = nullptr);
    ~MainWindow() override;

    // Shows the model and the command bars as they are now (normally done from the
    // event loop shortly after a change).
    void Sync();
    // The window as it looks, drawn even when it is not on screen (for screenshots).
    QImage Picture();

    ToolBarMirror& ToolBars() { return *m_pToolBars; }
    QTabWidget& Tabs() { return *m_pTabs; }
    DocumentTab* TabOf(const SimDocument* pDoc) const;

    // The File menu's commands; false when the user cancelled or it failed (said so).
    bool OpenFiles();
    bool NewDocument();
    bool SaveDocument(SimDocument& doc, bool bAskForName);
    // Asks first when the document has unsaved changes.
    bool CloseDocument(SimDocument& doc);
    bool EditProperties(SimDocument& doc);

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void ScheduleSync();
    // Save, Discard or Cancel for a document with unsaved changes; true to go on.
    bool AskToSave(SimDocument& doc);
    void ShowError(const std::string& text);
    QString HostTitle() const;

    SimOffice& m_office;
    QTabWidget* m_pTabs;
    ToolBarMirror* m_pToolBars;
    int m_nListener = 0;
    bool m_bSyncPending = false;
    bool m_bSyncing = false;
};

} // namespace quillmark::simoffice
