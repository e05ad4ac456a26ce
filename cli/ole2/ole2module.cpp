// The reader and writer of OLE2 documents (.doc, .ppt) as a module of its own,
// which the quillmark command opens only when it meets such a file: libgsf and
// the GIO it brings take longer to load than a whole query takes to answer.
#include "cli/ole2/ole2module.h"

#include "docprops/formats.h"

extern "C" {

__attribute__((visibility("default"))) std::optional<quillmark::docprops::Properties>
quillmark_ole2_read(std::string_view bytes, std::string* error)
{
    return quillmark::docprops::ReadOle2(bytes, error);
}

__attribute__((visibility("default"))) std::optional<std::string>
quillmark_ole2_write(std::string_view bytes, const quillmark::docprops::Properties& properties, std::string* error)
{
    return quillmark::docprops::WriteOle2(bytes, properties, error);
}

} // extern "C"
