// The OLE2 property set reader and rewriter (SummaryInformation in a compound
// file) over any bytes: both answer or refuse with a reason, never crash; what the
// rewriter accepts reads back as written.
#include "fuzz/fuzz_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillmark::fuzz::ReadAndRewrite(quillmark::docprops::Format::Ole2, "fuzz.doc", data, size);
    return 0;
}
