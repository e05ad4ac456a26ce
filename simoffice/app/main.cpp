// quillmark-host: one simulated office host (Word or PowerPoint) in this process.
// It loads the add-ins of the host's list in the registry, then runs host commands
// from a script (--script FILE, "-" for standard input) or from the terminal.
#include "simoffice/scriptrunner.h"
#include "simoffice/simoffice.h"

#include <CLI/CLI.hpp>
#include <QApplication>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

using namespace quillmark::simoffice;

namespace {

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App cli{"quillmark-host: a simulated Word or PowerPoint that loads Quillmark add-ins"};
    std::string hostName, scriptPath;
    bool bNoAddins = false;
    cli.add_option("--host", hostName, "word or powerpoint")->required();
    cli.add_option("--script", scriptPath, "run the commands in FILE (- for standard input) and exit");
    cli.add_flag("--no-addins", bNoAddins, "start without loading any add-in");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
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

    // A script needs no display; neither does a terminal session without one.
    if (!IsSet("QT_QPA_PLATFORM") && (!scriptPath.empty() || (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"))))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
        if (!bNoAddins) office.LoadAddins(std::cerr);
        ScriptRunner runner(office, std::cout, std::cerr);
        status = runner.Run(*pInput, scriptPath.empty() ? "quillmark-host> " : "");
        office.Shutdown();
    }
    return status;
}
