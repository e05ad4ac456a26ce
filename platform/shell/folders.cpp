#include "platform/shell/folders.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace quillmark::shell {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Drops trailing separators, keeping a lone "/".
std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// An XDG base folder: the variable when it holds an absolute path (relative ones are
// invalid by the XDG rules and ignored), else home + fallback.
std::string XdgFolder(const char* variable, const char* fallback)
{
    std::string value = Env(variable);
    if (!value.empty() && value.front() == '/')
        return WithoutTrailingSlash(value);
    std::string home = GetHomeFolder();
    if (home.empty())
        return {};
    return WithoutTrailingSlash(home) + fallback;
}

} // namespace

std::string GetHomeFolder()
{
    std::string home = Env("HOME");
    if (!home.empty())
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir)
        return result->pw_dir;
    return {};
}

std::string GetApplicationDataFolder() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

std::string GetBrowserCacheFolder() { return XdgFolder("XDG_CACHE_HOME", "/.cache"); }

std::string GetTempFolder()
{
    std::string folder = Env("TMPDIR");
    if (folder.empty())
        folder = "/tmp";
    folder = WithoutTrailingSlash(folder);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::optional<std::string> GetShortPathName(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

} // namespace quillmark::shell
