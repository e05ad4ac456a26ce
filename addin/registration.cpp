#include "addin/registration.h"

#include "platform/registry/registrar.h"

namespace quillmark {

namespace {

// What registering the type library writes: its version key with the help text,
// the library file for locale 0 on the 32-bit platform, its flags and help folder.
// Removal takes the version key and then the library's key once it is empty.
constexpr std::string_view kTypeLibScript = R"(HKCR
{
	NoRemove TypeLib
	{
		{2E81D4A7-5C06-4B9F-A3E2-71F0C8B95D14}
		{
			ForceRemove 1.0 = s 'Quillmark 1.0 Type Library'
			{
				0
				{
					win32 = s '%MODULE%'
				}
				FLAGS = s '0'
				HELPDIR = s '%MODULEDIR%'
			}
		}
	}
}
)";

// Registry failures as result codes a registration tool understands.
HRESULT ResultOf(registry::RegStatus status)
{
    switch (status) {
    case registry::RegStatus::Ok: return S_OK;
    case registry::RegStatus::IoError: return E_ACCESSDENIED;
    case registry::RegStatus::BadFile: return MakeHResult(0x800703F1u); // ERROR_BADDB
    case registry::RegStatus::InvalidArgument: return SELFREG_E_CLASS;
    default: return E_FAIL;
    }
}

HRESULT RunScripts(const std::string& modulePath, const std::string& registryFile, registry::RegistrarMode mode,
                   std::string* pError)
{
    if (modulePath.empty()) {
        if (pError) *pError = "the add-in library's own path is unknown";
        return E_UNEXPECTED;
    }
    std::string folder = modulePath.substr(0, modulePath.find_last_of('/') + 1);
    registry::Registrar registrar = registryFile.empty() ? registry::Registrar() : registry::Registrar(registryFile);
    registrar.AddReplacement("MODULE", modulePath);
    registrar.AddReplacement("MODULEDIR", folder);
    std::string script(ClassRegistryScript());
    script += "\n";
    script += TypeLibRegistryScript();
    registry::RegStatus status = registrar.Run(script, mode);
    if (status != registry::RegStatus::Ok && pError) *pError = registrar.Error();
    return ResultOf(status);
}

} // namespace

std::string_view TypeLibRegistryScript() { return kTypeLibScript; }

HRESULT RegisterServer(const std::string& modulePath, const std::string& registryFile, std::string* pError)
{
    return RunScripts(modulePath, registryFile, registry::RegistrarMode::Register, pError);
}

HRESULT UnregisterServer(const std::string& modulePath, const std::string& registryFile, std::string* pError)
{
    return RunScripts(modulePath, registryFile, registry::RegistrarMode::Unregister, pError);
}

} // namespace quillmark
