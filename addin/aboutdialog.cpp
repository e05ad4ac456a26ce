#include "addin/aboutdialog.h"

#include "resources/strings.h"
#include "store/appsettings.h"
#include "ui/bitmaps.h"
#include "ui/controls/label.h"

#include <QLabel>

namespace quillmark {

AboutDialog::AboutDialog(AppSettings* pSettings, QWidget* pOwner)
    : TemplateDialog(IDD_ABOUT, pOwner), m_pSettings(pSettings)
{
}

void AboutDialog::OnInitDialog()
{
    const bool bSecondProduct = m_pSettings && m_pSettings->ProductType == 2;
    Control<QLabel>(236)->setPixmap(LoadBitmapResource(bSecondProduct ? IDB_LOGO_PALLISTER : IDB_LOGO_QUILLMARK));

    const std::string productName = m_pSettings ? m_pSettings->ProductName : LoadResString(132);
    m_pProductLine = Control<Label>(220);
    m_pProductLine->SetFontName("Microsoft Sans Serif", 0).SetText(productName + " " + LoadResString(101)).SetFontSize(12);

    Control<QLabel>(221)->setText(QString::fromStdString(LoadResString(122) + LoadResString(350)));

    const std::string website = m_pSettings ? m_pSettings->GetWebsiteURL() : LoadResString(135);
    m_pWebsite = Control<Label>(224);
    m_pWebsite->SetFontName("Arial", 0)
        .SetText(website)
        .SetFontUnderline(true)
        .SetLink(true, false)
        .SetTextColor(0x00FF0000)
        .SetLinkCursor();
    if (QWidget* pDefault = Control(IDOK)) pDefault->setFocus(Qt::OtherFocusReason);
}

} // namespace quillmark
