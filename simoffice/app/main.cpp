// quillmark-host: one simulated office host (Word or PowerPoint) in this process.
// It loads the add-ins of the host's list in the registry, then opens its main
// window (with a display), or runs host commands from a script (--script FILE, "-"
// for standard input) or from the terminal (--repl, or without a display).
#include "platform/com/serverentry.h"
#include "officecore/addinlist.h"
#include "simoffice/mainwindow.h"
#include "officecore/scriptrunner.h"
#include "simoffice/simoffice.h"

#include <CLI/CLI.hpp>
#include <QApplication>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

using namespace quillmark::officecore;
using namespace quillmark::simoffice;

namespace {

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// A platform that shows windows: the one QT_QPA_PLATFORM names, else X11 or Wayland.
bool HasDisplay()
{
    if (IsSet("QT_QPA_PLATFORM")) {
        std::string platform = std::getenv("QT_QPA_PLATFORM");
        return platform.rfind("offscreen", 0) != 0 && platform.rfind("minimal", 0) != 0;
    }
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

// The ProgID that --install-addin puts in both hosts' add-in lists.
constexpr const char* kAddinProgId = "Quillmark.Connect";

// --install-addin / --uninstall-addin: the library registers (or removes) its own
// class through its exported entry point; the hosts' add-in lists are the host's.
int InstallAddin(const std::string& library, bool bInstall)
{
    void* hLibrary = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!hLibrary) {
        const char* error = dlerror();
        std::cerr << "quillmark-host: cannot load " << library << ": " << (error ? error : "unknown error") << "\n";
        return 1;
    }
    const char* entry = bInstall ? kDllRegisterServer : kDllUnregisterServer;
    auto fnServer = reinterpret_cast<DllRegisterServerFunc>(dlsym(hLibrary, entry));
    int status = 0;
    std::string error;
    if (!fnServer) {
        std::cerr << "quillmark-host: " << library << " has no " << entry << "\n";
        status = 1;
    } else if (bInstall) {
        HRESULT hr = fnServer();
        if (FAILED(hr)) {
            std::cerr << "quillmark-host: " << entry << " failed: " << HResultText(hr) << "\n";
            status = 1;
        }
        for (HostKind host : {HostKind::Word, HostKind::PowerPoint}) {
            if (status == 0 && !AddAddinToList(host, kAddinProgId, kLoadAtStartup, &error)) {
                std::cerr << "quillmark-host: cannot add " << kAddinProgId << " to " << HostName(host) << ": " << error << "\n";
                status = 1;
            }
        }
    } else {
        // Out of the lists first, so that no host looks for a class being removed.
        for (HostKind host : {HostKind::Word, HostKind::PowerPoint}) {
            if (!RemoveAddinFromList(host, kAddinProgId, &error)) {
                std::cerr << "quillmark-host: cannot remove " << kAddinProgId << " from " << HostName(host) << ": " << error << "\n";
                status = 1;
            }
        }
        HRESULT hr = status == 0 ? fnServer() : S_OK;
        if (FAILED(hr)) {
            std::cerr << "quillmark-host: " << entry << " failed: " << HResultText(hr) << "\n";
            status = 1;
        }
    }
    dlclose(hLibrary);
    if (status == 0)
        std::cout << (bInstall ? "installed " : "uninstalled ") << kAddinProgId << " (" << library << ") for Word and PowerPoint\n";
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App cli{"quillmark-host: a simulated Word or PowerPoint that loads Quillmark add-ins"};
    std::string hostName, scriptPath, installLib, uninstallLib, screenshotPath;
    std::vector<std::string> files;
    bool bNoAddins = false, bRepl = false;
    cli.add_option("--host", hostName, "word or powerpoint");
    auto* pInstall = cli.add_option("--install-addin", installLib,
                                    "register the add-in library LIB and add it to both hosts' add-in lists");
    cli.add_option("--uninstall-addin", uninstallLib, "remove the add-in library LIB from both hosts and the registry")
        ->excludes(pInstall);
    auto* pScript = cli.add_option("--script", scriptPath, "run the commands in FILE (- for standard input) and exit");
    cli.add_flag("--repl", bRepl, "read commands from the terminal instead of opening the window")->excludes(pScript);
    cli.add_option("--screenshot", screenshotPath,
                   "write a PNG picture of the main window to FILE (after the script, if any) and exit");
    cli.add_flag("--no-addins", bNoAddins, "start without loading any add-in");
    cli.add_option("FILE", files, "documents to open at start");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
    }
    if (!installLib.empty() || !uninstallLib.empty())
        return InstallAddin(installLib.empty() ? uninstallLib : installLib, !installLib.empty());
    if (hostName.empty()) {
        std::cerr << "quillmark-host: --host is required\n";
        return 2;
    }
    std::optional<HostKind> host = HostFromName(hostName);
    if (!host) {
        std::cerr << "quillmark-host: --host must be word or powerpoint, not \"" << hostName << "\"\n";
        return 2;
    }

