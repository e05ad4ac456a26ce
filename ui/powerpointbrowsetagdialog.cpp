#include "ui/powerpointbrowsetagdialog.h"

#include "host/powerpointapplication.h"
#include "host/previewfolder.h"
#include "platform/files/files.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "ui/browseprogresspanel.h"
#include "ui/controls/label.h"
#include "ui/backgroundstep.h"
#include "ui/prompts.h"
#include "ui/shellactions.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

namespace quillmark {

namespace {
constexpr int kPanelPlaceholder = 227, kWebsiteLink = 213;
constexpr int kIdsInsertSlide = 113, kIdsGenerating = 123, kIdsFinished = 121;
constexpr int kIdsPowerPointFilter = 151, kIdsOpenDocumentPresentationFilter = 153;
constexpr int kIdsPresentationFilter = 708, kIdsPictureFilter = 709, kIdsInserted = 705;
constexpr int kSearchEdit = 203, kSearchButton = 208;
} // namespace

PowerPointBrowseTagDialog::PowerPointBrowseTagDialog(OfficeApplication& officeApp, QWidget* pOwner)
    : BrowseTagDialog(IDD_POWERPOINTBROWSETAGDIALOG, officeApp, {"ppt", "jpg", "bmp", "gif", "odp"}, pOwner),
      m_pPowerPoint(dynamic_cast<PowerPointApplication*>(&officeApp))
{
}

void PowerPointBrowseTagDialog::OnInitDialog()
{
    m_windowProgress = new BrowseProgressPanel(this);
    PlacePanel(*m_windowProgress, kPanelPlaceholder);
    m_windowViewForm = new SlidePreviewPane(m_officeApp, *this, this);
    PlacePanel(*m_windowViewForm, kPanelPlaceholder);
    m_windowViewForm->ShowPlaceholder();
    m_windowViewForm->show();

    InitList();
    m_pInsertButton = Control<QPushButton>(IDC_INSERTSLIDE);
    m_pInsertButton->setEnabled(false);

    m_pLink = Control<Label>(kWebsiteLink);
    const std::string website = m_officeApp.Settings() ? m_officeApp.Settings()->GetWebsiteURL() : std::string();
    m_pLink->SetText(website).SetFontUnderline(true).SetTextColor(0xFF0000).SetLink(true, false).SetLinkCursor();

    InitSearch();
    RememberLayout();
    // The list follows the text as it is typed (set after the initial text went in).
    connect(m_pSearch, &QLineEdit::textChanged, this, [this] { OnSearch(); });
}

void PowerPointBrowseTagDialog::OnSearch()
{
    m_windowViewForm->slideCount = 0;
    ReadQueryText();
    m_windowViewForm->ClearItem();
    m_windowViewForm->ShowPlaceholder();
}

void PowerPointBrowseTagDialog::UpdateButtons()
{
    const bool bPreviewed = m_windowViewForm && m_windowViewForm->slideCount > 0 && SelectedIndex() >= 0;
    m_pOpenButton->setEnabled(bPreviewed);
    // A slide goes into the presentation being edited: PowerPoint must have one.
    m_pInsertButton->setEnabled(bPreviewed && m_pPowerPoint && m_pPowerPoint->GetActivePresentation());
}

void PowerPointBrowseTagDialog::UpdateInsertSlideText(int slide, int)
{
    char text[128];
    std::snprintf(text, sizeof text, LoadResString(kIdsInsertSlide).c_str(), slide);
    m_pInsertButton->setText(QString::fromUtf8(text));
}

void PowerPointBrowseTagDialog::OnRefilled()
{
    // The previewed file is no longer the chosen one: its preview goes too.
    if (SelectedIndex() < 0 && m_windowViewForm && !m_windowViewForm->previewItem.path.empty()) {
        m_windowViewForm->ClearItem();
        m_windowViewForm->ShowPlaceholder();
    }
}

void PowerPointBrowseTagDialog::LayOut(int dx, int dy)
{
    // The list and the preview share the width gained.
    const int listGrow = dx / 2, previewGrow = dx - listGrow;
    Place(Control(kSearchEdit), 0, 0, listGrow, 0);
    Place(Control(kSearchButton), listGrow, 0, 0, 0);
    Place(m_pList, 0, 0, listGrow, dy);
    Place(Control(kPanelPlaceholder), listGrow, 0, previewGrow, dy);
    Place(m_pLink, dx, 0, 0, 0);
    for (int id : {IDOK, IDCANCEL, IDC_INSERTSLIDE}) Place(Control(id), dx, dy, 0, 0);
    if (QWidget* pFrame = Control(kPanelPlaceholder)) {
        m_windowViewForm->move(pFrame->geometry().topLeft());
        m_windowViewForm->Stretch(previewGrow, dy);
        m_windowProgress->move(pFrame->geometry().topLeft());
        m_windowProgress->Stretch(previewGrow, dy);
    }
}

std::string PowerPointBrowseTagDialog::LocateFilter() const
{
    return LoadResString(kIdsPowerPointFilter) + ";;" + LoadResString(kIdsPresentationFilter) + ";;" +
           LoadResString(kIdsOpenDocumentPresentationFilter) + ";;" + LoadResString(kIdsPictureFilter);
}

void PowerPointBrowseTagDialog::OnExistingFileClicked(int)
{
    FileItem item = currentItem;
    CheckPreview(item);
    currentItem = item;
    m_windowViewForm->SetItem(currentItem);
    m_windowViewForm->ShowSlide();
}

void PowerPointBrowseTagDialog::CheckPreview(FileItem& item)
{
    const std::optional<files::FileTimes> times = files::GetFileTimes(item.path);
    const Time fileTime = times ? times->writeTime : 0;
    const AppSettings* pSettings = m_officeApp.Settings();
    const bool bFolder = pSettings && files::IsDirectory(PreviewFolder(*pSettings, item.md5));
    if (item.previewDate >= fileTime && bFolder) return; // up to date
    if (!m_pPowerPoint) return; // nothing to render with: the images that exist are shown

    m_windowViewForm->hide();
    m_windowProgress->show();
    m_windowProgress->SetStatus(50, LoadResString(kIdsGenerating));
    DialogStepRunner runner(*this, m_windowProgress);
    const bool bWritten = m_pPowerPoint->GeneratePreview(item.path, &runner);
    m_windowProgress->SetStatus(75, LoadResString(kIdsGenerating));
    // Only images actually written count as a preview; a failed one is tried again.
    if (bWritten) {
        item.previewDate = fileTime;
        m_officeApp.Database()->SetPreviewDate(item);
    }
    m_windowProgress->SetStatus(100, LoadResString(kIdsFinished));
    m_windowProgress->hide();
    m_windowViewForm->show();
    FillList();
}

void PowerPointBrowseTagDialog::OnCommand(int id)
{
    if (id != IDOK && id != IDC_INSERTSLIDE) {
        BrowseTagDialog::OnCommand(id);
        return;
    }
    const FileItem* pChosen = m_list.Selected();
    QPushButton* pButton = id == IDOK ? m_pOpenButton : m_pInsertButton;
    if (!pChosen || !pButton->isEnabled()) return;
    const std::string path = pChosen->path;
    Unbind();
    if (id == IDC_INSERTSLIDE) {
        const int slide = m_windowViewForm->currentSlide;
        const std::string name = pChosen->name;
        m_pPowerPoint->InsertSlideFromFile(path, slide);
        // The dialog goes at once: the status line says what was done.
        char text[1024];
        std::snprintf(text, sizeof text, LoadResString(kIdsInserted).c_str(), slide, name.c_str());
        CurrentPrompts().Status(100, text);
        EndDialog(IDC_INSERTSLIDE);
        return;
    }
    if (m_pPowerPoint) m_officeApp.OpenDocument(path);
    else OpenWithDesktop(this, path);
    EndDialog(IDOK);
}

} // namespace quillmark
