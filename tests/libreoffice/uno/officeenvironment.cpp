#include "tests/libreoffice/uno/officeenvironment.h"

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>

namespace quillmark::test {

namespace {

std::unique_ptr<libreoffice::OfficeConnection> g_pOffice;
volatile sig_atomic_t g_nOfficeGroup = 0;

// A test program that dies (a sanitizer's abort, a crash, a timeout's signal)
// takes its office with it.
void EndOfficeAndDie(int signal)
{
    if (g_nOfficeGroup > 0) ::kill(-g_nOfficeGroup, SIGKILL);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

class OfficeEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        libreoffice::StartOptions options;
        options.bHeadless = true;
        std::string error;
        g_pOffice = libreoffice::OfficeConnection::Start(options, &error);
        ASSERT_TRUE(g_pOffice) << "LibreOffice could not be started: " << error;
        g_nOfficeGroup = g_pOffice->OfficePid();
        for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTERM, SIGINT, SIGHUP})
            ::signal(signal, EndOfficeAndDie);
        g_pOffice->GetBaton().Enter();
    }
    void TearDown() override
    {
        if (!g_pOffice) return;
        g_pOffice->GetBaton().Leave();
        g_pOffice.reset(); // ends the office and removes its profile
        g_nOfficeGroup = 0;
    }
};

const auto* g_pEnvironment = ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

} // namespace

libreoffice::OfficeConnection& Office()
{
    if (!g_pOffice) throw std::runtime_error("no office");
    return *g_pOffice;
}

std::string ExifKeywords(const std::string& path)
{
    ProcessResult r = RunProcess({"/usr/bin/exiftool", "-s3", "-Keywords", path});
    std::string out = r.out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string ZipMember(const std::string& path, const std::string& member)
{
    return RunProcess({"/usr/bin/unzip", "-p", path, member}).out;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace quillmark::test
