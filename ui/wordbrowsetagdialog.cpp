#include "ui/wordbrowsetagdialog.h"

#include "resources/strings.h"

#include <QPushButton>

namespace quillmark {

namespace {
constexpr int kIdsDocumentFilter = 150, kIdsOpenDocumentTextFilter = 152, kIdsWordFilter = 707;
} // namespace

WordBrowseTagDialog::WordBrowseTagDialog(OfficeApplication& officeApp, QWidget* pOwner)
    : BrowseTagDialog(IDD_WORDBROWSETAGDIALOG, officeApp, {"doc", "odt"}, pOwner)
{
}

void WordBrowseTagDialog::OnInitDialog()
{
    InitList();
    InitSearch();
}

void WordBrowseTagDialog::OnExistingFileClicked(int) { UpdateButtons(); }

void WordBrowseTagDialog::UpdateButtons() { m_pOpenButton->setEnabled(m_list.Selected() != nullptr); }

std::string WordBrowseTagDialog::LocateFilter() const
{
    return LoadResString(kIdsDocumentFilter) + ";;" + LoadResString(kIdsWordFilter) + ";;" +
           LoadResString(kIdsOpenDocumentTextFilter);
}

void WordBrowseTagDialog::OnCommand(int id)
{
    if (id != IDOK) {
        BrowseTagDialog::OnCommand(id);
        return;
    }
    const FileItem* pChosen = m_list.Selected();
    if (!pChosen || !m_pOpenButton->isEnabled()) return;
    const std::string path = pChosen->path;
    Unbind();
    m_officeApp.OpenDocument(path);
    EndDialog(IDOK);
}

} // namespace quillmark
