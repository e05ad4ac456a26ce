#include "ui/prompts.h"

#include "officeapi/scripthooks.h"
#include "platform/files/files.h"
#include "platform/shell/opener.h"
#include "resources/strings.h"
#include "ui/shellactions.h"
#include "ui/templatedialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include <atomic>

namespace quillmark {

namespace {

constexpr int kIdsCannotOpen = 700, kIdsCannotExplore = 701, kIdsNoSuchTarget = 702, kIdsNoOpener = 703;
constexpr int kStatusTimeoutMs = 5000;

std::atomic<Prompts*> g_pPrompts{nullptr};

int CancelAnswer(PromptButtons buttons)
{
    return buttons == PromptButtons::YesNo ? IDNO : IDCANCEL;
}

bool IsWebAddress(const std::string& target)
{
    return target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0;
}

} // namespace

const char* PromptButtonsName(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok: return "ok";
    case PromptButtons::OkCancel: return "okcancel";
    case PromptButtons::YesNo: return "yesno";
    case PromptButtons::YesNoCancel: return "yesnocancel";
    }
    return "ok";
}

const char* PromptIconName(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Question: return "question";
    case PromptIcon::Information: return "information";
    case PromptIcon::Warning: return "warning";
    case PromptIcon::Error: return "error";
    case PromptIcon::None: return "none";
    }
    return "none";
}

const char* ShellVerbName(ShellVerb verb)
{
    return verb == ShellVerb::Explore ? "explore" : "open";
}

std::string NearestExistingFolder(const std::string& path)
{
    std::string folder = FolderOfPath(path);
    while (!folder.empty()) {
        if (files::IsDirectory(folder)) return folder;
        const std::string parent = FolderOfPath(folder);
        if (parent == folder) break;
        folder = parent;
    }
    return {};
}

int Prompts::MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text, PromptButtons buttons)
{
    const PromptIcon icon = buttons == PromptButtons::Ok ? PromptIcon::Information : PromptIcon::Question;
    return MessageBox(pOwner, caption, text, buttons, icon);
}

Prompts& CurrentPrompts()
{
    if (Prompts* pPrompts = g_pPrompts.load()) return *pPrompts;
    static QtPrompts real;
    return real;
}

Prompts* SetPrompts(Prompts* pPrompts)
{
    return g_pPrompts.exchange(pPrompts);
}

// The real desktop.

int QtPrompts::MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                          PromptButtons buttons, PromptIcon icon)
{
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    switch (buttons) {
    case PromptButtons::Ok: break;
    case PromptButtons::OkCancel: standard = QMessageBox::Ok | QMessageBox::Cancel; break;
    case PromptButtons::YesNo: standard = QMessageBox::Yes | QMessageBox::No; break;
    case PromptButtons::YesNoCancel: standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case PromptIcon::Question: boxIcon = QMessageBox::Question; break;
    case PromptIcon::Information: boxIcon = QMessageBox::Information; break;
    case PromptIcon::Warning: boxIcon = QMessageBox::Warning; break;
    case PromptIcon::Error: boxIcon = QMessageBox::Critical; break;
    case PromptIcon::None: break;
    }
    QMessageBox box(boxIcon, QString::fromStdString(caption), QString::fromStdString(text), standard,
                    pOwner ? pOwner : QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return CancelAnswer(buttons);
    }
}

