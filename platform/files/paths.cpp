#include "platform/files/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace quillmark::files {

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(std::string_view path)
{
    const auto cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string FolderOfPath(std::string_view path)
{
    const auto cut = path.find_last_of("/\\");
    if (cut == std::string_view::npos) return {};
    return std::string(cut == 0 ? path.substr(0, 1) : path.substr(0, cut));
}

bool IsInFolder(std::string_view path, std::string_view folder)
{
    if (folder.empty() || !path.starts_with(folder))
        return false;
    if (path.size() == folder.size())
        return true;
    const char last = folder.back();
    if (last == '/' || last == '\\')
        return true;
    const char next = path[folder.size()];
    return next == '/' || next == '\\';
}

bool IsFullPath(std::string_view path)
{
    return path.starts_with('/') || path.find(":\\") != std::string_view::npos ||
           path.find("\\\\") != std::string_view::npos;
}

std::string MakeFullPath(const std::string& path, const std::string& workingDir)
{
    if (IsFullPath(path) || path.empty())
        return path;
    std::string relative = path;
    while (relative.starts_with("./"))
        relative.erase(0, 2);
    if (relative == ".")
        relative.clear();
    std::string full = workingDir.empty() ? WorkingDirectory() : workingDir;
    if (full.empty())
        return {}; // the working folder is unknown (errno tells why)
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
        // Only a short buffer is worth another try; a deleted or unreachable folder is not.
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace quillmark::files
