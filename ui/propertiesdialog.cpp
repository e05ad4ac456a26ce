#include "ui/propertiesdialog.h"

#include "docprops/docprops.h"
#include "host/keywords.h"
#include "host/powerpointapplication.h"
#include "host/presentationuse.h"
#include "host/wordapplication.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "resources/strings.h"
#include "store/datetext.h"
#include "store/taggingdatabase.h"
#include "ui/shellactions.h"

#include <QLabel>
#include <QLineEdit>

#include <sys/stat.h>

#include <cstdio>

namespace quillmark {

namespace {

constexpr int kNameEdit = 240, kFolderEdit = 241, kTypeEdit = 242, kSizeEdit = 243, kModifiedEdit = 244, kCreatedEdit = 245,
              kAccessedEdit = 246, kTagsEdit = 247, kTitleEdit = 248, kSubjectEdit = 249, kAuthorEdit = 250, kKeywordsEdit = 251,
              kCommentsEdit = 252, kNoteText = 253;
constexpr int kIdsBytes = 155, kIdsNotKnown = 156, kIdsCaption = 157, kIdsOpenToSee = 158;

// The built-in properties of the document open in the host under `path`; null
// when it is not open there.
ComPtr<IDispatch> OpenDocumentProperties(OfficeApplication& officeApp, const std::string& path, std::string& host)
{
    if (auto* pPowerPoint = dynamic_cast<PowerPointApplication*>(&officeApp)) {
        host = "PowerPoint";
        const powerpoint::_PresentationPtr spPresentation = FindOpenPresentation(pPowerPoint->Application(), path);
        ComPtr<IDispatch> spProperties;
        if (spPresentation) spPresentation->get_BuiltInDocumentProperties(&spProperties);
        return spProperties;
    }
    auto* pWord = dynamic_cast<WordApplication*>(&officeApp);
    host = "Word";
    word::DocumentsPtr spDocuments;
    std::int32_t count = 0;
    if (!pWord || !pWord->Application() || FAILED(pWord->Application()->get_Documents(&spDocuments)) ||
        !spDocuments || FAILED(spDocuments->get_Count(&count)))
        return nullptr;
    for (std::int32_t i = 1; i <= count; ++i) {
        word::_DocumentPtr spDocument;
        std::string fullName;
        if (SUCCEEDED(spDocuments->Item(Variant(i), &spDocument)) && spDocument &&
            SUCCEEDED(spDocument->get_FullName(&fullName)) && fullName == path) {
            ComPtr<IDispatch> spProperties;
            spDocument->get_BuiltInDocumentProperties(&spProperties);
            return spProperties;
        }
    }
    return nullptr;
}

std::string TimeText(Time time) { return time ? FormatDate(time) : LoadResString(kIdsNotKnown); }

} // namespace

PropertiesDialog::PropertiesDialog(OfficeApplication& officeApp, std::string path, QWidget* pOwner)
    : TemplateDialog(IDD_PROPERTIES, pOwner), m_officeApp(officeApp), m_strPath(std::move(path))
{
}

void PropertiesDialog::Show(int id, const std::string& text)
{
    if (auto* pEdit = Control<QLineEdit>(id)) {
        pEdit->setText(QString::fromStdString(text));
        pEdit->setCursorPosition(0);
    } else if (auto* pLabel = Control<QLabel>(id)) {
        pLabel->setText(QString::fromStdString(text));
    }
}

std::string PropertiesDialog::Value(int id) const
{
    if (auto* pEdit = Control<QLineEdit>(id)) return pEdit->text().toStdString();
    if (auto* pLabel = Control<QLabel>(id)) return pLabel->text().toStdString();
    return {};
}

void PropertiesDialog::OnInitDialog()
{
    const std::string name = files::NameOf(m_strPath);
    setWindowTitle(QString::fromStdString(FormatResString(kIdsCaption, name)));
    Show(kNameEdit, name);
    Show(kFolderEdit, FolderOfPath(m_strPath));
    const std::size_t dot = name.find_last_of('.');
    Show(kTypeEdit, dot == std::string::npos ? std::string() : name.substr(dot + 1));

    struct stat info {};
    const bool bKnown = ::stat(m_strPath.c_str(), &info) == 0;
    Show(kSizeEdit, bKnown ? FormatResString(kIdsBytes, std::to_string(static_cast<long long>(info.st_size)))
                       : LoadResString(kIdsNotKnown));
    const std::optional<files::FileTimes> times = files::GetFileTimes(m_strPath);
    Show(kModifiedEdit, TimeText(times ? times->writeTime : 0));
    Show(kCreatedEdit, TimeText(times ? times->createTime : 0));
    Show(kAccessedEdit, TimeText(times ? times->accessTime : 0));
    Show(kTagsEdit, m_officeApp.Database() ? JoinTags(m_officeApp.Database()->GetFileItem(m_strPath).tags) : std::string());

    // The host's values while the file is open in it (changes not yet saved
    // included), else those stored in the file itself.
    std::string host;
    const ComPtr<IDispatch> spProperties = OpenDocumentProperties(m_officeApp, m_strPath, host);
    const std::optional<docprops::Properties> stored =
        spProperties ? std::nullopt : docprops::Read(m_strPath);
    const std::pair<int, const char*> summary[] = {
        {kTitleEdit, "Title"}, {kSubjectEdit, "Subject"}, {kAuthorEdit, "Author"}, {kKeywordsEdit, "Keywords"}, {kCommentsEdit, "Comments"}};
    for (const auto& [id, property] : summary) {
        if (spProperties) Show(id, ReadBuiltInProperty(spProperties.Get(), property));
        else Show(id, stored ? *stored->Field(property) : std::string());
    }
    Show(kNoteText, spProperties || stored ? std::string() : FormatResString(kIdsOpenToSee, host));
}

} // namespace quillmark
