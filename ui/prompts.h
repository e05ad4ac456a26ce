#pragma once
// Prompts: the one way from the dialogs to the person and the desktop. Message
// boxes, the open-file dialog, shell requests ("open", "explore", properties) and
// progress statuses all go through the current Prompts. Which one is current is
// decided once, when the add-in connects (addin/dialoglauncher.h): the real
// desktop (QtPrompts) or the host's script (ScriptPrompts). Tests install
// QueuedPrompts. No dialog asks which one it has.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace quillmark {

namespace automation {
class ScriptHooks;
}
namespace shell {
class UrlOpener;
}

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { Question, Information, Warning, Error, None };
enum class ShellVerb { Open, Explore };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal message box over `pOwner`; returns IDOK, IDCANCEL, IDYES or IDNO
    // (ui/templatedialog.h). Closing it without a choice is IDCANCEL (IDNO for YesNo).
    virtual int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                           PromptButtons buttons, PromptIcon icon) = 0;
    // An open-file dialog starting in `folder` ("" : wherever the desktop likes).
    // `filter`: one or more "Description (*.a *.b)" joined by ";;", the first
    // chosen; `extension` the default one. The chosen path, or nothing when cancelled.
    virtual std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter,
                                                const std::string& extension, const std::string& folder) = 0;
    // Opens `target` (a web address or a file) or shows the folder of the file
    // `target` in the file manager. True when the request was handed on; when it
    // could not be, the person has been told what could not be opened and why.
    virtual bool Shell(QWidget* pOwner, ShellVerb verb, const std::string& target) = 0;
    // The properties of the file `path`; `fnShowOwn` shows the add-in's own dialog
    // for them, which is what the desktop does.
    virtual void ShowProperties(const std::string& path, const std::function<void()>& fnShowOwn) = 0;
    // A long step has reached `position` (0..100) and is doing `text`.
    virtual void Status(int position, const std::string& text) = 0;

    // MessageBox with the icon that goes with the buttons: a question for a
    // choice, information for a plain OK.
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text, PromptButtons buttons);
    // OpenFile without a folder to start in.
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter, const std::string& extension)
    {
        return OpenFile(pOwner, filter, extension, std::string());
    }
};

// The prompts in use: the ones set last; else real Qt dialogs over the current
// URL opener (platform/shell/opener.h).
Prompts& CurrentPrompts();
// Makes `pPrompts` (not owned; null = the default) current; returns the previous one set.
Prompts* SetPrompts(Prompts* pPrompts);

// The names as scripts write them: buttons "ok", "okcancel", "yesno", "yesnocancel";
// icons "question", "information", "warning", "error", "none"; verbs "open", "explore".
const char* PromptButtonsName(PromptButtons buttons);
const char* PromptIconName(PromptIcon icon);
const char* ShellVerbName(ShellVerb verb);

// The nearest folder of `path` that exists: its own folder, else the closest
// enclosing one; "" when none does (or `path` names no folder).
std::string NearestExistingFolder(const std::string& path);

// The real desktop: QMessageBox, QFileDialog, and shell requests to `pOpener`
// (null: the current URL opener). A request the opener cannot hand on is
// reported in a message box. Statuses go to the status bar of the active main
// window, when it has one.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(shell::UrlOpener* pOpener = nullptr) : m_pOpener(pOpener) {}
    using Prompts::MessageBox;
    using Prompts::OpenFile;
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text, PromptButtons buttons,
                   PromptIcon icon) override;
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter, const std::string& extension,
                                        const std::string& folder) override;
    bool Shell(QWidget* pOwner, ShellVerb verb, const std::string& target) override;
    void ShowProperties(const std::string& path, const std::function<void()>& fnShowOwn) override;
    void Status(int position, const std::string& text) override;

private:
    shell::UrlOpener* m_pOpener;
};

// The host's script answers (officeapi/scripthooks.h): every question is
// recorded by the host and answered from the script; nothing reaches the desktop.
class ScriptPrompts final : public Prompts {
public:
    explicit ScriptPrompts(automation::ScriptHooks& hooks) : m_hooks(hooks) {}
    using Prompts::MessageBox;
    using Prompts::OpenFile;
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text, PromptButtons buttons,
                   PromptIcon icon) override;
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter, const std::string& extension,
                                        const std::string& folder) override;
    bool Shell(QWidget* pOwner, ShellVerb verb, const std::string& target) override;
    void ShowProperties(const std::string& path, const std::function<void()>& fnShowOwn) override;
    void Status(int position, const std::string& text) override;

private:
    automation::ScriptHooks& m_hooks;
};

// Answers queued beforehand, every question and request recorded. A question
// without a queued answer is cancelled; shell requests succeed unless
// FailShell was called. Installs itself for its lifetime.
class QueuedPrompts final : public Prompts {
public:
    QueuedPrompts();
    ~QueuedPrompts() override;
    QueuedPrompts(const QueuedPrompts&) = delete;
    QueuedPrompts& operator=(const QueuedPrompts&) = delete;

    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    void QueueFile(std::optional<std::string> path) { m_files.push_back(std::move(path)); }
    void FailShell(bool bFail = true) { m_bFailShell = bFail; }

    struct Message {
        std::string caption, text;
        PromptButtons buttons;
        PromptIcon icon;
    };
    struct FileRequest {
        std::string filter, extension, folder;
    };
    const std::vector<Message>& Messages() const { return m_messages; }
    const std::vector<FileRequest>& FileRequests() const { return m_fileRequests; }
    std::vector<std::string> FileFilters() const
    {
        std::vector<std::string> filters;
        for (const FileRequest& request : m_fileRequests) filters.push_back(request.filter);
        return filters;
    }
    // Shell requests as "verb target" ("properties" for ShowProperties).
    const std::vector<std::pair<std::string, std::string>>& ShellRequests() const { return m_shell; }
    const std::vector<std::pair<int, std::string>>& Statuses() const { return m_statuses; }
    void ClearStatuses() { m_statuses.clear(); }

    using Prompts::MessageBox;
    using Prompts::OpenFile;
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text, PromptButtons buttons,
                   PromptIcon icon) override;
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter, const std::string& extension,
                                        const std::string& folder) override;
    bool Shell(QWidget* pOwner, ShellVerb verb, const std::string& target) override;
    void ShowProperties(const std::string& path, const std::function<void()>& fnShowOwn) override;
    void Status(int position, const std::string& text) override;

private:
    std::deque<int> m_answers;
    std::deque<std::optional<std::string>> m_files;
    std::vector<Message> m_messages;
    std::vector<FileRequest> m_fileRequests;
    std::vector<std::pair<std::string, std::string>> m_shell;
    std::vector<std::pair<int, std::string>> m_statuses;
    bool m_bFailShell = false;
    Prompts* m_pPrevious = nullptr;
};

} // namespace quillmark
