#include "simoffice/mainwindow.h"

#include "simoffice/documenttab.h"
#include "simoffice/simoffice.h"
#include "simoffice/toolbarmirror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace quillmark::simoffice {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString FileFilter(HostKind host)
{
    return host == HostKind::Word
               ? "Documents (*.doc *.docx *.docm *.dot *.dotx *.odt *.ott *.rtf *.txt);;All files (*)"
               : "Presentations (*.ppt *.pptx *.pptm *.pot *.potx *.pps *.ppsx *.odp *.otp);;All files (*)";
}

} // namespace

MainWindow::MainWindow(SimOffice& office, QWidget* pParent) : QMainWindow(pParent), m_office(office)
{
    setObjectName("quillmarkHostWindow");
    setWindowTitle(HostTitle());
    m_pTabs = new QTabWidget(this);
    m_pTabs->setDocumentMode(true);
    setCentralWidget(m_pTabs);
    m_pToolBars = new ToolBarMirror(*this, office.CommandBars());

    QMenu* pFile = menuBar()->addMenu("&File");
    auto active = [this]() { return m_office.Model().Active(); };
    pFile->addAction("&Open...", QKeySequence::Open, this, [this] { OpenFiles(); });
    pFile->addAction("&New", QKeySequence::New, this, [this] { NewDocument(); });
    pFile->addAction("&Save", QKeySequence::Save, this, [this, active] {
        if (SimDocument* pDoc = active()) SaveDocument(*pDoc, false);
    });
    pFile->addAction("Save &As...", QKeySequence::SaveAs, this, [this, active] {
        if (SimDocument* pDoc = active()) SaveDocument(*pDoc, true);
    });
    pFile->addAction("&Close", QKeySequence::Close, this, [this, active] {
        if (SimDocument* pDoc = active()) CloseDocument(*pDoc);
    });
    pFile->addSeparator();
    pFile->addAction("P&roperties...", this, [this, active] {
        if (SimDocument* pDoc = active()) EditProperties(*pDoc);
    });
    pFile->addSeparator();
    pFile->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });

    // Choosing a tab is switching windows in the real host: WindowActivate follows.
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_bSyncing || index < 0) return;
        auto* pTab = static_cast<DocumentTab*>(m_pTabs->widget(index));
        m_office.Model().Activate(&pTab->Document());
    });

    m_nListener = m_office.Model().AddListener([this] { ScheduleSync(); });
    m_office.CommandBars().SetChangeHook([this] { ScheduleSync(); });
    m_office.Model().SetNotices([this](const std::string& text) {
        statusBar()->showMessage(Q(text), 15000);
        fprintf(stderr, "warning: %s\n", text.c_str());
    });
    m_office.SetWindow(this);
    // Add-ins find the window their dialogs belong to here.
    qApp->setProperty("quillmarkHostWindow", QVariant::fromValue<QObject*>(this));
    resize(900, 560);
    Sync();
}

MainWindow::~MainWindow()
{
    if (m_office.Window() == this) m_office.SetWindow(nullptr);
    m_office.Model().RemoveListener(m_nListener);
    m_office.CommandBars().SetChangeHook({});
    m_office.Model().SetNotices({});
    if (qApp->property("quillmarkHostWindow").value<QObject*>() == this) qApp->setProperty("quillmarkHostWindow", QVariant());
}

void MainWindow::ScheduleSync()
{
    if (m_bSyncPending) return;
    m_bSyncPending = true;
    QTimer::singleShot(0, this, [this] { Sync(); });
}

DocumentTab* MainWindow::TabOf(const SimDocument* pDoc) const
{
    for (int i = 0; i < m_pTabs->count(); ++i) {
        auto* pTab = static_cast<DocumentTab*>(m_pTabs->widget(i));
        if (&pTab->Document() == pDoc) return pTab;
    }
    return nullptr;
}

