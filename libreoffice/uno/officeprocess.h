#pragma once
// An soffice process of our own: started with an argument vector (never a shell)
// in a process group of its own, with its own profile and pipe, its output
// discarded; ended with its whole process group (soffice starts soffice.bin as a
// child) when the object goes, whatever happened before.
#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace quillmark::libreoffice {

class OfficeProcess {
public:
    OfficeProcess() = default;
    ~OfficeProcess() { End(); }
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    // The soffice program: $QUILLMARK_SOFFICE, else "soffice" on the PATH, else
    // /usr/lib/libreoffice/program/soffice; "" when none is there.
    static std::string FindSoffice();

    // Starts `soffice` accepting UNO connections on pipe `pipeName`, with the user
    // installation in `profileDir` and its temporary files in `tempDir`, headless
    // or not, opening `files`.
    bool Start(const std::string& soffice, const std::string& pipeName, const std::string& profileDir,
               const std::string& tempDir, bool bHeadless, const std::vector<std::string>& files,
               std::string* error);
    // True while the started process has not exited.
    bool Running();
    // Its exit as text ("exited with status 1", "killed by signal 9").
    const std::string& ExitText() const { return m_strExit; }
    pid_t Pid() const { return m_pid; }

    // Ends the process group: SIGTERM, then SIGKILL after `grace`; waits for it.
    void End(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

private:
    pid_t m_pid = 0;
    bool m_bReaped = false;
    std::string m_strExit;
};

} // namespace quillmark::libreoffice
