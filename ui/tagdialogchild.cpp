#include "ui/tagdialogchild.h"

#include "host/officeapplication.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "ui/controls/label.h"

#include <QLineEdit>

#include <limits>

namespace quillmark {

TagViewForm::TagViewForm(OfficeApplication& officeApp, std::string fullName, QWidget* pParent)
    : TemplatePanel(IDD_TAGVIEWFORM, pParent), m_officeApp(officeApp), m_strFullName(std::move(fullName))
{
    m_pLabel204 = Control<Label>(204);
    m_pLabel205 = Control<Label>(205);
    if (m_officeApp.IsInTemporaryFolder(m_strFullName)) {
        m_pLabel204->setText(QString::fromStdString(LoadResString(128)));
        m_pLabel205->setText(QString());
    } else {
        m_pLabel204->setText(QString::fromStdString(LoadResString(102)));
        m_pLabel205->setText(QString::fromStdString(LoadResString(103)));
    }
    m_pLabel204->SetFontSize(10);

    TagList tags = m_officeApp.GetDatabaseTags(m_strFullName);
    if (tags.empty()) m_officeApp.GetEmbeddedTags(tags);

    // The file-name tag is added back whenever the tags are stored, so the edit
    // leaves out its first occurrence.
    const AppSettings* pSettings = m_officeApp.Settings();
    const bool bFileNameTags = !pSettings || pSettings->GlobalDefaultFileNameTag != 1;
    const std::string fileNameTag = OfficeApplication::GetFileNameTag(m_strFullName);
    bool bFileNameTagSeen = false;
    tagsText.clear();
    for (const std::string& tag : tags) {
        if (bFileNameTags && !bFileNameTagSeen && tag == fileNameTag) {
            bFileNameTagSeen = true;
            continue;
        }
        if (!tagsText.empty()) tagsText += ", ";
        tagsText += tag;
    }
    m_pEdit = Control<QLineEdit>(203);
    // The edit holds every stored tag: a line edit's own limit (32,767 characters)
    // would cut a long record silently, and storing would lose the rest.
    m_pEdit->setMaxLength(std::numeric_limits<int>::max());
}

void TagViewForm::ReadTagsText()
{
    tagsText = m_pEdit->text().toStdString();
}

void TagViewForm::WriteTagsText()
{
    m_pEdit->setText(QString::fromStdString(tagsText));
}

} // namespace quillmark
