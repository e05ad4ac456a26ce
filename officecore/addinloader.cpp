#include "officecore/addinloader.h"

#include <dlfcn.h>

#include <exception>

namespace quillmark::officecore {

using office::IDTExtensibility2;

namespace {

// The add-in instance handed to OnConnection (Office's COMAddIn): its ProgID, late-bound.
class AddinInstance final : public DispatchObject<IDispatch> {
public:
    explicit AddinInstance(std::string progId) : m_strProgId(std::move(progId))
    {
        m_dispatchTable.Add("ProgId", 1, [this](std::uint16_t flags, DispParams&, Variant* result) {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (result) *result = Variant(m_strProgId);
            return S_OK;
        });
    }

private:
    std::string m_strProgId;
};

std::string ExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return std::string("an exception: ") + e.what();
    } catch (...) {
        return "an exception";
    }
}

} // namespace

AddinLoader::~AddinLoader() { UnloadAll(); }

void AddinLoader::Report(const std::string& progId, const std::string& reason)
{
    m_report << m_strProgram << ": add-in " << progId << " not loaded: " << reason << std::endl;
}

int AddinLoader::LoadAll(const registry::RegistryModel& model, HostKind host, IDispatch* pApplication)
{
    for (const AddinEntry& entry : ReadAddinList(model, host)) {
        if (!entry.bLoadAtStartup) continue;
        std::string error = entry.error;
        if (error.empty() && Load(entry, pApplication, error)) continue;
        Report(entry.progId, error);
    }
    StartupComplete();
    return static_cast<int>(m_vecAddins.size());
}

bool AddinLoader::Load(const AddinEntry& entry, IDispatch* pApplication, std::string& error)
{
    std::optional<GUID> clsid = ParseGuid(entry.clsid);
    if (!clsid) {
        error = "\"" + entry.clsid + "\" is not a class id";
        return false;
    }
    dlerror();
    void* hLibrary = dlopen(entry.libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!hLibrary) {
        const char* why = dlerror();
        error = "cannot load " + entry.libraryPath + ": " + (why ? why : "unknown error");
        return false;
    }
    auto fnGetClassObject = reinterpret_cast<DllGetClassObjectFunc>(dlsym(hLibrary, kDllGetClassObject));
    if (!fnGetClassObject) {
        error = entry.libraryPath + " does not export " + kDllGetClassObject;
        dlclose(hLibrary);
        return false;
    }
    Addin addin{entry.progId, hLibrary, {}};
    try {
        ComPtr<IClassFactory> spFactory;
        HRESULT hr = fnGetClassObject(*clsid, IClassFactory::Iid, reinterpret_cast<void**>(&spFactory));
        if (FAILED(hr) || !spFactory) {
            error = std::string(kDllGetClassObject) + " failed: " + HResultText(FAILED(hr) ? hr : E_POINTER);
        } else {
            hr = spFactory->CreateInstance(nullptr, IDTExtensibility2::Iid, reinterpret_cast<void**>(&addin.spAddin));
            if (FAILED(hr) || !addin.spAddin) {
                error = "IClassFactory::CreateInstance failed: " + HResultText(FAILED(hr) ? hr : E_POINTER);
                addin.spAddin.Reset();
            } else {
                ComPtr<AddinInstance> spInstance = MakeComObject<AddinInstance>(entry.progId);
                office::CustomArray custom;
                hr = addin.spAddin->OnConnection(pApplication, office::ext_cm_Startup, spInstance.Get(), &custom);
                if (FAILED(hr)) {
                    error = "OnConnection failed: " + HResultText(hr);
                    addin.spAddin.Reset();
                }
            }
        }
    } catch (...) {
        error = ExceptionText();
        addin.spAddin.Reset();
    }
    if (!addin.spAddin) {
        // Whatever the library handed out is released; it stays loaded when it says it is in use.
        auto fnCanUnload = reinterpret_cast<DllCanUnloadNowFunc>(dlsym(hLibrary, kDllCanUnloadNow));
        if (fnCanUnload && fnCanUnload() == S_OK) dlclose(hLibrary);
        return false;
    }
    m_vecAddins.push_back(std::move(addin));
    return true;
}

void AddinLoader::StartupComplete()
{
    for (Addin& addin : m_vecAddins) {
        office::CustomArray custom;
        try {
            addin.spAddin->OnStartupComplete(&custom);
        } catch (...) {
            m_report << m_strProgram << ": add-in " << addin.progId << ": OnStartupComplete threw " << ExceptionText()
                     << std::endl;
        }
    }
}

void AddinLoader::DisconnectAll()
{
    for (Addin& addin : m_vecAddins) {
        office::CustomArray custom;
        try {
            addin.spAddin->OnBeginShutdown(&custom);
        } catch (...) {
            m_report << m_strProgram << ": add-in " << addin.progId << ": OnBeginShutdown threw " << ExceptionText()
                     << std::endl;
        }
    }
    for (Addin& addin : m_vecAddins) {
        office::CustomArray custom;
        try {
            addin.spAddin->OnDisconnection(office::ext_dm_HostShutdown, &custom);
        } catch (...) {
            m_report << m_strProgram << ": add-in " << addin.progId << ": OnDisconnection threw " << ExceptionText()
                     << std::endl;
        }
        addin.spAddin.Reset();
    }
    for (Addin& addin : m_vecAddins) m_vecLibraries.push_back(addin.hLibrary);
    m_vecAddins.clear();
}

void AddinLoader::FreeLibraries()
{
    for (void* hLibrary : m_vecLibraries) {
        auto fnCanUnload = reinterpret_cast<DllCanUnloadNowFunc>(dlsym(hLibrary, kDllCanUnloadNow));
        if (fnCanUnload && fnCanUnload() == S_OK) dlclose(hLibrary);
    }
    m_vecLibraries.clear();
}

std::vector<std::string> AddinLoader::Loaded() const
{
    std::vector<std::string> names;
    for (const Addin& addin : m_vecAddins) names.push_back(addin.progId);
    return names;
}

} // namespace quillmark::officecore
