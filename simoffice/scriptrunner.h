#pragma once
// The host's command language, read from a script or typed at the terminal: one
// command per line, words quoted as a shell quotes them, "#" starts a comment.
// Each command is echoed ("> open /tmp/a.doc") with its output below it; a
// failing command prints "line N: ..." on the error stream, and the run goes on.
#include "simoffice/simoffice.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace quillmark::simoffice {

class ScriptRunner {
public:
    ScriptRunner(SimOffice& office, std::ostream& out, std::ostream& err);

    // Runs every line of `in`. With `prompt` non-empty it is printed before each line is
    // read (interactive use) and commands are not echoed. Stops at the end or at "quit".
    // Returns 0 when every command succeeded, else 1.
    int Run(std::istream& in, const std::string& prompt = {});
    // Runs one line; false when it failed (the message is printed already).
    bool RunLine(const std::string& line, int lineNumber);
    bool QuitRequested() const { return m_bQuit; }
    int Failures() const { return m_nFailures; }

    // The command summary printed by "help".
    static const char* HelpText();

private:
    bool Execute(const std::vector<std::string>& words, std::string& error);
    SimDocument* ActiveOrError(std::string& error) const;
    void PrintToolbar();

    SimOffice& m_office;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bQuit = false;
    bool m_bEcho = true;
    bool m_bEvents = false;
    int m_nFailures = 0;
};

} // namespace quillmark::simoffice
