// docprops' OLE2 reader and writer for the quillmark command, from a module
// opened at first use. Being defined here, in the program's own objects, they
// keep the linker from taking docprops' OLE2 code (and libgsf with it) out of its
// archive: a command that meets no .doc or .ppt file never loads libgsf.
#include "cli/ole2/ole2module.h"
#include "docprops/formats.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>

namespace quillmark::docprops {

namespace {

struct Ole2Module {
    cli::Ole2Read read = nullptr;
    cli::Ole2Write write = nullptr;
    std::string error; // why it could not be loaded
};

// The module beside the running program.
std::string ModulePath()
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return cli::kOle2ModuleName;
    const std::string program(self, static_cast<std::size_t>(length));
    return program.substr(0, program.find_last_of('/') + 1) + cli::kOle2ModuleName;
}

const Ole2Module& Module()
{
    static Ole2Module module;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        const std::string path = ModulePath();
        // Kept loaded for the life of the process.
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            module.error = "cannot load the reader of .doc and .ppt files: " + std::string(why ? why : path);
            return;
        }
        module.read = reinterpret_cast<cli::Ole2Read>(::dlsym(handle, cli::kOle2ReadSymbol));
        module.write = reinterpret_cast<cli::Ole2Write>(::dlsym(handle, cli::kOle2WriteSymbol));
        if (!module.read || !module.write)
            module.error = "the reader of .doc and .ppt files \"" + path + "\" is not this program's";
    });
    return module;
}

} // namespace

std::optional<Properties> ReadOle2(std::string_view bytes, std::string* error)
{
    const Ole2Module& module = Module();
    if (!module.read) {
        if (error)
            *error = module.error;
        return std::nullopt;
    }
    return module.read(bytes, error);
}

std::optional<std::string> WriteOle2(std::string_view bytes, const Properties& properties, std::string* error)
{
    const Ole2Module& module = Module();
    if (!module.write) {
        if (error)
            *error = module.error;
        return std::nullopt;
    }
    return module.write(bytes, properties, error);
}

} // namespace quillmark::docprops
