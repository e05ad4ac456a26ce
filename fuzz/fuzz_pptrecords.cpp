// The PowerPoint 97-2003 record walker over any bytes (a compound file holding a
// "PowerPoint Document" stream): slides and titles within their limits, or a
// refusal with a reason.
#include "fuzz/fuzz_slides.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillmark::fuzz::ReadSlides(quillmark::simoffice::SlideFileKind::Ole2, data, size);
    return 0;
}
