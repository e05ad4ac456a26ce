#include "ui/tagdialog.h"

#include "host/powerpointapplication.h"
#include "host/wordapplication.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "store/tagtext.h"
#include "ui/backgroundstep.h"
#include "ui/prompts.h"

#include "ui/controls/label.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cassert>
#include <cstdio>

namespace quillmark {

TagDialog::TagDialog(PowerPointApplication& officeApp, powerpoint::_PresentationPtr spPresentation, QWidget* pOwner)
    : TemplateDialog(IDD_TAGDIALOG, pOwner), m_officeApp(officeApp), m_pPowerPoint(&officeApp),
      m_spPresentation(std::move(spPresentation)), m_nDocumentKind(1)
{
    assert(m_spPresentation && "pPresentation != 0");
    m_strFullName = officeApp.GetFullName(m_spPresentation);
}

TagDialog::TagDialog(WordApplication& officeApp, word::_DocumentPtr spDocument, QWidget* pOwner)
    : TemplateDialog(IDD_TAGDIALOG, pOwner), m_officeApp(officeApp), m_pWord(&officeApp),
      m_spDocument(std::move(spDocument)), m_nDocumentKind(2)
{
    assert(m_spDocument && "pDocument != 0");
    m_strFullName = officeApp.GetFullName(m_spDocument);
}

void TagDialog::OnInitDialog()
{
    m_pTagButton = Control<QPushButton>(IDOK);
    m_windowTagViewProgress = new TagViewProgress(this);
    PlacePanel(*m_windowTagViewProgress, 217);
    m_windowTagViewForm = new TagViewForm(m_officeApp, m_strFullName, this);
    PlacePanel(*m_windowTagViewForm, 217);
    m_windowTagViewForm->show();

    std::string& tagsText = m_windowTagViewForm->tagsText;
    if (!tagsText.empty()) tagsText += ", ";
    if (m_officeApp.IsInTemporaryFolder(m_strFullName)) m_pTagButton->setEnabled(false);
    QLineEdit* pEdit = m_windowTagViewForm->TagsEdit();
    pEdit->setFocus(Qt::OtherFocusReason);

    const std::string newTagNote = LoadResString(127);
    tagsText += newTagNote;
    m_windowTagViewForm->WriteTagsText();
    // Lengths in characters, as the edit counts them.
    const auto length = static_cast<int>(QString::fromStdString(tagsText).size());
    const auto noteLength = static_cast<int>(QString::fromStdString(newTagNote).size());
    if (length - noteLength > 0) pEdit->setSelection(length - noteLength, noteLength);
    else pEdit->selectAll();
    pEdit->setFocus(Qt::OtherFocusReason);
    if (!m_pTagButton->isEnabled()) {
        // Nothing can be tagged here: the entry is shut along with Tag, showing the
        // tags without a selection that invites typing, and says why as label 204
        // does. Cancel, all that is left to do, takes the focus (an edit that kept it
        // would be wholly selected when the dialog shows).
        pEdit->deselect();
        pEdit->setEnabled(false);
        pEdit->setToolTip(QString::fromStdString(LoadResString(128)));
        Control<QPushButton>(IDCANCEL)->setFocus(Qt::OtherFocusReason);
    }
}

std::string TagDialog::RemovePlaceholder(const std::string& tagsText, const std::string& placeholder)
{
    std::string result;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = tagsText.find(',', start);
        const std::string piece = tagsText.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (TrimTag(piece) != placeholder) result += piece;
        if (comma == std::string::npos) break;
        result += ',';
        start = comma + 1;
    }
    return result;
}

void TagDialog::BeginStoring()
{
    m_windowTagViewForm->ReadTagsText();
    std::string& tagsText = m_windowTagViewForm->tagsText;
    tagsText = RemovePlaceholder(tagsText, LoadResString(127));
    m_windowTagViewForm->hide();
    m_windowTagViewProgress->show();
    const AppSettings* pSettings = m_officeApp.Settings();
    if ((!pSettings || pSettings->GlobalDefaultFileNameTag != 1) && m_officeApp.HasFilePath()) {
        if (!tagsText.empty()) tagsText += ", ";
        tagsText += OfficeApplication::GetFileNameTag(m_strFullName);
    }
}

bool TagDialog::StoreToDatabase()
{
    BeginStoring();
    const std::string& tagsText = m_windowTagViewForm->tagsText;
    m_windowTagViewProgress->SetStatus(10, LoadResString(118));
    TaggingDatabase* pDatabase = m_officeApp.Database();
    // An empty text stores nothing (and is no failure); anything else must reach the file.
    if (pDatabase && !tagsText.empty() && !pDatabase->SetDocumentTags(m_strFullName, tagsText)) {
        std::string reason = pDatabase->LastError();
        if (reason.empty()) reason = pDatabase->DatabaseFile();
        char text[2048];
        std::snprintf(text, sizeof text, LoadResString(136).c_str(), reason.c_str());
        CurrentPrompts().MessageBox(this, windowTitle().toStdString(), text, PromptButtons::Ok, PromptIcon::Warning);
        ReturnToForm();
        return false;
    }
    m_windowTagViewProgress->SetStatus(25, LoadResString(119));
    m_officeApp.RefreshTagToolbar(m_strFullName, false);
    const AppSettings* pSettings = m_officeApp.Settings();
    if (pSettings && pSettings->PPTCreatePreviewAtInsert == 0 && m_nDocumentKind == 1) {
        m_windowTagViewProgress->SetStatus(75, LoadResString(120));
        SavePresentationPreview();
    }
    m_windowTagViewProgress->SetStatus(100, LoadResString(121));
    return true;
}

void TagDialog::StoreToDocument()
{
    BeginStoring();
    m_windowTagViewProgress->SetStatus(10, LoadResString(118));
    const TagList tags = SplitTags(m_windowTagViewForm->tagsText);
    if (m_nDocumentKind == 1) m_pPowerPoint->SetKeywords(m_spPresentation, tags);
    else m_pWord->SetKeywords(m_spDocument, tags);
    m_windowTagViewProgress->SetStatus(25, LoadResString(119));
    m_officeApp.RefreshTagToolbar(m_strFullName, false);
    m_windowTagViewProgress->SetStatus(100, LoadResString(121));
}

void TagDialog::ReturnToForm()
{
    m_windowTagViewProgress->hide();
    m_windowTagViewProgress->Bar()->setValue(0);
    m_windowTagViewProgress->Status()->setText(QString());
    m_windowTagViewForm->show();
    m_windowTagViewForm->TagsEdit()->setFocus(Qt::OtherFocusReason);
}

void TagDialog::OnCommand(int id)
{
    if (id == IDOK) {
        if (!m_pTagButton->isEnabled()) return;
        if (m_officeApp.HasFilePath() && !m_officeApp.IsInTemporaryFolder(m_strFullName)) {
            if (!StoreToDatabase()) return;
        } else {
            StoreToDocument();
        }
        EndDialog(IDOK);
        return;
    }
    if (id == IDCANCEL) EndDialog(IDCANCEL);
}

void TagDialog::SavePresentationPreview()
{
    // The images of the presentation as it stands now; a failure leaves the
    // previews to be made when the presentation is browsed.
    // The export runs beside the event loop: the dialog repaints while it lasts.
    DialogStepRunner runner(*this, m_windowTagViewProgress);
    if (m_pPowerPoint) m_pPowerPoint->SavePresentationPreview(&runner);
}

} // namespace quillmark
