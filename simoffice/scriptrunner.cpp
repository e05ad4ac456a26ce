#include "simoffice/scriptrunner.h"

#include "simoffice/scriptline.h"

#include <charconv>

namespace quillmark::simoffice {

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

ScriptRunner::ScriptRunner(SimOffice& office, std::ostream& out, std::ostream& err)
    : m_office(office), m_out(out), m_err(err)
{
    m_office.SetEventTrace([this](const std::string& event) {
        if (m_bEvents) m_out << "event: " << event << "\n";
    });
    m_office.Model().SetNotices([this](const std::string& text) { m_err << "warning: " << text << std::endl; });
}

const char* ScriptRunner::HelpText()
{
    return "open PATH [SLIDES]      open a file (a presentation with SLIDES slides)\n"
           "new                     a new, never-saved document\n"
           "activate INDEX|PATH     switch to an open document\n"
           "save [PATH]             save the active document (to PATH: save as)\n"
           "close                   close the active document without saving\n"
           "documents               list the open documents (* = active)\n"
           "keywords | author       print the active document's property\n"
           "set-keywords TEXT | set-author TEXT\n"
           "property NAME | set-property NAME TEXT\n"
           "slides | set-slides N   slide count of the active presentation\n"
           "slide-list | goto-slide N | insert-slides FILE INDEX START END\n"
           "export FOLDER [bmp|jpg] one picture per slide (SaveCopyAs)\n"
           "toolbar                 the add-ins' command-bar controls\n"
           "click TAG | search TEXT\n"
           "events on|off | echo TEXT | addins | help | quit\n";
}

int ScriptRunner::Run(std::istream& in, const std::string& prompt)
{
    m_bEcho = prompt.empty();
    std::string line;
    int lineNumber = 0;
    while (!m_bQuit) {
        if (!prompt.empty()) m_out << prompt << std::flush;
        if (!std::getline(in, line)) break;
        RunLine(line, ++lineNumber);
    }
    if (!prompt.empty() && !m_bQuit) m_out << "\n";
    m_out.flush();
    return m_nFailures == 0 ? 0 : 1;
}

bool ScriptRunner::RunLine(const std::string& line, int lineNumber)
{
    std::vector<std::string> words;
    std::string error;
    bool bOk = SplitScriptLine(line, words, error);
    if (bOk && words.empty()) return true; // blank line or comment
    if (m_bEcho) m_out << "> " << Trim(line) << "\n";
    if (bOk) bOk = Execute(words, error);
    m_out.flush();
    if (!bOk) {
        ++m_nFailures;
        m_err << "line " << lineNumber << ": " << error << std::endl;
    }
    return bOk;
}

SimDocument* ScriptRunner::ActiveOrError(std::string& error) const
{
    SimDocument* pDoc = m_office.Model().Active();
    if (!pDoc) error = m_office.Host() == HostKind::Word ? "no document is open" : "no presentation is open";
    return pDoc;
}

bool ScriptRunner::Execute(const std::vector<std::string>& words, std::string& error)
{
    const std::string& cmd = words[0];
    const size_t argc = words.size() - 1;
    OfficeModel& model = m_office.Model();
    auto usage = [&](const char* text) {
        error = std::string("usage: ") + text;
        return false;
    };
    auto needPresentation = [&]() {
        if (m_office.Host() == HostKind::PowerPoint) return true;
        error = cmd + ": Word documents have no slides";
        return false;
    };

    if (cmd == "open") {
        if (argc < 1 || argc > 2) return usage("open PATH [SLIDES]");
        int slides = 0;
        if (argc == 2 && (!ParseInt(words[2], slides) || slides < 1)) {
            error = "not a slide count: " + words[2];
            return false;
        }
        return model.Open(words[1], slides, &error) != nullptr;
    }
    if (cmd == "new") {
        if (argc != 0) return usage("new");
        return model.New() != nullptr;
    }
    if (cmd == "activate") {
        if (argc != 1) return usage("activate INDEX|PATH");
        int index = 0;
        SimDocument* pDoc = ParseInt(words[1], index) ? model.Item(index) : model.Find(words[1]);
        if (!pDoc) {
            error = "no open document " + words[1];
            return false;
        }
        return model.Activate(pDoc);
    }
    if (cmd == "save") {
        if (argc > 1) return usage("save [PATH]");
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        // A document without a file is saved through the Save As dialog; closing it
        // hands the focus back to the document's window.
        const bool bSaveAsDialog = !pDoc->HasFile();
        if (!model.Save(pDoc, argc == 1 ? words[1] : std::string(), &error)) return false;
        if (bSaveAsDialog) model.RefocusActiveWindow();
        return true;
    }
    if (cmd == "close") {
        if (argc != 0) return usage("close");
        SimDocument* pDoc = ActiveOrError(error);
        return pDoc && model.Close(pDoc);
    }
    if (cmd == "documents") {
        for (int i = 1; i <= model.Count(); ++i) {
            SimDocument* pDoc = model.Item(i);
            m_out << (pDoc == model.Active() ? "* " : "  ") << i << " " << pDoc->FullName() << "\n";
        }
        return true;
    }
    if (cmd == "keywords" || cmd == "author" || cmd == "property") {
        std::string name = cmd == "keywords" ? "Keywords" : cmd == "author" ? "Author" : "";
        if (cmd == "property" ? argc != 1 : argc != 0) return usage(cmd == "property" ? "property NAME" : cmd.c_str());
        if (name.empty()) name = words[1];
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        const std::string* pValue = pDoc->Properties().Find(name);
        if (!pValue) {
            error = "no built-in property " + name;
            return false;
        }
        m_out << *pValue << "\n";
        return true;
    }
    if (cmd == "set-keywords" || cmd == "set-author" || cmd == "set-property") {
        std::string name = cmd == "set-keywords" ? "Keywords" : cmd == "set-author" ? "Author" : "";
        size_t textAt = name.empty() ? 2 : 1;
        if (argc != textAt) return usage(name.empty() ? "set-property NAME TEXT" : (cmd + " TEXT").c_str());
        if (name.empty()) name = words[1];
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        if (!pDoc->SetProperty(name, words[textAt])) {
            error = "no built-in property " + name;
            return false;
        }
        return true;
    }
    if (cmd == "slides" || cmd == "slide-list") {
        if (argc != 0) return usage(cmd.c_str());
        if (!needPresentation()) return false;
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        if (cmd == "slides") {
            m_out << pDoc->Slides().size() << "\n";
        } else {
            for (size_t i = 0; i < pDoc->Slides().size(); ++i)
                m_out << (static_cast<int>(i + 1) == pDoc->CurrentSlide() ? "* " : "  ") << i + 1 << " "
                      << pDoc->Slides()[i].text << "\n";
        }
        return true;
    }
    if (cmd == "set-slides" || cmd == "goto-slide") {
        int n = 0;
        if (argc != 1 || !ParseInt(words[1], n)) return usage((cmd + " N").c_str());
        if (!needPresentation()) return false;
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        if (cmd == "set-slides") {
            if (n < 0) {
                error = "not a slide count: " + words[1];
                return false;
            }
            pDoc->SetSlideCount(n);
            return true;
        }
        if (!pDoc->SetCurrentSlide(n)) {
            error = "no slide " + words[1] + " (the presentation has " + std::to_string(pDoc->Slides().size()) +
                    ")";
            return false;
        }
        return true;
    }
    if (cmd == "insert-slides") {
        int index = 0, start = 0, end = 0;
        if (argc != 4 || !ParseInt(words[2], index) || !ParseInt(words[3], start) || !ParseInt(words[4], end))
            return usage("insert-slides FILE INDEX START END");
        if (!needPresentation()) return false;
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        return model.InsertFromFile(*pDoc, words[1], index, start, end, &error) >= 0;
    }
    if (cmd == "export") {
        if (argc < 1 || argc > 2) return usage("export FOLDER [bmp|jpg]");
        std::string format = argc == 2 ? words[2] : "bmp";
        if (format != "bmp" && format != "jpg") return usage("export FOLDER [bmp|jpg]");
        if (!needPresentation()) return false;
        SimDocument* pDoc = ActiveOrError(error);
        if (!pDoc) return false;
        return model.ExportSlides(*pDoc, words[1], format == "bmp" ? "BMP" : "JPG", &error);
    }
    if (cmd == "toolbar") {
        if (argc != 0) return usage("toolbar");
        PrintToolbar();
        return true;
    }
    if (cmd == "click") {
        if (argc != 1) return usage("click TAG");
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
    if (cmd == "search") {
        if (argc != 1) return usage("search TEXT");
        ControlCore* pCombo = m_office.CommandBars().FindComboBox();
        if (!pCombo) {
            error = "no combo box on the command bars";
            return false;
        }
        pCombo->State().text = words[1];
        pCombo->FireChange();
        return true;
    }
    if (cmd == "events") {
        if (argc != 1 || (words[1] != "on" && words[1] != "off")) return usage("events on|off");
        m_bEvents = words[1] == "on";
        return true;
    }
    if (cmd == "echo") {
        m_out << JoinFrom(words, 1) << "\n";
        return true;
    }
    if (cmd == "addins") {
        for (const std::string& progId : m_office.LoadedAddins()) m_out << progId << "\n";
        return true;
    }
    if (cmd == "help") {
        m_out << HelpText();
        return true;
    }
    if (cmd == "quit" || cmd == "exit") {
        m_bQuit = true;
        return true;
    }
    error = "unknown command \"" + cmd + "\"";
    return false;
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

} // namespace quillmark::simoffice
