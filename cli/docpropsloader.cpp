// docprops::Read for the quillmark command, from a module opened at first use.
// Being defined here, in the program's own objects, it keeps the linker from
// taking docprops' readers (and libgsf and libzip with them) out of their
// archive: a command that reads no document never loads those libraries.
#include "cli/module/docpropsmodule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>

namespace quillmark::docprops {

namespace {

struct Module {
    cli::PropertiesRead read = nullptr;
    std::string error; // why it could not be loaded
};

// The module beside the running program.
std::string ModulePath()
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return cli::kDocpropsModuleName;
    const std::string program(self, static_cast<std::size_t>(length));
    return program.substr(0, program.find_last_of('/') + 1) + cli::kDocpropsModuleName;
}

const Module& Loaded()
{
    static Module module;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string path = ModulePath();
        // Kept loaded for the life of the process.
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            module.error = "cannot load the reader of documents' properties: " + std::string(why ? why : path);
            return;
        }
        module.read = reinterpret_cast<cli::PropertiesRead>(::dlsym(handle, cli::kPropertiesReadSymbol));
        if (!module.read)
            module.error = "the reader of documents' properties \"" + path + "\" is not this program's";
    });
    return module;
}

} // namespace

std::optional<Properties> Read(const std::string& path, std::string* error, files::FileStamp* pStamp)
{
    const Module& module = Loaded();
    if (!module.read) {
        if (error)
            *error = module.error;
        return std::nullopt;
    }
    return module.read(path, error, pStamp);
}

} // namespace quillmark::docprops
