#include "cli/pathargs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace quillmark::cli {

bool IsFullPath(const std::string& path)
{
    return (!path.empty() && path.front() == '/') || path.find(":\\") != std::string::npos ||
           path.find("\\\\") != std::string::npos;
}

std::string MakeFullPath(const std::string& path, const std::string& workingDir)
{
    if (IsFullPath(path))
        return path;
    std::string relative = path;
    while (relative.starts_with("./"))
        relative.erase(0, 2);
    if (relative == ".")
        relative.clear();
    std::string full = workingDir;
    if (full.empty() || full.back() != '/')
        full += '/';
    full += relative;
    if (relative.empty() && full.size() > 1)
        full.pop_back();
    return full;
}

std::string WorkingDirectory()
{
    struct stat pwdStat{}, dotStat{};
    const char* pwd = std::getenv("PWD");
    if (pwd && pwd[0] == '/' && stat(pwd, &pwdStat) == 0 && stat(".", &dotStat) == 0 &&
        pwdStat.st_dev == dotStat.st_dev && pwdStat.st_ino == dotStat.st_ino)
        return pwd;
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (buffer.size() > (1u << 20))
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace quillmark::cli
