#include "platform/shell/opener.h"

#include <atomic>
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace quillmark::shell {

namespace {

std::atomic<UrlOpener*> g_pOpener{nullptr};

} // namespace

bool XdgUrlOpener::Open(const std::string& url)
{
    if (url.empty())
        return false;
    std::string program = "xdg-open";
    std::vector<char*> argv{program.data(), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    // xdg-open may live as long as the browser it starts; wait for it elsewhere so the
    // host's thread goes on and no zombie is left behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
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
