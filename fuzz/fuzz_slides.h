#pragma once
// The presentation readers take a path: the input goes into a file in memory
// (memfd) that they open by its /proc name, so nothing touches the disk.
#include "fuzz/quietglib.h"
#include "simoffice/slidefile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillmark::fuzz {

inline void ReadSlides(simoffice::SlideFileKind kind, const std::uint8_t* data, std::size_t size)
{
    static const int fd = ::memfd_create("slides", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return;
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    std::string error;
    auto titles = simoffice::detail::ReadSlideTitlesOfKind(kind, path, &error);
    if (!titles && error.empty())
        __builtin_trap(); // a refusal always says why
    if (titles) {
        if (titles->size() > 10000)
            __builtin_trap(); // never more slides than a presentation holds
        for (const std::string& title : *titles)
            if (title.size() > simoffice::kMaxTitleBytes)
                __builtin_trap();
    }
}

} // namespace quillmark::fuzz
