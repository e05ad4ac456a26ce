// Installation of the extension for the current user, and of the autostart file
// that its start job reads (see libreoffice/extension/quillmark.py).
#include "libreoffice/toolbar/officetoolbars.h"

#include "libreoffice/uno/callrunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

extern char** environ;

namespace quillmark::libreoffice {

namespace fs = std::filesystem;

namespace {

constexpr const char* kExtensionId = "org.quillmark.office";

std::string ConfigHome()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

std::string AutostartFile() { return ConfigHome() + "/quillmark/libreoffice-autostart"; }

// Runs `argv` (no shell); its exit status, or -1 with `output` saying why it did
// not run. Standard output and error end up in `output`.
int Run(const std::vector<std::string>& args, std::string* output)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *output = std::generic_category().message(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        *output = std::generic_category().message(rc);
        return -1;
    }
    output->clear();
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (output->size() < 65536) output->append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> Unopkg(std::vector<std::string> args)
{
    const char* unopkg = std::getenv("QUILLMARK_UNOPKG");
    args.insert(args.begin(), unopkg && *unopkg ? unopkg : "unopkg");
    // As root unopkg refuses the user's own extensions.
    if (geteuid() == 0) args.insert(args.begin() + 2, "--shared");
    return args;
}

bool RunUnopkg(const std::vector<std::string>& args, std::string* error)
{
    std::string output;
    const int rc = Run(Unopkg(args), &output);
    if (rc == 0) return true;
    if (error) *error = rc < 0 ? Message(643, {output}) : Message(644, {std::to_string(rc), output});
    return false;
}

} // namespace

bool InstallExtension(const std::string& oxtPath, const std::string& program, std::string* error)
{
    if (!RunUnopkg({"add", "--force", "--suppress-license", oxtPath}, error)) return false;
    const std::string file = AutostartFile();
    std::error_code ec;
    fs::create_directories(fs::path(file).parent_path(), ec);
    const std::string temp = file + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << fs::absolute(program).string() << '\n';
        if (!out.flush()) {
            if (error) *error = Message(645, {file, std::generic_category().message(errno)});
            return false;
        }
    }
    fs::rename(temp, file, ec);
    if (ec) {
        if (error) *error = Message(645, {file, ec.message()});
        return false;
    }
    return true;
}

bool UninstallExtension(std::string* error)
{
    std::error_code ec;
    fs::remove(AutostartFile(), ec);
    std::string output;
    if (Run(Unopkg({"list", kExtensionId}), &output) != 0) return true; // not installed
    return RunUnopkg({"remove", kExtensionId}, error);
}

std::string ExtensionPath()
{
    if (const char* env = std::getenv("QUILLMARK_EXTENSION"); env && *env) return env;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && fs::exists(self.parent_path() / "quillmark.oxt", ec)) return (self.parent_path() / "quillmark.oxt").string();
    return QUILLMARK_EXTENSION_BUILT;
}

} // namespace quillmark::libreoffice
