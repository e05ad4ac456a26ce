#include "platform/shell/opener.h"

#include "platform/files/paths.h"

#include <atomic>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace quillmark::shell {

namespace {

std::atomic<UrlOpener*> g_pOpener{nullptr};

// xdg-open may live as long as the browser it starts, so nobody waits for it; the
// children that have ended meanwhile are reaped at the next start. No thread is
// left running in a library that the host may unload.
std::mutex g_childrenMutex;
std::vector<pid_t> g_children;

void ReapEndedChildren()
{
    std::erase_if(g_children, [](pid_t pid) {
        int status = 0;
        return waitpid(pid, &status, WNOHANG) != 0; // ended (reaped) or not ours any more
    });
}

} // namespace

bool XdgUrlOpener::Open(const std::string& url)
{
    if (url.empty())
        return false;
    std::string program = "xdg-open";
    std::vector<char*> argv{program.data(), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    std::lock_guard lock(g_childrenMutex);
    ReapEndedChildren();
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    g_children.push_back(pid);
    return true;
}

bool UrlOpener::ShowItem(const std::string& path)
{
    const std::string folder = files::FolderOfPath(path);
    if (folder.empty()) return false; // no folder to show
    return Open(folder);
}

UrlOpener& CurrentUrlOpener()
{
    static XdgUrlOpener defaultOpener;
    UrlOpener* pOpener = g_pOpener.load();
    return pOpener ? *pOpener : defaultOpener;
}

UrlOpener* SetUrlOpener(UrlOpener* pOpener) { return g_pOpener.exchange(pOpener); }


bool OpenUrl(const std::string& url) { return CurrentUrlOpener().Open(url); }

} // namespace quillmark::shell