std::optional<std::string> QtPrompts::OpenFile(QWidget* pOwner, const std::string& filter,
                                               const std::string& extension, const std::string& folder)
{
    QFileDialog dialog(pOwner ? pOwner : QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(QString::fromStdString(extension));
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

bool QtPrompts::Shell(QWidget* pOwner, ShellVerb verb, const std::string& target)
{
    shell::UrlOpener& opener = m_pOpener ? *m_pOpener : shell::CurrentUrlOpener();
    std::string reason;
    if (target.empty()) {
        reason = LoadResString(kIdsNoSuchTarget);
    } else if (!IsWebAddress(target) && !files::Exists(verb == ShellVerb::Explore ? FolderOfPath(target) : target)) {
        reason = LoadResString(kIdsNoSuchTarget);
    } else {
        bool bHanded = false;
        if (verb == ShellVerb::Explore) bHanded = opener.ShowItem(target);
        else if (IsWebAddress(target)) bHanded = opener.Open(target);
        else bHanded = opener.OpenFile(target);
        if (bHanded) return true;
        reason = LoadResString(kIdsNoOpener);
    }
    const std::string what = verb == ShellVerb::Explore ? FolderOfPath(target) : target;
    const int textId = verb == ShellVerb::Explore ? kIdsCannotExplore : kIdsCannotOpen;
    QWidget* pWindow = pOwner ? pOwner->window() : QApplication::activeWindow();
    const std::string caption = pWindow ? pWindow->windowTitle().toStdString() : std::string();
    MessageBox(pOwner, caption, FormatResString(textId, what) + "\n" + reason, PromptButtons::Ok, PromptIcon::Error);
    return false;
}

void QtPrompts::ShowProperties(const std::string&, const std::function<void()>& fnShowOwn)
{
    if (fnShowOwn) fnShowOwn();
}

void QtPrompts::Status(int, const std::string& text)
{
    for (QWidget* pWindow : QApplication::topLevelWidgets()) {
        auto* pMain = qobject_cast<QMainWindow*>(pWindow);
        if (!pMain || !pMain->isVisible()) continue;
        if (QStatusBar* pBar = pMain->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
            pBar->showMessage(QString::fromStdString(text), kStatusTimeoutMs);
        return;
    }
}

// The host's script.

int ScriptPrompts::MessageBox(QWidget*, const std::string& caption, const std::string& text, PromptButtons buttons,
                              PromptIcon icon)
{
    const std::string answer = m_hooks.MessageBox(caption, text, PromptButtonsName(buttons), PromptIconName(icon));
    const bool bYesNo = buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel;
    if (answer == "ok" && !bYesNo) return IDOK;
    if (answer == "yes" && bYesNo) return IDYES;
    if (answer == "no" && bYesNo) return IDNO;
    return CancelAnswer(buttons);
}

std::optional<std::string> ScriptPrompts::OpenFile(QWidget*, const std::string& filter, const std::string& extension,
                                                   const std::string& folder)
{
    std::string path;
    if (!m_hooks.OpenFile(filter, extension, folder, path)) return std::nullopt;
    return path;
}

bool ScriptPrompts::Shell(QWidget*, ShellVerb verb, const std::string& target)
{
    m_hooks.Shell(ShellVerbName(verb), verb == ShellVerb::Explore ? FolderOfPath(target) : target);
    return true;
}

void ScriptPrompts::ShowProperties(const std::string& path, const std::function<void()>&)
{
    m_hooks.Shell("properties", path);
}

void ScriptPrompts::Status(int position, const std::string& text)
{
    m_hooks.Status(position, text);
}

// Queued answers.

QueuedPrompts::QueuedPrompts() : m_pPrevious(SetPrompts(this)) {}

QueuedPrompts::~QueuedPrompts()
{
    SetPrompts(m_pPrevious);
}

int QueuedPrompts::MessageBox(QWidget*, const std::string& caption, const std::string& text, PromptButtons buttons,
                              PromptIcon icon)
{
    m_messages.push_back({caption, text, buttons, icon});
    if (m_answers.empty()) return CancelAnswer(buttons);
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<std::string> QueuedPrompts::OpenFile(QWidget*, const std::string& filter, const std::string& extension,
                                                   const std::string& folder)
{
    m_fileRequests.push_back({filter, extension, folder});
    if (m_files.empty()) return std::nullopt;
    std::optional<std::string> path = std::move(m_files.front());
    m_files.pop_front();
    return path;
}

bool QueuedPrompts::Shell(QWidget*, ShellVerb verb, const std::string& target)
{
    m_shell.emplace_back(ShellVerbName(verb), verb == ShellVerb::Explore ? FolderOfPath(target) : target);
    return !m_bFailShell;
}

void QueuedPrompts::ShowProperties(const std::string& path, const std::function<void()>&)
{
    m_shell.emplace_back("properties", path);
}

void QueuedPrompts::Status(int position, const std::string& text)
{
    m_statuses.emplace_back(position, text);
}

} // namespace quillmark
