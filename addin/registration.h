#pragma once
// Registration of the add-in's COM class and type library in the registry: the
// library's own registry script (resources/quillmark.rgs) plus the type library's
// keys, run as one all-or-nothing step.
#include "platform/com/hresult.h"

#include <string>
#include <string_view>

namespace quillmark {

// The registry script compiled into the library (resources/quillmark.rgs).
std::string_view ClassRegistryScript();
// The type library's keys, in the same script language.
std::string_view TypeLibRegistryScript();

// Registers (or removes) the class and the type library for the library file
// `modulePath`, in `registryFile` (empty: the default registry). S_OK, or a failure
// code with `*pError` (when given) saying why.
HRESULT RegisterServer(const std::string& modulePath, const std::string& registryFile = {},
                       std::string* pError = nullptr);
HRESULT UnregisterServer(const std::string& modulePath, const std::string& registryFile = {},
                         std::string* pError = nullptr);

} // namespace quillmark
