#include "officecore/scriptrunner.h"

#include "officecore/scriptline.h"

#include <QDialog>
#include <QPointer>

#include <algorithm>
#include <charconv>
#include <exception>

namespace quillmark::officecore {

namespace {

bool ParseInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

const char* TypeName(office::MsoControlType type)
{
    switch (type) {
    case office::msoControlButton: return "button";
    case office::msoControlEdit: return "edit";
    case office::msoControlDropdown: return "dropdown";
    case office::msoControlComboBox: return "combobox";
    case office::msoControlPopup: return "popup";
    default: return "control";
    }
}

// Words 1.. joined by blanks: "echo a b" prints "a b", as a shell would.
std::string JoinFrom(const std::vector<std::string>& words, size_t first)
{
    std::string text;
    for (size_t i = first; i < words.size(); ++i) {
        if (i > first) text += ' ';
        text += words[i];
    }
    return text;
}

} // namespace

ScriptRunner::ScriptRunner(OfficeHost& office, std::ostream& out, std::ostream& err)
    : m_office(office), m_out(out), m_err(err)
{
    m_office.SetEventTrace([this](const std::string& event) {
        if (m_bEvents) m_out << "event: " << event << "\n";
    });
    m_office.Model().SetNotices([this](const std::string& text) { m_err << "warning: " << text << std::endl; });
    m_pDialogs = std::make_unique<DialogDriver>(m_out, m_err);
    m_pDialogs->SetDialogOpenedHandler([this](QDialog& dialog) { RunInDialog(dialog); });
}

ScriptRunner::~ScriptRunner()
{
    m_office.SetEventTrace({});
}

const std::vector<ScriptRunner::Command>& ScriptRunner::Commands()
{
    using S = ScriptRunner;
    static const std::vector<Command> commands = {
        {"open", "PATH [SLIDES]", "open a file (a presentation with SLIDES slides)", 1, 2, &S::CmdOpen},
        {"new", "", "a new, never-saved document", 0, 0, &S::CmdNew},
        {"activate", "INDEX|PATH", "switch to an open document", 1, 1, &S::CmdActivate},
        {"save", "[PATH]", "save the active document (to PATH: save as)", 0, 1, &S::CmdSave},
        {"close", "", "close the active document without saving", 0, 0, &S::CmdClose},
        {"documents", "", "list the open documents (* = active)", 0, -1, &S::CmdDocuments},
        {"keywords", "", "print the active document's Keywords", 0, 0, &S::CmdProperty},
        {"author", "", "print the active document's Author", 0, 0, &S::CmdProperty},
        {"property", "NAME", "print a built-in property of the active document", 1, 1, &S::CmdProperty},
        {"set-keywords", "TEXT", "set the active document's Keywords", 1, 1, &S::CmdSetProperty},
        {"set-author", "TEXT", "set the active document's Author", 1, 1, &S::CmdSetProperty},
        {"set-property", "NAME TEXT", "set a built-in property of the active document", 2, 2, &S::CmdSetProperty},
        {"slides", "", "slide count of the active presentation", 0, 0, &S::CmdSlides},
        {"slide-list", "", "the slides of the active presentation (* = current)", 0, 0, &S::CmdSlides},
        {"set-slides", "N", "give the active presentation N slides", 1, 1, &S::CmdSetSlides},
        {"goto-slide", "N", "make slide N the current one", 1, 1, &S::CmdSetSlides},
        {"insert-slides", "FILE INDEX START END", "insert slides START..END of FILE after slide INDEX", 4, 4,
         &S::CmdInsertSlides},
        {"export", "FOLDER [bmp|jpg]", "one picture per slide (SaveCopyAs)", 1, 2, &S::CmdExport},
        {"toolbar", "", "the add-ins' command-bar controls", 0, 0, &S::CmdToolbar},
        {"click", "TAG", "click the command-bar button with TAG", 1, 1, &S::CmdClick},
        {"search", "TEXT", "type TEXT into the command-bar combo box", 1, 1, &S::CmdSearch},
        {"events", "on|off", "print the application events as they fire", 1, 1, &S::CmdEvents},
        {"echo", "TEXT", "print TEXT", 0, -1, &S::CmdEcho},
        {"addins", "", "the connected add-ins", 0, -1, &S::CmdAddins},
        {"help", "", "this summary", 0, -1, &S::CmdHelp},
        {"dialog", "", "print the open dialog, one line per control", 0, 0, &S::CmdDialog},
        {"dialog-set", "ID TEXT", "type TEXT over the text of edit ID", 2, 2, &S::CmdDialogSet},
        {"dialog-select", "ID START END", "select characters START..END of edit ID (END -1: to the end)", 3, 3,
         &S::CmdDialogSelect},
        {"dialog-key", "ID KEY", "press KEY (Enter, Tab, Up, Down, Escape, Home, End, PageUp, PageDown, Space, "
                               "Backspace) in control ID, as a person would", 2, 2, &S::CmdDialogKey},
        {"dialog-click", "ID", "click button, check box, radio button or link ID", 1, 1, &S::CmdDialogClick},
        {"dialog-check", "ID 0|1", "set check box or radio button ID", 2, 2, &S::CmdDialogCheck},
        {"dialog-resize", "WIDTH HEIGHT", "resize the open dialog as a person drags its border", 2, 2,
         &S::CmdDialogResize},
        {"dialog-list-click", "ID ROW", "click row ROW of list ID (-1: below the rows)", 2, 2, &S::CmdDialogListClick},
        {"dialog-list-rclick", "ID ROW", "right-click row ROW of list ID (-1: below the rows)", 2, 2,
         &S::CmdDialogListClick},
        {"dialog-menu", "TEXT|cancel", "choose item TEXT of the open pop-up menu, or close it", 1, -1,
         &S::CmdDialogMenu},
        {"answer", "ok|cancel|yes|no", "the answer for the next message box", 1, 1, &S::CmdAnswer},
        {"choose-file", "PATH|cancel", "the answer for the next open-file dialog", 1, 1, &S::CmdChooseFile},
        {"screenshot", "FILE", "a PNG of the open dialog, else of the active window", 1, 1, &S::CmdScreenshot},
        {"quit", "", "end the session", 0, -1, &S::CmdQuit},
        {"exit", "", "end the session", 0, -1, &S::CmdQuit},
    };
    return commands;
}

const ScriptRunner::Command* ScriptRunner::FindCommand(const std::string& name)
{
    for (const Command& command : Commands())
        if (name == command.name) return &command;
    return nullptr;
}

bool ScriptRunner::Usage(const Command& command, std::string& error)
{
    error = std::string("usage: ") + command.name;
    if (*command.arguments) error += std::string(" ") + command.arguments;
    return false;
}

bool ScriptRunner::Usage(const std::string& name, std::string& error)
{
    return Usage(*FindCommand(name), error);
}

std::string ScriptRunner::HelpText()
{
    auto synopsis = [](const Command& command) {
        std::string text = command.name;
        if (*command.arguments) text += std::string(" ") + command.arguments;
        return text;
    };
    std::size_t width = 0;
    for (const Command& command : Commands()) width = std::max(width, synopsis(command).size());
    std::string text;
    for (const Command& command : Commands()) {
        std::string line = synopsis(command);
        line.resize(width + 2, ' ');
        text += line + command.help + "\n";
    }
    return text;
}

int ScriptRunner::Run(std::istream& in, const std::string& prompt)
{
    return Run([&in](std::string& line) { return static_cast<bool>(std::getline(in, line)); }, prompt);
}

int ScriptRunner::Run(std::function<bool(std::string&)> fnNextLine, const std::string& prompt)
{
    m_bEcho = prompt.empty();
    m_fnNextLine = std::move(fnNextLine);
    m_strPrompt = prompt;
    std::string line;
    while (!m_bQuit && !m_bEnded && ReadLine(line)) RunLine(line, m_nLine);
    if (!prompt.empty() && !m_bQuit) m_out << "\n";
    m_out.flush();
    m_fnNextLine = nullptr;
    return m_nFailures == 0 ? 0 : 1;
}

bool ScriptRunner::ReadLine(std::string& line)
{
    if (!m_fnNextLine || m_bEnded) return false;
    if (!m_strPrompt.empty()) m_out << m_strPrompt << std::flush;
    if (!m_fnNextLine(line)) {
        m_bEnded = true;
        return false;
    }
    ++m_nLine;
    return true;
}

void ScriptRunner::RunInDialog(QDialog& dialog)
{
    QPointer<QDialog> pDialog(&dialog);
    std::string line;
    while (pDialog && pDialog->isVisible()) {
        if (m_bQuit || !ReadLine(line)) {
            ++m_nFailures;
            m_err << "line " << m_nLine << ": the script ended while the dialog \""
                  << pDialog->windowTitle().toStdString() << "\" was open; it was cancelled" << std::endl;
            pDialog->reject();
            if (pDialog && pDialog->isVisible()) pDialog->done(QDialog::Rejected);
            return;
        }
        RunLine(line, m_nLine);
    }
}

bool ScriptRunner::RunLine(const std::string& line, int lineNumber)
{
    std::vector<std::string> words;
    std::string error;
    bool bOk = SplitScriptLine(line, words, error);
    if (bOk && words.empty()) return true; // blank line or comment
    if (m_bEcho) m_out << "> " << Trim(line) << "\n";
    // Nothing a line says may end the host: a failure inside a command fails the line.
    try {
        if (bOk) bOk = Execute(words, error);
    } catch (const std::exception& e) {
        bOk = false;
        error = words[0] + ": " + e.what();
    }
    m_out.flush();
    if (!bOk) {
        ++m_nFailures;
        m_err << "line " << lineNumber << ": " << error << std::endl;
    }
    return bOk;
}

OfficeDocument* ScriptRunner::ActiveOrError(std::string& error) const
{
    OfficeDocument* pDoc = m_office.Model().Active();
    if (!pDoc) error = m_office.Host() == HostKind::Word ? "no document is open" : "no presentation is open";
    return pDoc;
}

bool ScriptRunner::NeedPresentation(const std::string& cmd, std::string& error) const
{
    if (m_office.Host() == HostKind::PowerPoint) return true;
    error = cmd + ": Word documents have no slides";
    return false;
}

bool ScriptRunner::Execute(const Words& words, std::string& error)
{
    const Command* pCommand = FindCommand(words[0]);
    if (!pCommand) {
        error = "unknown command \"" + words[0] + "\"";
        return false;
    }
    const int argc = static_cast<int>(words.size()) - 1;
    if (argc < pCommand->minArgs || (pCommand->maxArgs >= 0 && argc > pCommand->maxArgs))
        return Usage(*pCommand, error);
    return (this->*pCommand->handler)(words, error);
}

bool ScriptRunner::CmdOpen(const Words& words, std::string& error)
{
    int slides = 0;
    if (words.size() == 3 && (!ParseInt(words[2], slides) || slides < 1)) {
        error = "not a slide count: " + words[2];
        return false;
    }
    if (slides > OfficeDocument::kMaxSlides) return TooManySlides(words[2], error);
    return m_office.Model().Open(words[1], slides, &error) != nullptr;
}

bool ScriptRunner::CmdNew(const Words&, std::string&)
{
    return m_office.Model().New() != nullptr;
}

bool ScriptRunner::CmdActivate(const Words& words, std::string& error)
{
    Office& model = m_office.Model();
    int index = 0;
    OfficeDocument* pDoc = ParseInt(words[1], index) ? model.Item(index) : model.Find(words[1]);
    if (!pDoc) {
        error = "no open document " + words[1];
        return false;
    }
    return model.Activate(pDoc);
}

bool ScriptRunner::CmdSave(const Words& words, std::string& error)
{
    Office& model = m_office.Model();
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    // A document without a file is saved through the Save As dialog; closing it
    // hands the focus back to the document's window.
    const bool bSaveAsDialog = !pDoc->HasFile();
    if (!model.Save(pDoc, words.size() == 2 ? words[1] : std::string(), &error)) return false;
    if (bSaveAsDialog) model.RefocusActiveWindow();
    return true;
}

bool ScriptRunner::CmdClose(const Words&, std::string& error)
{
    OfficeDocument* pDoc = ActiveOrError(error);
    return pDoc && m_office.Model().Close(pDoc);
}

bool ScriptRunner::CmdDocuments(const Words&, std::string&)
{
    Office& model = m_office.Model();
    for (int i = 1; i <= model.Count(); ++i) {
        OfficeDocument* pDoc = model.Item(i);
        m_out << (pDoc == model.Active() ? "* " : "  ") << i << " " << pDoc->FullName() << "\n";
    }
    return true;
}

bool ScriptRunner::CmdProperty(const Words& words, std::string& error)
{
    const std::string& cmd = words[0];
    const std::string name = cmd == "keywords" ? "Keywords" : cmd == "author" ? "Author" : words[1];
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    const std::optional<std::string> value = pDoc->FindProperty(name);
    if (!value) {
        error = "no built-in property " + name;
        return false;
    }
    m_out << *value << "\n";
    return true;
}

bool ScriptRunner::CmdSetProperty(const Words& words, std::string& error)
{
    const std::string& cmd = words[0];
    const bool bNamed = cmd == "set-property";
    const std::string name = bNamed ? words[1] : cmd == "set-keywords" ? "Keywords" : "Author";
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    if (!pDoc->SetProperty(name, words[bNamed ? 2 : 1])) {
        error = "no built-in property " + name;
        return false;
    }
    return true;
}

bool ScriptRunner::CmdSlides(const Words& words, std::string& error)
{
    if (!NeedPresentation(words[0], error)) return false;
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    if (words[0] == "slides") {
        m_out << pDoc->SlideCount() << "\n";
    } else {
        for (int i = 1; i <= pDoc->SlideCount(); ++i)
            m_out << (i == pDoc->CurrentSlide() ? "* " : "  ") << i << " " << pDoc->SlideTitle(i) << "\n";
    }
    return true;
}

bool ScriptRunner::TooManySlides(const std::string& count, std::string& error)
{
    error = "too many slides: " + count + " (a presentation holds at most " + std::to_string(OfficeDocument::kMaxSlides) +
            ")";
    return false;
}

bool ScriptRunner::CmdSetSlides(const Words& words, std::string& error)
{
    int n = 0;
    if (!ParseInt(words[1], n)) return Usage(words[0], error);
    if (!NeedPresentation(words[0], error)) return false;
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    if (words[0] == "set-slides") {
        if (n < 0) {
            error = "not a slide count: " + words[1];
            return false;
        }
        if (n > OfficeDocument::kMaxSlides) return TooManySlides(words[1], error);
        pDoc->SetSlideCount(n);
        return true;
    }
    if (!pDoc->SetCurrentSlide(n)) {
        error = "no slide " + words[1] + " (the presentation has " + std::to_string(pDoc->SlideCount()) + ")";
        return false;
    }
    return true;
}

bool ScriptRunner::CmdInsertSlides(const Words& words, std::string& error)
{
    int index = 0, start = 0, end = 0;
    if (!ParseInt(words[2], index) || !ParseInt(words[3], start) || !ParseInt(words[4], end))
        return Usage(words[0], error);
    if (!NeedPresentation(words[0], error)) return false;
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    return m_office.Model().InsertFromFile(*pDoc, words[1], index, start, end, &error) >= 0;
}

bool ScriptRunner::CmdExport(const Words& words, std::string& error)
{
    const std::string format = words.size() == 3 ? words[2] : "bmp";
    if (format != "bmp" && format != "jpg") return Usage(words[0], error);
    if (!NeedPresentation(words[0], error)) return false;
    OfficeDocument* pDoc = ActiveOrError(error);
    if (!pDoc) return false;
    return m_office.Model().ExportSlides(*pDoc, words[1], format == "bmp" ? "BMP" : "JPG", &error);
}

bool ScriptRunner::CmdToolbar(const Words&, std::string&)
{
    PrintToolbar();
    return true;
}

bool ScriptRunner::HostWindowBlocked(std::string& error) const
{
    // A modal dialog keeps the mouse and the keyboard from the host's window.
    QDialog* pDialog = m_pDialogs->Current();
    if (!pDialog) return false;
    error = "the dialog \"" + pDialog->windowTitle().toStdString() + "\" is open; close it first";
    return true;
}

bool ScriptRunner::CmdClick(const Words& words, std::string& error)
{
    if (HostWindowBlocked(error)) return false;
    ControlCore* pButton = m_office.CommandBars().FindButtonByTag(words[1]);
    if (!pButton) {
        error = "no button with the tag \"" + words[1] + "\"";
        return false;
    }
    if (!pButton->State().bEnabled) {
        error = "the button \"" + words[1] + "\" is disabled";
        return false;
    }
    pButton->FireClick();
    return true;
}

bool ScriptRunner::CmdSearch(const Words& words, std::string& error)
{
    if (HostWindowBlocked(error)) return false;
    ControlCore* pCombo = m_office.CommandBars().FindComboBox();
    if (!pCombo) {
        error = "no combo box on the command bars";
        return false;
    }
    pCombo->State().text = words[1];
    pCombo->FireChange();
    return true;
}

bool ScriptRunner::CmdEvents(const Words& words, std::string& error)
{
    if (words[1] != "on" && words[1] != "off") return Usage(words[0], error);
    m_bEvents = words[1] == "on";
    return true;
}

bool ScriptRunner::CmdEcho(const Words& words, std::string&)
{
    m_out << JoinFrom(words, 1) << "\n";
    return true;
}

bool ScriptRunner::CmdAddins(const Words&, std::string&)
{
    for (const std::string& progId : m_office.LoadedAddins()) m_out << progId << "\n";
    return true;
}

bool ScriptRunner::CmdHelp(const Words&, std::string&)
{
    m_out << HelpText();
    return true;
}

bool ScriptRunner::CmdQuit(const Words&, std::string&)
{
    m_bQuit = true;
    return true;
}

bool ScriptRunner::ParseId(const std::string& text, int& id, std::string& error)
{
    if (ParseInt(text, id)) return true;
    error = "not a control id: " + text;
    return false;
}

bool ScriptRunner::CmdDialog(const Words&, std::string& error)
{
    return m_pDialogs->Print(error);
}

bool ScriptRunner::CmdDialogSet(const Words& words, std::string& error)
{
    int id = 0;
    return ParseId(words[1], id, error) && m_pDialogs->SetText(id, words[2], error);
}

bool ScriptRunner::CmdDialogSelect(const Words& words, std::string& error)
{
    int id = 0, start = 0, end = 0;
    if (!ParseId(words[1], id, error)) return false;
    if (!ParseInt(words[2], start) || !ParseInt(words[3], end)) return Usage(words[0], error);
    return m_pDialogs->Select(id, start, end, error);
}

bool ScriptRunner::CmdDialogKey(const Words& words, std::string& error)
{
    int id = 0;
    return ParseId(words[1], id, error) && m_pDialogs->Key(id, words[2], error);
}

bool ScriptRunner::CmdDialogClick(const Words& words, std::string& error)
{
    int id = 0;
    return ParseId(words[1], id, error) && m_pDialogs->Click(id, error);
}

bool ScriptRunner::CmdDialogCheck(const Words& words, std::string& error)
{
    int id = 0;
    if (!ParseId(words[1], id, error)) return false;
    if (words[2] != "0" && words[2] != "1") return Usage(words[0], error);
    return m_pDialogs->Check(id, words[2] == "1", error);
}

bool ScriptRunner::CmdDialogResize(const Words& words, std::string& error)
{
    int width = 0, height = 0;
    if (!ParseInt(words[1], width) || !ParseInt(words[2], height) || width <= 0 || height <= 0)
        return Usage(words[0], error);
    return m_pDialogs->Resize(width, height, error);
}

bool ScriptRunner::CmdDialogListClick(const Words& words, std::string& error)
{
    int id = 0, row = 0;
    if (!ParseId(words[1], id, error)) return false;
    if (!ParseInt(words[2], row)) {
        error = "not a row: " + words[2];
        return false;
    }
    return m_pDialogs->ListClick(id, row, words[0] == "dialog-list-rclick", error);
}

bool ScriptRunner::CmdDialogMenu(const Words& words, std::string& error)
{
    // The item's words need no quotes: dialog-menu Show File in Explorer.
    std::string text = words[1];
    for (size_t i = 2; i < words.size(); ++i) text += " " + words[i];
    return m_pDialogs->ChooseMenuItem(text, error);
}

bool ScriptRunner::CmdAnswer(const Words& words, std::string& error)
{
    const std::string& answer = words[1];
    if (answer != "ok" && answer != "cancel" && answer != "yes" && answer != "no") return Usage(words[0], error);
    m_pDialogs->QueueAnswer(answer);
    return true;
}

bool ScriptRunner::CmdChooseFile(const Words& words, std::string& error)
{
    if (words[1].empty()) return Usage(words[0], error);
    m_pDialogs->QueueFile(words[1] == "cancel" ? std::nullopt : std::optional<std::string>(words[1]));
    return true;
}

bool ScriptRunner::CmdScreenshot(const Words& words, std::string& error)
{
    // Without an open dialog: the host's main window with its tool bars, drawn even
    // when it is not on screen.
    if (!m_pDialogs->Current() && m_office.HasWindowPicture()) {
        if (m_office.WindowPicture().save(QString::fromStdString(words[1]), "PNG")) return true;
        error = "cannot write the screenshot " + words[1];
        return false;
    }
    return m_pDialogs->Screenshot(words[1], error);
}

void ScriptRunner::PrintToolbar()
{
    auto printControls = [this](auto& self, SimControls& controls, int depth) -> void {
        for (ControlCore* pControl : controls.List()) {
            const ControlState& s = pControl->State();
            m_out << std::string(static_cast<size_t>(depth) * 2, ' ') << pControl->Position() << "|"
                  << TypeName(s.type) << "|" << s.caption << "|"
                  << (s.type == office::msoControlButton ? std::to_string(s.faceId) : std::string("-")) << "|"
                  << s.tag << "|" << s.tooltip << "|" << (s.bBeginGroup ? 1 : 0) << "|" << (s.bEnabled ? 1 : 0)
                  << "\n";
            if (SimControls* pItems = pControl->Items()) self(self, *pItems, depth + 1);
            // A combo box's drop-down list, one entry per line, below it like a popup's items.
            const std::string indent(static_cast<size_t>(depth + 1) * 2, ' ');
            for (size_t i = 0; i < s.list.size(); ++i) m_out << indent << i + 1 << "|item|" << s.list[i] << "\n";
        }
    };
    for (SimCommandBar* pBar : m_office.CommandBars().Bars()) {
        m_out << "[" << pBar->Name() << "]\n";
        printControls(printControls, pBar->Controls(), 0);
    }
}

} // namespace quillmark::officecore
