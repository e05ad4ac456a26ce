// The four functions the host looks up in the library; nothing else is exported
// (see exports.map).
#include "addin/registration.h"
#include "addin/servermodule.h"
#include "platform/com/serverentry.h"

#define QUILLMARK_EXPORT extern "C" __attribute__((visibility("default")))

QUILLMARK_EXPORT HRESULT DllCanUnloadNow() { return quillmark::CanUnloadServer(); }

QUILLMARK_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return quillmark::GetServerClassObject(clsid, riid, ppv);
}

QUILLMARK_EXPORT HRESULT DllRegisterServer()
{
    try {
        return quillmark::RegisterServer(quillmark::ModulePath());
    } catch (...) {
        return E_UNEXPECTED;
    }
}

QUILLMARK_EXPORT HRESULT DllUnregisterServer()
{
    try {
        return quillmark::UnregisterServer(quillmark::ModulePath());
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The types must stay those the host calls through.
static_assert(std::is_same_v<decltype(&DllGetClassObject), DllGetClassObjectFunc>);
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), DllCanUnloadNowFunc>);
static_assert(std::is_same_v<decltype(&DllRegisterServer), DllRegisterServerFunc>);
static_assert(std::is_same_v<decltype(&DllUnregisterServer), DllUnregisterServerFunc>);
