#include "tests/e2e/hostsession.h"

#include "docprops/docprops.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillmark::test {

namespace {

constexpr auto kAnswerTimeout = std::chrono::seconds(60);

void WriteAll(int fd, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("the host does not take its input any more");
        written += static_cast<std::size_t>(n);
    }
}

} // namespace

HostSession::HostSession(const std::vector<std::string>& argv, const ProcessOptions& options)
{
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    signal(SIGPIPE, SIG_IGN);
    m_pid = fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
        if (!options.workingDir.empty()) {
            if (chdir(options.workingDir.c_str()) != 0) _exit(126);
            setenv("PWD", options.workingDir.c_str(), 1);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    m_fdIn = inPipe[1];
    m_fdOut = outPipe[0];
    m_fdErr = errPipe[0];
}

HostSession::~HostSession()
{
    if (m_bFinished) return;
    kill(m_pid, SIGKILL);
    Finish();
}

void HostSession::ReadUntil(const std::string& marker)
{
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    while (m_strOut.find(marker) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("the host did not answer in time; errors: " + m_strErr);
        pollfd fds[2] = {{m_fdOut, POLLIN, 0}, {m_fdErr, POLLIN, 0}};
        const int ready = poll(fds, m_fdErr >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) throw std::runtime_error("poll failed");
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? m_fdOut : m_fdErr;
            if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[65536];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? m_strOut : m_strErr).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                if (i == 0) throw std::runtime_error("the host ended; errors: " + m_strErr);
                close(fd);
                fd = -1;
            }
        }
    }
}

std::string HostSession::Run(const std::string& commands)
{
    const std::string mark = "@@done-" + std::to_string(++m_nMarks);
    std::string input = commands;
    if (!input.empty() && input.back() != '\n') input += '\n';
    WriteAll(m_fdIn, input + "echo " + mark + "\n");
    const std::string echoed = "> echo " + mark + "\n" + mark + "\n";
    ReadUntil(echoed);
    const std::size_t at = m_strOut.find(echoed);
    std::string transcript = m_strOut.substr(0, at);
    m_strOut.erase(0, at + echoed.size());
    return transcript;
}

ProcessResult HostSession::Finish()
{
    ProcessResult result;
    if (m_bFinished) return result;
    m_bFinished = true;
    close(m_fdIn);
    m_fdIn = -1;
    for (int* pFd : {&m_fdOut, &m_fdErr}) {
        std::string& text = pFd == &m_fdOut ? m_strOut : m_strErr;
        char buffer[65536];
        ssize_t n;
        while ((n = read(*pFd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
        close(*pFd);
        *pFd = -1;
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = std::move(m_strOut);
    result.err = std::move(m_strErr);
    return result;
}

AddinHosts::AddinHosts() : m_strDocs(m_dir / "docs"), m_strTemp(m_dir / "tmp")
{
    std::filesystem::create_directories(m_strDocs);
    std::filesystem::create_directories(m_strTemp);
    ProcessResult install = RunProcess({QUILLMARK_HOST_BIN, "--install-addin", QUILLMARK_ADDIN_LIB}, Options());
    if (install.exitCode != 0) throw std::runtime_error("the add-in was not installed: " + install.err);
}

ProcessOptions AddinHosts::Options() const
{
    ProcessOptions options;
    options.env = {{"QUILLMARK_REGISTRY", RegistryFile()},
                   {"XDG_DATA_HOME", m_dir / "data"},
                   {"XDG_CONFIG_HOME", m_dir / "config"},
                   {"XDG_CACHE_HOME", m_dir / "cache"},
                   {"XDG_RUNTIME_DIR", m_dir.Path()},
                   {"TMPDIR", m_strTemp},
                   {"QT_QPA_PLATFORM", "offscreen"}};
    options.workingDir = m_strDocs;
    return options;
}

std::string AddinHosts::MakeDoc(const std::string& name) const
{
    const std::string path = name.starts_with("/") ? name : Doc(name);
    std::string error;
    if (docprops::FormatOf(path) == docprops::Format::Other)
        std::ofstream(path, std::ios::binary) << "x";
    else if (!docprops::Write({}, path, {}, &error))
        throw std::runtime_error("cannot make " + path + ": " + error);
    return path;
}

ProcessResult AddinHosts::Script(const std::string& host, const std::string& script) const
{
    ProcessOptions options = Options();
    options.input = script;
    return RunProcess({QUILLMARK_HOST_BIN, "--host", host, "--script", "-"}, options);
}

HostSession AddinHosts::Start(const std::string& host) const
{
    return HostSession({QUILLMARK_HOST_BIN, "--host", host, "--script", "-"}, Options());
}

ProcessResult AddinHosts::Cli(const std::vector<std::string>& args) const
{
    std::vector<std::string> argv{QUILLMARK_CLI_BIN, "--db", DatabaseFile()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, Options());
}

std::vector<std::string> AddinHosts::Show(const std::string& path) const
{
    ProcessResult show = Cli({"show", path});
    // A path without a record has no tags.
    if (show.exitCode == 1 && show.err.find("no record for") != std::string::npos) return {};
    if (show.exitCode != 0) throw std::runtime_error("quillmark show failed: " + show.err);
    std::vector<std::string> tags;
    std::istringstream lines(show.out);
    for (std::string line; std::getline(lines, line);) tags.push_back(line);
    return tags;
}

void AddinHosts::Tag(const std::string& path, const std::string& tags) const
{
    ProcessResult tag = Cli({"tag", path, tags});
    if (tag.exitCode != 0) throw std::runtime_error("quillmark tag failed: " + tag.err);
}

void AddinHosts::Remove(const std::string& path) const
{
    ProcessResult remove = Cli({"remove", path});
    if (remove.exitCode != 0) throw std::runtime_error("quillmark remove failed: " + remove.err);
}

std::string ToolbarWith(const std::vector<std::string>& tagButtons)
{
    std::string bar = "[Quillmark 1.0]\n"
                      "1|popup|&Quillmark|-|QK|Quillmark|0|1\n"
                      "  1|button|&About|984|&About|&About|0|1\n"
                      "  2|button|&Options...|502|&Options...|&Options...|0|1\n"
                      "  3|button|&Help|983|&Help|&Help|0|1\n"
                      "  4|button|&Website|2497|&Website|&Website|0|1\n"
                      "2|combobox|Search tags|-|||0|1\n"
                      "3|button|&Browse|1661|&Browse|&Browse|0|1\n"
                      "4|button|&Tag|625|&Tag|&Tag|0|1\n";
    int position = 5;
    for (const std::string& entry : tagButtons) {
        const std::size_t blank = entry.rfind(' ');
        const std::string tag = entry.substr(0, blank);
        bar += std::to_string(position) + "|button|" + tag + "|" + entry.substr(blank + 1) + "|" + tag +
               "|Show all documents with \"" + tag + "\" tag|" + (position == 5 ? "1" : "0") + "|1\n";
        ++position;
    }
    return bar;
}

} // namespace quillmark::test
