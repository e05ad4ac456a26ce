#include "officecore/office.h"

#include "platform/files/paths.h"

namespace quillmark::officecore {

std::string OfficeDocument::Name() const
{
    return files::NameOf(FullName());
}

} // namespace quillmark::officecore
