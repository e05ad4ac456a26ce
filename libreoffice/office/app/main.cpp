// quillmark-office: Quillmark in LibreOffice. Writer is the Word host and Impress
// the PowerPoint host of the add-ins registered for them; the office is one that
// accepts UNO connections (--connect) or a private one started here.
//
//   quillmark-office --host word --connect 'pipe,name=NAME' --script -   host commands
//   quillmark-office [FILE...]          the office with the tool bar until it ends
//   quillmark-office --install          the extension and the start with LibreOffice
#include "libreoffice/office/eventloop.h"
#include "libreoffice/office/libreofficemodel.h"
#include "libreoffice/office/toolbarsync.h"
#include "libreoffice/toolbar/officetoolbars.h"
#include "officecore/officehost.h"
#include "officecore/scriptrunner.h"

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

using namespace quillmark;
using namespace quillmark::libreoffice;
using officecore::HostKind;

namespace {

constexpr const char* kProgram = "quillmark-office";

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

bool HasDisplay()
{
    if (IsSet("QT_QPA_PLATFORM")) {
        std::string platform = std::getenv("QT_QPA_PLATFORM");
        return platform.rfind("offscreen", 0) != 0 && platform.rfind("minimal", 0) != 0;
    }
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

// Qt wants a private runtime folder and warns on every start without one.
void EnsureRuntimeDir()
{
    if (IsSet("XDG_RUNTIME_DIR")) return;
    const char* tmp = std::getenv("TMPDIR");
    const std::string runtime = std::string(tmp && *tmp ? tmp : "/tmp") + "/runtime-" + std::to_string(getuid());
    struct stat info{};
    if ((mkdir(runtime.c_str(), 0700) == 0 || errno == EEXIST) && lstat(runtime.c_str(), &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 0777) == 0700)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

std::string ThisProgram(const char* argv0)
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return argv0;
    return std::string(path, static_cast<size_t>(n));
}

// One host kind in the office: the office host with its add-ins and its tool bar.
struct Host {
    Host(OfficeConnection& connection, OfficeToolBars& toolBars, HostKind kind)
        : host(std::make_unique<LibreOfficeModel>(connection, kind), kProgram),
          model(static_cast<LibreOfficeModel&>(host.Model())), sync(model, host.CommandBars(), toolBars)
    {
    }
    officecore::OfficeHost host;
    LibreOfficeModel& model;
    ToolBarSync sync;
};

} // namespace

int main(int argc, char** argv)
{
    CLI::App cli{"quillmark-office: Quillmark in LibreOffice Writer (Word) and Impress (PowerPoint)"};
    std::string hostName, connect, scriptPath;
    std::vector<std::string> files;
    bool bHeadless = false, bNoAddins = false, bInstall = false, bUninstall = false;
    cli.add_option("--host", hostName, "word or powerpoint (a script needs one; otherwise both)");
    cli.add_option("--connect", connect, "the office's UNO connection, e.g. 'pipe,name=NAME'");
    cli.add_option("--script", scriptPath, "run the commands in FILE (- for standard input), then exit");
    cli.add_flag("--headless", bHeadless, "start the office without windows");
    cli.add_flag("--no-addins", bNoAddins, "start without loading any add-in");
    auto* pInstall = cli.add_flag("--install", bInstall, "install the extension and start Quillmark with LibreOffice");
    cli.add_flag("--uninstall", bUninstall, "undo --install")->excludes(pInstall);
    cli.add_option("FILE", files, "documents to open");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
    }

    std::string error;
    if (bInstall || bUninstall) {
        const bool bOk = bInstall ? InstallExtension(ExtensionPath(), ThisProgram(argv[0]), &error)
                                  : UninstallExtension(&error);
        if (!bOk) {
            std::cerr << kProgram << ": " << error << "\n";
            return 1;
        }
        std::cout << (bInstall ? "installed the Quillmark extension for LibreOffice; Quillmark starts with it\n"
                               : "uninstalled the Quillmark extension for LibreOffice\n");
        return 0;
    }

    std::vector<HostKind> kinds = {HostKind::Word, HostKind::PowerPoint};
    if (!hostName.empty()) {
        std::optional<HostKind> host = officecore::HostFromName(hostName);
        if (!host) {
            std::cerr << kProgram << ": --host must be word or powerpoint, not \"" << hostName << "\"\n";
            return 2;
        }
        kinds = {*host};
    } else if (!scriptPath.empty()) {
        std::cerr << kProgram << ": --script needs --host word or --host powerpoint\n";
        return 2;
    }
    std::ifstream scriptFile;
    int scriptFd = 0;
    if (!scriptPath.empty() && scriptPath != "-") {
        scriptFile.open(scriptPath);
        if (!scriptFile) {
            std::cerr << kProgram << ": cannot read the script " << scriptPath << "\n";
            return 2;
        }
    }

