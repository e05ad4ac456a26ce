// Peak memory of reading, then writing, the document properties of one large file:
//   docprops_memory read FILE    prints the properties' sizes and the peak resident set
//   docprops_memory write FILE   writes new properties into FILE (in place), the same
// The figures come from getrusage, so each run measures one operation in a fresh process.
#include "docprops/docprops.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace quillmark;

namespace {

long PeakKib()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "read") != 0 && std::strcmp(argv[1], "write") != 0)) {
        std::fprintf(stderr, "usage: docprops_memory read|write FILE\n");
        return 2;
    }
    const std::string path = argv[2];
    const long before = PeakKib();
    std::string error;
    if (std::strcmp(argv[1], "read") == 0) {
        std::optional<docprops::Properties> properties = docprops::Read(path, &error);
        if (!properties) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("read: title %zu bytes, keywords %zu bytes\n", properties->title.size(),
                    properties->keywords.size());
    } else {
        docprops::Properties properties;
        properties.title = "Benchmark";
        properties.keywords = "alpha, beta, gamma";
        if (!docprops::Write(path, path, properties, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("write: done\n");
    }
    std::printf("peak resident set: %ld KiB (%ld KiB before the operation)\n", PeakKib(), before);
    return 0;
}
