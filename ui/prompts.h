#pragma once
// Prompts: the message boxes and the open-file dialog every dialog asks through.
// In the host they are the real QMessageBox and QFileDialog; a host that runs a
// script answers them from the script (officeapi/scripthooks.h); tests queue the
// answers with QueuedPrompts.
#include <deque>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace quillmark {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal message box over `pOwner`; returns IDOK, IDCANCEL, IDYES or IDNO
    // (ui/templatedialog.h). Closing it without a choice is IDCANCEL (IDNO for YesNo).
    virtual int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                           PromptButtons buttons) = 0;
    // An open-file dialog; `filter` as "Word Documents (*.doc)", `extension` the
    // default one. The chosen path, or nothing when cancelled.
    virtual std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter,
                                                const std::string& extension) = 0;
};

// The prompts in use: the ones set last; else the host's script when it runs one;
// else real Qt dialogs.
Prompts& CurrentPrompts();
// Makes `pPrompts` (not owned; null = the default) current; returns the previous one set.
Prompts* SetPrompts(Prompts* pPrompts);

// The name of the buttons as scripts write them: "ok", "okcancel", "yesno", "yesnocancel".
const char* PromptButtonsName(PromptButtons buttons);

// Real dialogs.
class QtPrompts final : public Prompts {
public:
    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                   PromptButtons buttons) override;
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter,
                                        const std::string& extension) override;
};

// Answers queued beforehand, every question recorded. A question without a queued
// answer is cancelled. Installs itself for its lifetime.
class QueuedPrompts final : public Prompts {
public:
    QueuedPrompts();
    ~QueuedPrompts() override;
    QueuedPrompts(const QueuedPrompts&) = delete;
    QueuedPrompts& operator=(const QueuedPrompts&) = delete;

    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    void QueueFile(std::optional<std::string> path) { m_files.push_back(std::move(path)); }

    struct Message {
        std::string caption, text;
        PromptButtons buttons;
    };
    const std::vector<Message>& Messages() const { return m_messages; }
    const std::vector<std::string>& FileFilters() const { return m_fileFilters; }

    int MessageBox(QWidget* pOwner, const std::string& caption, const std::string& text,
                   PromptButtons buttons) override;
    std::optional<std::string> OpenFile(QWidget* pOwner, const std::string& filter,
                                        const std::string& extension) override;

private:
    std::deque<int> m_answers;
    std::deque<std::optional<std::string>> m_files;
    std::vector<Message> m_messages;
    std::vector<std::string> m_fileFilters;
    Prompts* m_pPrevious = nullptr;
};

} // namespace quillmark