    std::ifstream scriptFile;
    std::istream* pInput = &std::cin;
    if (!scriptPath.empty() && scriptPath != "-") {
        scriptFile.open(scriptPath);
        if (!scriptFile) {
            std::cerr << "quillmark-host: cannot read the script " << scriptPath << "\n";
            return 2;
        }
        pInput = &scriptFile;
    }

    // The window needs a display; a script, a terminal session or a screenshot do not.
    const bool bWindow = scriptPath.empty() && !bRepl && screenshotPath.empty() && HasDisplay();
    if (!IsSet("QT_QPA_PLATFORM") && !bWindow) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt wants a private runtime folder and warns on every start without one (a
    // console session, a CI run): give it the one it would fall back to.
    if (!IsSet("XDG_RUNTIME_DIR")) {
        const char* tmp = std::getenv("TMPDIR");
        const std::string runtime = std::string(tmp && *tmp ? tmp : "/tmp") + "/runtime-" + std::to_string(getuid());
        struct stat info{};
        if ((mkdir(runtime.c_str(), 0700) == 0 || errno == EEXIST) && lstat(runtime.c_str(), &info) == 0 &&
            S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 0777) == 0700)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);

    int status = 0;
    {
        SimOffice office(*host);
        if (const char* slides = std::getenv("QUILLMARK_SLIDES"); slides && *slides) {
            int count = 0;
            auto [ptr, ec] = std::from_chars(slides, slides + std::strlen(slides), count);
            if (ec != std::errc() || *ptr != '\0' || count < 1) {
                std::cerr << "quillmark-host: QUILLMARK_SLIDES is not a slide count: " << slides << "\n";
                return 2;
            }
            office.Model().SetDefaultSlideCount(count);
        }
        // A script's runner is made before the add-ins connect: they see its hooks
        // then, and it outlives their disconnection.
        std::unique_ptr<ScriptRunner> pRunner;
        if (!bWindow && (!scriptPath.empty() || screenshotPath.empty()))
            pRunner = std::make_unique<ScriptRunner>(office, std::cout, std::cerr);
        if (!bNoAddins) office.LoadAddins(std::cerr);
        {
            // Made in every mode: scripts draw it for screenshots; add-ins own their dialogs by it.
            MainWindow window(office);
            for (const std::string& file : files) {
                std::string error;
                if (!office.Model().Open(file, 0, &error)) {
                    std::cerr << "quillmark-host: " << error << "\n";
                    status = 1;
                }
            }
            if (bWindow) {
                window.show();
                app.exec();
            } else if (pRunner) {
                if (pRunner->Run(*pInput, scriptPath.empty() ? "quillmark-host> " : "") != 0) status = 1;
            }
            if (!screenshotPath.empty() && !window.Picture().save(QString::fromStdString(screenshotPath), "PNG")) {
                std::cerr << "quillmark-host: cannot write the screenshot " << screenshotPath << "\n";
                status = 1;
            }
        }
        office.Shutdown();
        pRunner.reset();
    }
    return status;
}
