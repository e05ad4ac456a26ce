#pragma once
// The host's command language, read from a script or typed at the terminal: one
// command per line, words quoted as a shell quotes them, "#" starts a comment.
// Each command is echoed ("> open /tmp/a.doc") with its output below it; a
// failing command prints "line N: ..." on the error stream, and the run goes on.
//
// While a modal dialog of an add-in is open, the script goes on inside the
// dialog's own event loop: the `dialog...` commands look at it and work it, and a
// command that closes it lets the command that opened it return. A script that
// ends while a dialog is open cancels it and fails.
#include "officecore/dialogdriver.h"
#include "officecore/officehost.h"

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillmark::officecore {

class ScriptRunner {
public:
    ScriptRunner(OfficeHost& office, std::ostream& out, std::ostream& err);
    ~ScriptRunner();

    // Runs every line of `in`. With `prompt` non-empty it is printed before each line is
    // read (interactive use) and commands are not echoed. Stops at the end or at "quit".
    // Returns 0 when every command succeeded, else 1.
    int Run(std::istream& in, const std::string& prompt = {});
    // The same over a source of lines: `fnNextLine` gives the next line, false at the
    // end. A host whose office acts between two lines waits for them in its event loop.
    int Run(std::function<bool(std::string&)> fnNextLine, const std::string& prompt = {});
    // Runs one line; false when it failed (the message is printed already).
    bool RunLine(const std::string& line, int lineNumber);
    bool QuitRequested() const { return m_bQuit; }
    int Failures() const { return m_nFailures; }

    // The command summary printed by "help": one line per command of the table.
    static std::string HelpText();

private:
    // One command of the table: its name, its arguments as "usage:" shows them, the
    // line "help" prints, how many words it takes (maxArgs -1: any number) and what
    // runs it. A handler gets the whole line (words[0] is the command) and returns
    // false with `error` set when the command failed.
    using Words = std::vector<std::string>;
    using Handler = bool (ScriptRunner::*)(const Words& words, std::string& error);
    struct Command {
        const char* name;
        const char* arguments;
        const char* help;
        int minArgs;
        int maxArgs;
        Handler handler;
    };
    static const std::vector<Command>& Commands();
    static const Command* FindCommand(const std::string& name);
    static bool Usage(const Command& command, std::string& error);
    static bool Usage(const std::string& name, std::string& error);
    static bool TooManySlides(const std::string& count, std::string& error);

    bool Execute(const Words& words, std::string& error);
    OfficeDocument* ActiveOrError(std::string& error) const;
    bool NeedPresentation(const std::string& cmd, std::string& error) const;
    // The next line of the script; false at its end.
    bool ReadLine(std::string& line);
    // Runs the script inside `dialog`'s event loop until the dialog closes.
    void RunInDialog(QDialog& dialog);
    // True (with `error` set) while a modal dialog is open.
    bool HostWindowBlocked(std::string& error) const;
    static bool ParseId(const std::string& text, int& id, std::string& error);
    void PrintToolbar();

    bool CmdOpen(const Words& words, std::string& error);
    bool CmdNew(const Words& words, std::string& error);
    bool CmdActivate(const Words& words, std::string& error);
    bool CmdSave(const Words& words, std::string& error);
    bool CmdClose(const Words& words, std::string& error);
    bool CmdDocuments(const Words& words, std::string& error);
    bool CmdProperty(const Words& words, std::string& error);
    bool CmdSetProperty(const Words& words, std::string& error);
    bool CmdSlides(const Words& words, std::string& error);
    bool CmdSetSlides(const Words& words, std::string& error);
    bool CmdInsertSlides(const Words& words, std::string& error);
    bool CmdExport(const Words& words, std::string& error);
    bool CmdToolbar(const Words& words, std::string& error);
    bool CmdClick(const Words& words, std::string& error);
    bool CmdSearch(const Words& words, std::string& error);
    bool CmdEvents(const Words& words, std::string& error);
    bool CmdEcho(const Words& words, std::string& error);
    bool CmdAddins(const Words& words, std::string& error);
    bool CmdHelp(const Words& words, std::string& error);
    bool CmdQuit(const Words& words, std::string& error);
    bool CmdDialog(const Words& words, std::string& error);
    bool CmdDialogSet(const Words& words, std::string& error);
    bool CmdDialogSelect(const Words& words, std::string& error);
    bool CmdDialogKey(const Words& words, std::string& error);
    bool CmdDialogClick(const Words& words, std::string& error);
    bool CmdDialogCheck(const Words& words, std::string& error);
    bool CmdDialogResize(const Words& words, std::string& error);
    bool CmdDialogListClick(const Words& words, std::string& error);
    bool CmdDialogMenu(const Words& words, std::string& error);
    bool CmdAnswer(const Words& words, std::string& error);
    bool CmdChooseFile(const Words& words, std::string& error);
    bool CmdScreenshot(const Words& words, std::string& error);

    OfficeHost& m_office;
    std::ostream& m_out;
    std::ostream& m_err;
    std::unique_ptr<DialogDriver> m_pDialogs;
    std::function<bool(std::string&)> m_fnNextLine; // while running
    std::string m_strPrompt;
    int m_nLine = 0;
    bool m_bEnded = false; // the input has ended
    bool m_bQuit = false;
    bool m_bEcho = true;
    bool m_bEvents = false;
    int m_nFailures = 0;
};

} // namespace quillmark::officecore
