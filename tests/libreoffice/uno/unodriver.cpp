// A second client of a running office for the tests: acts on a document as a
// user or another program would, so that the office's callbacks reach the test
// program on the office's own initiative.
//   qm_test_unodriver store CONNECT PATH   saves the open document of that file
#include "libreoffice/uno/officeconnection.h"

#include <cstdio>
#include <string>

using namespace quillmark::libreoffice;

int main(int argc, char** argv)
{
    if (argc != 4 || std::string(argv[1]) != "store") {
        std::fprintf(stderr, "usage: qm_test_unodriver store CONNECT PATH\n");
        return 2;
    }
    std::string error;
    auto pOffice = OfficeConnection::Connect(argv[2], &error);
    if (!pOffice) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    BatonHold hold(pOffice->GetBaton());
    for (const auto& info : pOffice->AllDocuments(&error)) {
        if (info.strPath != argv[3]) continue;
        if (!pOffice->Store(info.id, "", &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("stored\n");
        return 0;
    }
    std::fprintf(stderr, "not open: %s %s\n", argv[3], error.c_str());
    return 1;
}
