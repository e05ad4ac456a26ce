// The reader of documents' own properties as a module of its own, which the
// quillmark command opens only when a scan reads a document: libgsf, the GIO it
// brings and libzip take longer to load than a whole query takes to answer.
#include "cli/module/docpropsmodule.h"

extern "C" __attribute__((visibility("default"))) std::optional<quillmark::docprops::Properties>
quillmark_properties_read(const std::string& path, std::string* error, quillmark::files::FileStamp* pStamp)
{
    return quillmark::docprops::Read(path, error, pStamp);
}
