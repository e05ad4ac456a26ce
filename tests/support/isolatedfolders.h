#pragma once
// A fresh folder for one test holding the registry file and the XDG config, data
// and cache folders, all put in the environment while the object lives.
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <string>

namespace quillmark::test {

struct IsolatedFolders {
    TempDir dir;
    ScopedEnv registry{"QUILLMARK_REGISTRY", dir / "registry.reg"};
    ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    ScopedEnv cache{"XDG_CACHE_HOME", dir / "cache"};

    std::string RegistryFile() const { return dir / "registry.reg"; }
};

} // namespace quillmark::test
