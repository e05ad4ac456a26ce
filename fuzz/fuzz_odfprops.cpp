// The OpenDocument property reader and writer over any bytes: both answer or
// refuse with a reason, never crash; what the writer accepts reads back as written.
#include "fuzz/fuzz_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillmark::fuzz::ReadAndRewrite(quillmark::docprops::Format::OpenDocument, "fuzz.odt", data, size);
    return 0;
}