void MainWindow::Sync()
{
    m_bSyncPending = false;
    m_bSyncing = true;
    OfficeModel& model = m_office.Model();
    // Tabs of closed documents go; open documents get a tab, in opening order.
    for (int i = m_pTabs->count() - 1; i >= 0; --i) {
        auto* pTab = static_cast<DocumentTab*>(m_pTabs->widget(i));
        if (model.IndexOf(&pTab->Document()) == 0) {
            m_pTabs->removeTab(i);
            delete pTab;
        }
    }
    for (int i = 1; i <= model.Count(); ++i) {
        SimDocument* pDoc = model.Item(i);
        DocumentTab* pTab = TabOf(pDoc);
        if (!pTab) {
            pTab = new DocumentTab(*pDoc, model, m_office.Host() == HostKind::PowerPoint);
            m_pTabs->insertTab(i - 1, pTab, QString());
        }
        pTab->Sync();
        int index = m_pTabs->indexOf(pTab);
        m_pTabs->setTabText(index, Q(pDoc->Name()) + (pDoc->Saved() ? "" : " *"));
        m_pTabs->setTabToolTip(index, Q(pDoc->FullName()));
    }
    if (DocumentTab* pActive = TabOf(model.Active())) m_pTabs->setCurrentWidget(pActive);
    setWindowTitle(model.Active() ? Q(model.Active()->Name()) + " - " + HostTitle() : HostTitle());
    m_pToolBars->Sync();
    m_bSyncing = false;
}

QImage MainWindow::Picture()
{
    Sync();
    // A window not on screen is laid out for the picture as it would be there.
    return grab().toImage();
}

QString MainWindow::HostTitle() const
{
    return m_office.Host() == HostKind::Word ? "Word (simulated)" : "PowerPoint (simulated)";
}

void MainWindow::ShowError(const std::string& text)
{
    QMessageBox::warning(this, HostTitle(), Q(text));
}

bool MainWindow::OpenFiles()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, "Open", QString(), FileFilter(m_office.Host()));
    bool bAll = !paths.isEmpty();
    for (const QString& path : paths) {
        std::string error;
        if (!m_office.Model().Open(path.toStdString(), 0, &error)) {
            ShowError(error);
            bAll = false;
        }
    }
    return bAll;
}

bool MainWindow::NewDocument() { return m_office.Model().New() != nullptr; }

bool MainWindow::SaveDocument(SimDocument& doc, bool bAskForName)
{
    OfficeModel& model = m_office.Model();
    std::string path;
    const bool bDialog = bAskForName || !doc.HasFile();
    if (bDialog) {
        QString chosen = QFileDialog::getSaveFileName(this, "Save As", Q(doc.HasFile() ? doc.FullName() : doc.Name()),
                                                      FileFilter(m_office.Host()));
        if (chosen.isEmpty() || model.IndexOf(&doc) == 0) return false;
        path = chosen.toStdString();
    }
    std::string error;
    bool bOk = model.Save(&doc, path, &error);
    // The Save As dialog closed: the document's window has the focus again.
    if (bDialog) model.RefocusActiveWindow();
    if (!bOk) ShowError(error);
    return bOk;
}

bool MainWindow::AskToSave(SimDocument& doc)
{
    if (doc.Saved()) return true;
    QMessageBox box(QMessageBox::Warning, HostTitle(),
                    "Do you want to save the changes you made to " + Q(doc.Name()) + "?",
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setInformativeText("Your changes will be lost if you don't save them.");
    box.setDefaultButton(QMessageBox::Save);
    const int answer = box.exec();
    // The question runs an event loop: an add-in may have closed the document meanwhile.
    if (m_office.Model().IndexOf(&doc) == 0) return answer != QMessageBox::Cancel;
    switch (answer) {
    case QMessageBox::Save: return SaveDocument(doc, false);
    case QMessageBox::Discard: return true;
    default: return false;
    }
}

bool MainWindow::CloseDocument(SimDocument& doc)
{
    if (!AskToSave(doc)) return false;
    OfficeModel& model = m_office.Model();
    // The question may have taken long enough for the document to be closed meanwhile.
    return model.IndexOf(&doc) == 0 || model.Close(&doc);
}

bool MainWindow::EditProperties(SimDocument& doc)
{
    QDialog dialog(this);
    dialog.setWindowTitle(Q(doc.Name()) + " Properties");
    auto* pLayout = new QVBoxLayout(&dialog);
    auto* pForm = new PropertiesForm(doc, m_office.Model(), false, &dialog);
    pLayout->addWidget(pForm);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    pLayout->addWidget(pButtons);
    dialog.resize(460, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted || m_office.Model().IndexOf(&doc) == 0) return false;
    pForm->Apply();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* pEvent)
{
    OfficeModel& model = m_office.Model();
    for (int i = 1; i <= model.Count(); ++i) {
        SimDocument* pDoc = model.Item(i);
        if (!pDoc->Saved()) {
            model.Activate(pDoc);
            if (!AskToSave(*pDoc)) {
                pEvent->ignore();
                return;
            }
        }
    }
    pEvent->accept();
}

} // namespace quillmark::simoffice
