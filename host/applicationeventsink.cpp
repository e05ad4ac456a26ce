#include "host/applicationeventsink.h"

#include <stdexcept>

#include "host/officeapplication.h"

namespace quillmark {

IDispatch* EventObjectArgument(DispParams& params, std::uint32_t index)
{
    const Variant* pArg = params.Positional(index);
    return pArg ? pArg->DispatchVal() : nullptr;
}

TaggingDatabase& DatabaseOf(const OfficeApplication& app)
{
    if (!app.Database()) throw std::logic_error("m_pDatabase != 0");
    return *app.Database();
}

} // namespace quillmark
