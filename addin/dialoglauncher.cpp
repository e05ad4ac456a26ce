#include "addin/dialoglauncher.h"

#include "addin/aboutdialog.h"
#include "addin/optionsdialog.h"
#include "host/powerpointapplication.h"
#include "host/wordapplication.h"
#include "officeapi/scripthooks.h"
#include "ui/powerpointbrowsetagdialog.h"
#include "ui/tagdialog.h"
#include "ui/wordbrowsetagdialog.h"

#include <QApplication>
#include <QVariant>

#include <iostream>

namespace quillmark {

namespace {

// The hooks of a scripting host, hung on the application object; null without one.
automation::ScriptHooks* HostScriptHooks()
{
    const QCoreApplication* pApp = QCoreApplication::instance();
    if (!pApp) return nullptr;
    const QVariant value = pApp->property(automation::kScriptHooksProperty);
    return value.isValid() ? reinterpret_cast<automation::ScriptHooks*>(value.value<quintptr>()) : nullptr;
}

} // namespace

bool AddinDialogLauncher::PromptsOpener::Open(const std::string& url)
{
    return m_pPrompts->Shell(nullptr, ShellVerb::Open, url);
}

bool AddinDialogLauncher::PromptsOpener::OpenFile(const std::string& path)
{
    return m_pPrompts->Shell(nullptr, ShellVerb::Open, path);
}

bool AddinDialogLauncher::PromptsOpener::ShowItem(const std::string& path)
{
    return m_pPrompts->Shell(nullptr, ShellVerb::Explore, path);
}

AddinDialogLauncher::AddinDialogLauncher() : AddinDialogLauncher(std::cerr) {}

AddinDialogLauncher::AddinDialogLauncher(std::ostream& err) : m_unavailable(err)
{
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        m_pPrompts = std::make_unique<ScriptPrompts>(*pHooks);
    } else {
        // A test's recorder stays in charge; otherwise the desktop session's shell.
        shell::UrlOpener* pPrevious = shell::SetUrlOpener(nullptr);
        shell::SetUrlOpener(pPrevious);
        m_pPrompts = std::make_unique<QtPrompts>(pPrevious ? pPrevious : &m_desktop);
    }
    m_opener.m_pPrompts = m_pPrompts.get();
    m_pPreviousOpener = shell::SetUrlOpener(&m_opener);
    m_pPreviousPrompts = SetPrompts(m_pPrompts.get());
}

AddinDialogLauncher::~AddinDialogLauncher()
{
    SetPrompts(m_pPreviousPrompts);
    shell::SetUrlOpener(m_pPreviousOpener);
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
