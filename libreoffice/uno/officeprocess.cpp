#include "libreoffice/uno/officeprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillmark::libreoffice {

namespace {

bool IsExecutable(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path);
}

std::string ExitTextOf(int status)
{
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "ended";
}

} // namespace

std::string OfficeProcess::FindSoffice()
{
    if (const char* own = std::getenv("QUILLMARK_SOFFICE"); own && *own)
        return IsExecutable(own) ? std::string(own) : std::string();
    if (const char* path = std::getenv("PATH")) {
        std::string dirs = path;
        std::size_t start = 0;
        while (start <= dirs.size()) {
            const std::size_t end = dirs.find(':', start);
            const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!dir.empty() && IsExecutable(dir + "/soffice")) return dir + "/soffice";
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    const std::string fallback = "/usr/lib/libreoffice/program/soffice";
    return IsExecutable(fallback) ? fallback : std::string();
}

bool OfficeProcess::Start(const std::string& soffice, const std::string& pipeName, const std::string& profileDir,
                          const std::string& tempDir, bool bHeadless, const std::vector<std::string>& files, std::string* error)
{
    End();
    std::vector<std::string> args = {soffice,
                                     "-env:UserInstallation=file://" + profileDir,
                                     "--accept=pipe,name=" + pipeName + ";urp;",
                                     "--norestore",
                                     "--nologo",
                                     "--nolockcheck"};
    if (bHeadless) args.push_back("--headless");
    if (files.empty()) args.push_back("--nodefault");
    else args.push_back("--");
    for (const auto& file : files) args.push_back(file);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // Our environment, with the office's temporary files in a folder of ours.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.emplace_back(*e);
    env.push_back("TMPDIR=" + tempDir);
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, soffice.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        if (error) *error = soffice + ": " + std::strerror(rc);
        return false;
    }
    m_pid = pid;
    m_bReaped = false;
    m_strExit.clear();
    return true;
}

bool OfficeProcess::Running()
{
    if (m_pid <= 0 || m_bReaped) return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_bReaped = true;
        m_strExit = ExitTextOf(status);
        return false;
    }
    return r == 0;
}

void OfficeProcess::End(std::chrono::milliseconds grace)
{
    if (m_pid <= 0) return;
    // The group outlives its leader (soffice.bin is a child of the launcher): it
    // is signalled even when the leader has exited already.
    ::kill(-m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        Running();
        if (m_bReaped && ::kill(-m_pid, 0) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(-m_pid, SIGKILL);
    if (!m_bReaped) {
        int status = 0;
        if (::waitpid(m_pid, &status, 0) == m_pid) m_strExit = ExitTextOf(status);
        m_bReaped = true;
    }
    m_pid = 0;
}

} // namespace quillmark::libreoffice
