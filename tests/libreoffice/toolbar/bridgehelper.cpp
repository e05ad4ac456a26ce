// A second Quillmark process for the tests: connects to the office named on its
// command line ("CONNECT" or "--connect CONNECT", as the extension's start job
// calls Quillmark), receives the commands of Writer and Impress frames and prints
// each as "command VERB ID TEXT DOCUMENT" (after "ready"), until it is killed or
// the office ends. With $BRIDGE_HELPER_LOG set it appends these lines to that file
// instead, first "pid PID".
#include "libreoffice/toolbar/officetoolbars.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

using namespace quillmark::libreoffice;

int main(int argc, char** argv)
{
    const bool bFlag = argc == 3 && std::string(argv[1]) == "--connect";
    if (argc != 2 && !bFlag) {
        std::cerr << "usage: bridgehelper [--connect] CONNECT\n";
        return 2;
    }
    std::ofstream log;
    if (const char* path = std::getenv("BRIDGE_HELPER_LOG")) {
        log.open(path, std::ios::app);
        log << "pid " << getpid() << std::endl;
    }
    std::ostream& out = log.is_open() ? log : std::cout;
    std::string error;
    auto office = OfficeConnection::Connect(argv[bFlag ? 2 : 1], &error);
    if (!office) {
        (log.is_open() ? out : std::cerr) << "error " << error << std::endl;
        return 1;
    }
    OfficeToolBars toolBars(*office);
    const bool bOk = toolBars.ReceiveCommands(
        {DocumentKind::Text, DocumentKind::Presentation},
        [&out](DocumentId id, const ForwardedCommand& command) {
            out << "command " << command.strVerb << ' ' << command.strId << ' ' << command.strText << ' '
                      << (id != 0 ? "document" : "none") << std::endl;
        },
        &error);
    if (!bOk) {
        std::cerr << error << '\n';
        return 1;
    }
    out << "ready" << std::endl;
    BatonHold hold(office->GetBaton());
    while (office->Alive()) office->GetMainQueue().WaitAndRun(office->GetBaton(), std::chrono::milliseconds(200));
    return 0;
}
