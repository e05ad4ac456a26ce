#include "platform/com/comerror.h"

#include "platform/com/comptr.h"

ComError::ComError(HRESULT hr, std::string context)
    : m_hr(hr), m_strContext(std::move(context))
{
    m_strMessage = (m_strContext.empty() ? std::string("call") : m_strContext) + " failed: " + HResultText(hr);
}

bool IsSameObject(IUnknown* a, IUnknown* b)
{
    if (!a || !b) return a == b;
    ComPtr<IUnknown> identityA, identityB;
    identityA.QueryFrom(a);
    identityB.QueryFrom(b);
    return identityA.Get() == identityB.Get();
}
