#include "addin/optionsdialog.h"

#include "store/appsettings.h"

#include <QCheckBox>
#include <QRadioButton>

namespace quillmark {

OptionsDialog::OptionsDialog(AppSettings* pSettings, QWidget* pOwner)
    : TemplateDialog(IDD_OPTIONS, pOwner), m_pSettings(pSettings)
{
    if (m_pSettings) {
        m_nRadioIndex = m_pSettings->PPTCreatePreviewAtInsert == 1 ? 1 : 0;
        m_nCheckValue = m_pSettings->GlobalDefaultFileNameTag == 1 ? 0 : 1;
    }
}

void OptionsDialog::OnInitDialog()
{
    Control<QRadioButton>(m_nRadioIndex == 1 ? 226 : 225)->setChecked(true);
    Control<QCheckBox>(219)->setChecked(m_nCheckValue == 1);
    if (QWidget* pDefault = Control(IDOK)) pDefault->setFocus(Qt::OtherFocusReason);
}

void OptionsDialog::OnCommand(int id)
{
    if (id == IDOK) {
        m_nRadioIndex = Control<QRadioButton>(226)->isChecked() ? 1 : 0;
        m_nCheckValue = Control<QCheckBox>(219)->isChecked() ? 1 : 0;
        if (m_pSettings) {
            m_pSettings->PPTCreatePreviewAtInsert = static_cast<std::uint32_t>(m_nRadioIndex);
            // Checked: the file name is a tag (0); cleared: it is neither added nor hidden (1).
            m_pSettings->GlobalDefaultFileNameTag = m_nCheckValue == 1 ? 0 : 1;
            m_pSettings->Save(); // a failed write keeps the new values for this session
        }
        EndDialog(IDOK);
        return;
    }
    if (id == IDCANCEL) EndDialog(IDCANCEL);
}

} // namespace quillmark
