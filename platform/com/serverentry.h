#pragma once
// The four functions an in-process server exports, as the host finds them
// with dlsym. The server defines them extern "C" with exactly these types.
#include "platform/com/guid.h"
#include "platform/com/hresult.h"

using DllGetClassObjectFunc = HRESULT (*)(REFCLSID clsid, REFIID riid, void** ppv);
using DllCanUnloadNowFunc = HRESULT (*)();
using DllRegisterServerFunc = HRESULT (*)();
using DllUnregisterServerFunc = HRESULT (*)();

inline constexpr const char* kDllGetClassObject = "DllGetClassObject";
inline constexpr const char* kDllCanUnloadNow = "DllCanUnloadNow";
inline constexpr const char* kDllRegisterServer = "DllRegisterServer";
inline constexpr const char* kDllUnregisterServer = "DllUnregisterServer";
