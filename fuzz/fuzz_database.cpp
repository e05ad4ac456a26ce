// The tag database reader over any bytes: it must answer Read or Malformed,
// never crash, and what it reads must be queryable.
#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "store/databasereader.h"
#include "store/tagindex.h"

using namespace quillmark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int fd = ::memfd_create("tags.xml", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size) ||
        ::lseek(fd, 0, SEEK_SET) != 0)
        return 0;
    TagIndex index;
    std::string error;
    const ReadResult result = ReadDatabase(files::FileSystem::Posix(), fd, "tags.xml", index, error, size % 2 == 1);
    if (result == ReadResult::ReadError)
        __builtin_trap(); // the bytes were all there to read
    if (result == ReadResult::Read) {
        // Every record's values and tags lie inside what the index holds, and a
        // search walks them all.
        std::size_t bytes = 0;
        for (std::uint32_t record = 0; record < index.Records().size(); ++record) {
            bytes += index.Value(record, kPath).size() + index.MarkedTags(record).size();
            if (index.Records()[record].end > size)
                __builtin_trap();
        }
        std::size_t hits = 0;
        index.Search("a", [&](std::uint32_t) { ++hits; });
        if (hits > index.LiveCount() || bytes > 2 * size + 64)
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