    const bool bScript = !scriptPath.empty();
    const bool bWindows = !bHeadless && !bScript && HasDisplay();
    if (!IsSet("QT_QPA_PLATFORM") && !HasDisplay()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (bScript && !IsSet("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EnsureRuntimeDir();
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    app.setQuitOnLastWindowClosed(false); // the office's windows are what the user closes

    std::unique_ptr<OfficeConnection> pConnection;
    if (!connect.empty()) {
        pConnection = OfficeConnection::Connect(connect, &error);
    } else {
        StartOptions options;
        options.bHeadless = !bWindows;
        pConnection = OfficeConnection::Start(options, &error);
    }
    if (!pConnection) {
        std::cerr << kProgram << ": " << error << "\n";
        return 1;
    }

    int status = 0;
    {
        MainThreadBinding binding(*pConnection);
        OfficeToolBars toolBars(*pConnection);
        std::vector<std::unique_ptr<Host>> hosts;
        for (HostKind kind : kinds) hosts.push_back(std::make_unique<Host>(*pConnection, toolBars, kind));
        pConnection->SetEventHandler([&hosts](const DocumentEvent& event) {
            for (auto& pHost : hosts) pHost->model.OnEvent(event);
        });
        // The tool bar's commands go to the host of the document that sent them.
        std::vector<DocumentKind> docKinds;
        for (auto& pHost : hosts) docKinds.push_back(pHost->model.Kind());
        auto receive = [&] {
            return toolBars.ReceiveCommands(
                docKinds,
                [&hosts](DocumentId id, const ForwardedCommand& command) {
                    for (auto& pHost : hosts) {
                        if (id == 0 || pHost->model.ById(id)) {
                            pHost->sync.Run(id, command);
                            return;
                        }
                    }
                },
                &error);
        };
        if (!receive()) {
            // An office without our extension (a private profile) gets it now.
            std::string addError;
            if (!toolBars.AddExtension(ExtensionPath(), &addError) || !receive())
                std::cerr << kProgram << ": the tool bar's buttons will not work: "
                          << (addError.empty() ? error : addError) << std::endl;
        }
        for (auto& pHost : hosts) {
            // The add-ins find the documents open already, as in a host started with files.
            pHost->model.AdoptOpenDocuments();
            if (!bNoAddins) pHost->host.LoadAddins(std::cerr);
            pHost->model.RefocusActiveWindow(); // the add-ins learn the active document
            pHost->sync.Sync();
        }
        Host& first = *hosts.front();
        for (const std::string& file : files) {
            // A file goes to the host of its kind (Writer or Impress).
            Host* pTarget = &first;
            for (auto& pHost : hosts)
                if (pHost->model.Accepts(file)) pTarget = pHost.get();
            if (!pTarget->model.Open(file, 0, &error)) {
                std::cerr << kProgram << ": " << error << "\n";
                status = 1;
            }
        }

        if (bScript) {
            officecore::ScriptRunner runner(first.host, std::cout, std::cerr);
            LineInput input(scriptFd);
            int runStatus = 0;
            if (scriptFile.is_open())
                runStatus = runner.Run(scriptFile);
            else
                runStatus = runner.Run([&input](std::string& line) { return input.Next(line); });
            if (runStatus != 0) status = 1;
            // The script leaves the office as it found it: its own documents close,
            // the tool bar leaves the others.
            for (LibreOfficeDocument* pDoc : first.model.OpenedHere()) first.model.Close(pDoc);
        } else {
            // Until the office ends.
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, &app, [&] {
                if (!pConnection->Alive()) app.quit();
            });
            watch.start(1000);
            app.exec();
        }
        if (pConnection->Alive()) {
            for (auto& pHost : hosts)
                for (int i = 1; i <= pHost->model.Count(); ++i) toolBars.Remove(pHost->model.Item(i)->Id(), nullptr);
        }
        pConnection->SetEventHandler({});
        for (auto& pHost : hosts) pHost->host.Shutdown();
        hosts.clear();
    }
    pConnection.reset(); // ends an office started here
    return status;
}
