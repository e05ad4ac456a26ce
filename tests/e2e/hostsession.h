#pragma once
// The add-in end to end: a sandbox (registry, data, cache and temporary folders of
// its own) with the built add-in installed for both simulated hosts, host scripts
// run in it, live host sessions driven a few commands at a time, and the tag
// database read through the command-line tool.
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace quillmark::test {

// A quillmark-host process whose commands are sent while it runs.
class HostSession {
public:
    HostSession(const std::vector<std::string>& argv, const ProcessOptions& options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Runs the commands (one per line) and returns their transcript once the host
    // has done them all. Throws when the host ends or does not answer in time.
    std::string Run(const std::string& commands);
    // Ends the input and waits: what is left of the transcript, the errors, the status.
    ProcessResult Finish();

private:
    void ReadUntil(const std::string& marker);

    pid_t m_pid = -1;
    int m_fdIn = -1;
    int m_fdOut = -1;
    int m_fdErr = -1;
    std::string m_strOut;
    std::string m_strErr;
    int m_nMarks = 0;
    bool m_bFinished = false;
};

class AddinHosts {
public:
    // Installs the add-in with quillmark-host --install-addin; throws when that fails.
    AddinHosts();

    const std::string& Docs() const { return m_strDocs; }        // working folder of the hosts
    const std::string& TempFolder() const { return m_strTemp; }  // their $TMPDIR
    std::string Doc(const std::string& name) const { return m_strDocs + "/" + name; }
    std::string DatabaseFile() const { return m_dir / "data/quillmark/tags.xml"; }
    std::string RegistryFile() const { return m_dir / "registry.reg"; } // the hosts' $QUILLMARK_REGISTRY
    // Writes docs/<name> (or the full path `name`) and returns its full path: an empty
    // document of the kind its extension names, a one-letter text for other names.
    std::string MakeDoc(const std::string& name) const;

    // quillmark-host --host `host` --script - with `script` as its input.
    ProcessResult Script(const std::string& host, const std::string& script) const;
    HostSession Start(const std::string& host) const;

    // The command-line tool on the sandbox's database.
    ProcessResult Cli(const std::vector<std::string>& args) const;
    std::vector<std::string> Show(const std::string& path) const; // stored tags, in order
    void Tag(const std::string& path, const std::string& tags) const;
    void Remove(const std::string& path) const;

    // The sandbox's environment and working folder, for any program run in it.
    ProcessOptions Options() const;

private:
    TempDir m_dir;
    std::string m_strDocs;
    std::string m_strTemp;
};

// What `toolbar` prints for the add-in's bar ending in "&Tag" and one button per
// entry of `tagButtons` ("tag face", e.g. "b 1546").
std::string ToolbarWith(const std::vector<std::string>& tagButtons);

} // namespace quillmark::test
