#include "addin/servermodule.h"

#include "addin/connect.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <new>

namespace quillmark {

namespace {

std::string FindModulePath()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&FindModulePath), &info) || !info.dli_fname || !*info.dli_fname)
        return {};
    char* resolved = realpath(info.dli_fname, nullptr);
    if (!resolved) return {};
    std::string path(resolved);
    std::free(resolved);
    return path;
}

// Resolved while the library is being loaded, when the working folder is still the
// one a relative library path was given against.
[[maybe_unused]] const std::string& g_modulePathAtLoad = ModulePath();

} // namespace

std::atomic<long>& ModuleLockCount()
{
    static std::atomic<long> count{0};
    return count;
}

void LockModule() { ++ModuleLockCount(); }
void UnlockModule() { --ModuleLockCount(); }

const std::string& ModulePath()
{
    static const std::string path = FindModulePath();
    return path;
}

HRESULT GetServerClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_Connect) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        ComPtr<ClassFactory> spFactory = MakeComObject<ClassFactory>(&CreateComObject<CConnect>, &ModuleLockCount());
        return spFactory->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT CanUnloadServer() { return ModuleLockCount().load() == 0 ? S_OK : S_FALSE; }

} // namespace quillmark
