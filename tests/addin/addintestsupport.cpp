#include "tests/addin/addintestsupport.h"

#include "platform/com/serverentry.h"

#include <dlfcn.h>

namespace quillmark::test {

AddinLibrary::AddinLibrary(const std::string& path)
{
    m_hLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_hLibrary) {
        const char* error = dlerror();
        m_strError = error ? error : "dlopen failed";
        return;
    }
    DllCanUnloadNow = reinterpret_cast<DllCanUnloadNowFunc>(dlsym(m_hLibrary, kDllCanUnloadNow));
    DllGetClassObject = reinterpret_cast<DllGetClassObjectFunc>(dlsym(m_hLibrary, kDllGetClassObject));
    DllRegisterServer = reinterpret_cast<DllRegisterServerFunc>(dlsym(m_hLibrary, kDllRegisterServer));
    DllUnregisterServer = reinterpret_cast<DllUnregisterServerFunc>(dlsym(m_hLibrary, kDllUnregisterServer));
    if (!DllCanUnloadNow || !DllGetClassObject || !DllRegisterServer || !DllUnregisterServer)
        m_strError = "an entry point is missing";
}

AddinLibrary::~AddinLibrary()
{
    // Kept loaded: objects of a test may still be on their way out, and unloading
    // is the host's decision, tested through DllCanUnloadNow.
}

ComPtr<office::IDTExtensibility2> AddinLibrary::CreateConnect()
{
    ComPtr<IClassFactory> spFactory;
    if (FAILED(DllGetClassObject(kConnectClsid, IClassFactory::Iid, reinterpret_cast<void**>(&spFactory))))
        return {};
    ComPtr<office::IDTExtensibility2> spConnect;
    if (FAILED(spFactory->CreateInstance(nullptr, office::IDTExtensibility2::Iid,
                                         reinterpret_cast<void**>(&spConnect))))
        return {};
    return spConnect;
}

HRESULT FakeApplication::QueryInterface(REFIID riid, void** ppv)
{
    if (riid != IUnknown::Iid && riid != IDispatch::Iid) m_vecAsked.push_back(riid);
    return ComObject::QueryInterface(riid, ppv);
}

HRESULT FakeApplication::GetTypeInfoCount(std::uint32_t* pctinfo)
{
    m_vecCalls.push_back("GetTypeInfoCount");
    if (pctinfo) *pctinfo = 0;
    return S_OK;
}

HRESULT FakeApplication::GetTypeInfo(std::uint32_t, LCID, ITypeInfo** ppTInfo)
{
    m_vecCalls.push_back("GetTypeInfo");
    if (ppTInfo) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT FakeApplication::GetIDsOfNames(REFIID, const char* const* names, std::uint32_t count, LCID,
                                       DISPID* dispIds)
{
    m_vecCalls.push_back(std::string("GetIDsOfNames ") + (count ? names[0] : ""));
    for (std::uint32_t i = 0; i < count; ++i) dispIds[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT FakeApplication::Invoke(DISPID dispId, REFIID, LCID, std::uint16_t, DispParams*, Variant*, ExcepInfo*,
                                std::uint32_t*)
{
    m_vecCalls.push_back("Invoke " + std::to_string(dispId));
    return DISP_E_MEMBERNOTFOUND;
}

} // namespace quillmark::test
