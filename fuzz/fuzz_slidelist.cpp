// The slide list readers of Office Open XML and OpenDocument presentations over
// any bytes: slides and titles within their limits, or a refusal with a reason.
#include "fuzz/fuzz_slides.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quillmark::simoffice::SlideFileKind;
    quillmark::fuzz::ReadSlides(SlideFileKind::OfficeOpenXml, data, size);
    quillmark::fuzz::ReadSlides(SlideFileKind::OpenDocument, data, size);
    return 0;
}
