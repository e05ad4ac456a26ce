#pragma once
// The add-in library as a COM server: its lock count, its own file, and what the
// four exported entry points do (exports.cpp only forwards to these).
#include "platform/com/com.h"

#include <atomic>
#include <string>

namespace quillmark {

// The library's lock count: one for every live CConnect and every LockServer(true)
// not yet undone. The library may be unloaded only while it is zero.
std::atomic<long>& ModuleLockCount();
void LockModule();
void UnlockModule();

// Full path of the library file this code was loaded from (resolved when the
// library is loaded, so a relative dlopen path stays right after a change of
// folder); empty when it cannot be found.
const std::string& ModulePath();

// DllGetClassObject: the class factory of CConnect for its class id;
// CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetServerClassObject(REFCLSID clsid, REFIID riid, void** ppv);
// DllCanUnloadNow: S_OK when the lock count is zero, else S_FALSE.
HRESULT CanUnloadServer();

} // namespace quillmark
