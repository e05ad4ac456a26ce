// A second Quillmark process for the tests: connects to the office named on its
// command line, receives the commands of Writer and Impress frames and prints
// each as "command VERB ID TEXT" (after "ready"), until it is killed.
#include "libreoffice/toolbar/officetoolbars.h"

#include <cstdio>
#include <iostream>

using namespace quillmark::libreoffice;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: bridgehelper CONNECT\n";
        return 2;
    }
    std::string error;
    auto office = OfficeConnection::Connect(argv[1], &error);
    if (!office) {
        std::cerr << error << '\n';
        return 1;
    }
    OfficeToolBars toolBars(*office);
    const bool bOk = toolBars.ReceiveCommands(
        {DocumentKind::Text, DocumentKind::Presentation},
        [](DocumentId id, const ForwardedCommand& command) {
            std::cout << "command " << command.strVerb << ' ' << command.strId << ' ' << command.strText << ' '
                      << (id != 0 ? "document" : "none") << std::endl;
        },
        &error);
    if (!bOk) {
        std::cerr << error << '\n';
        return 1;
    }
    std::cout << "ready" << std::endl;
    BatonHold hold(office->GetBaton());
    while (office->Alive()) office->GetMainQueue().WaitAndRun(office->GetBaton(), std::chrono::milliseconds(200));
    return 0;
}
