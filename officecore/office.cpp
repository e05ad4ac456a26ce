#include "officecore/office.h"

namespace quillmark::officecore {

std::string OfficeDocument::Name() const
{
    const std::string& fullName = FullName();
    size_t cut = fullName.find_last_of("/\\");
    return cut == std::string::npos ? fullName : fullName.substr(cut + 1);
}

} // namespace quillmark::officecore
