#include "ui/prompts.h"

#include "officeapi/scripthooks.h"
#include "ui/controls/desktop.h"
#include "ui/templatedialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include <atomic>

namespace quillmark {

namespace {

std::atomic<Prompts*> g_pPrompts{nullptr};

int CancelAnswer(PromptButtons buttons)
{
    return buttons == PromptButtons::YesNo ? IDNO : IDCANCEL;
}

// The host's script answers: a recorded question, the queued answer.
class ScriptPrompts final : public Prompts {
public:
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                   PromptButtons buttons) override
    {
        automation::ScriptHooks* pHooks = HostScriptHooks();
        if (!pHooks) return QtPrompts().MessageBox(pOwner, caption, text, buttons);
        const std::string answer = pHooks->MessageBox(caption, text, PromptButtonsName(buttons));
        const bool bYesNo = buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel;
        if (answer == "ok" && !bYesNo) return IDOK;
        if (answer == "yes" && bYesNo) return IDYES;
        if (answer == "no" && bYesNo) return IDNO;
        return CancelAnswer(buttons);
    }
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter,
                                        const std::string& extension) override
    {
        automation::ScriptHooks* pHooks = HostScriptHooks();
        if (!pHooks) return QtPrompts().OpenFile(pOwner, filter, extension);
        std::string path;
        if (!pHooks->OpenFile(filter, extension, path)) return std::nullopt;
        return path;
    }
};

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

Prompts& CurrentPrompts()
{
    if (Prompts* pPrompts = g_pPrompts.load()) return *pPrompts;
    if (HostScriptHooks()) {
        static ScriptPrompts scripted;
        return scripted;
    }
    static QtPrompts real;
    return real;
}

Prompts* SetPrompts(Prompts* pPrompts)
{
    return g_pPrompts.exchange(pPrompts);
}

int QtPrompts::MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                          PromptButtons buttons)
{
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (buttons) {
    case PromptButtons::Ok: break;
    case PromptButtons::OkCancel: standard = QMessageBox::Ok | QMessageBox::Cancel; break;
    case PromptButtons::YesNo: standard = QMessageBox::Yes | QMessageBox::No; icon = QMessageBox::Question; break;
    case PromptButtons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), standard,
                    pOwner ? pOwner : QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return CancelAnswer(buttons);
    }
}

std::optional<std::string> QtPrompts::OpenFile(QWidget* pOwner, const std::string& filter,
                                               const std::string& extension)
{
    QFileDialog dialog(pOwner ? pOwner : QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(QString::fromStdString(extension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

QueuedPrompts::QueuedPrompts() : m_pPrevious(SetPrompts(this)) {}

QueuedPrompts::~QueuedPrompts()
{
    SetPrompts(m_pPrevious);
}

int QueuedPrompts::MessageBox(QWidget*, const std::string& caption, const std::string& text, PromptButtons buttons)
{
    m_messages.push_back({caption, text, buttons});
    if (m_answers.empty()) return CancelAnswer(buttons);
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<std::string> QueuedPrompts::OpenFile(QWidget*, const std::string& filter, const std::string&)
{
    m_fileFilters.push_back(filter);
    if (m_files.empty()) return std::nullopt;
    std::optional<std::string> path = std::move(m_files.front());
    m_files.pop_front();
    return path;
}

} // namespace quillmark
