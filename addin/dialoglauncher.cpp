#include "addin/dialoglauncher.h"

#include "addin/aboutdialog.h"
#include "addin/optionsdialog.h"
#include "host/powerpointapplication.h"
#include "host/wordapplication.h"
#include "officeapi/scripthooks.h"
#include "ui/controls/desktop.h"
#include "ui/powerpointbrowsetagdialog.h"
#include "ui/shellactions.h"
#include "ui/tagdialog.h"
#include "ui/wordbrowsetagdialog.h"

#include <QApplication>

#include <iostream>

namespace quillmark {

bool AddinDialogLauncher::ScriptAwareOpener::Open(const std::string& url)
{
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        pHooks->Shell("open", url);
        return true;
    }
    return Fallback().Open(url);
}

bool AddinDialogLauncher::ScriptAwareOpener::OpenFile(const std::string& path)
{
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        pHooks->Shell("open", path);
        return true;
    }
    return Fallback().OpenFile(path);
}

bool AddinDialogLauncher::ScriptAwareOpener::ShowItem(const std::string& path)
{
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        pHooks->Shell("explore", FolderOfPath(path));
        return true;
    }
    return Fallback().ShowItem(path);
}

AddinDialogLauncher::AddinDialogLauncher() : AddinDialogLauncher(std::cerr) {}

AddinDialogLauncher::AddinDialogLauncher(std::ostream& err) : m_unavailable(err)
{
    m_opener.m_pPrevious = shell::SetUrlOpener(&m_opener);
}

AddinDialogLauncher::~AddinDialogLauncher()
{
    shell::SetUrlOpener(m_opener.m_pPrevious);
}

bool AddinDialogLauncher::Show(const DialogRequest& request)
{
    // Dialogs need the host's Qt application; a host without one gets the note.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return m_unavailable.Show(request);
    switch (request.kind) {
    case DialogKind::TagWord: {
        auto* pWord = dynamic_cast<WordApplication*>(request.pOfficeApp);
        word::_DocumentPtr spDocument;
        if (!pWord || !request.spDocument || FAILED(request.spDocument.As(spDocument)) || !spDocument) return false;
        TagDialog dialog(*pWord, spDocument);
        return dialog.DoModal() == IDOK;
    }
    case DialogKind::TagPowerPoint: {
        auto* pPowerPoint = dynamic_cast<PowerPointApplication*>(request.pOfficeApp);
        powerpoint::_PresentationPtr spPresentation;
        if (!pPowerPoint || !request.spDocument || FAILED(request.spDocument.As(spPresentation)) || !spPresentation)
            return false;
        TagDialog dialog(*pPowerPoint, spPresentation);
        return dialog.DoModal() == IDOK;
    }
    case DialogKind::Options: {
        OptionsDialog dialog(request.pSettings);
        return dialog.DoModal() == IDOK;
    }
    case DialogKind::About: {
        AboutDialog dialog(request.pSettings);
        dialog.DoModal();
        return false;
    }
    case DialogKind::BrowseDocuments: {
        if (!request.pOfficeApp || !request.pOfficeApp->Database()) return false;
        WordBrowseTagDialog dialog(*request.pOfficeApp);
        dialog.queryText = request.strSearch;
        return dialog.DoModal() == IDOK;
    }
    case DialogKind::BrowsePresentations: {
        if (!request.pOfficeApp || !request.pOfficeApp->Database()) return false;
        PowerPointBrowseTagDialog dialog(*request.pOfficeApp);
        dialog.queryText = request.strSearch;
        const int result = dialog.DoModal();
        return result == IDOK || result == IDC_INSERTSLIDE;
    }
    }
    return false;
}

} // namespace quillmark
