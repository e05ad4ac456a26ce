// The whole chain from the registry: quillmark-host --install-addin registers the
// built library, and Word and PowerPoint started afterwards load it and show its bar.
#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;
using registry::RegRoot;

namespace {

const std::string kHost = QUILLMARK_HOST_BIN;
const std::string kLibrary = QUILLMARK_ADDIN_LIB;

const char* kWordList = "Software\\Microsoft\\Office\\Word\\Addins\\Quillmark.Connect";
const char* kPowerPointList = "Software\\Microsoft\\Office\\PowerPoint\\Addins\\Quillmark.Connect";
const char* kClassKey = "CLSID\\{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}";

const char* kBar = "[Quillmark 1.0]\n"
                   "1|popup|&Quillmark|-|QK|Quillmark|0|1\n"
                   "  1|button|&About|984|&About|&About|0|1\n"
                   "  2|button|&Options...|502|&Options...|&Options...|0|1\n"
                   "  3|button|&Help|983|&Help|&Help|0|1\n"
                   "  4|button|&Website|2497|&Website|&Website|0|1\n"
                   "2|combobox|Search tags|-|||0|1\n"
                   "3|button|&Browse|1661|&Browse|&Browse|0|1\n";
// The same after "budget" was searched: the search box lists it.
const std::string kBarSearched = [] {
    std::string bar = kBar;
    const std::string box = "2|combobox|Search tags|-|||0|1\n";
    return bar.insert(bar.find(box) + box.size(), "  1|item|budget\n");
}();

class InstalledAddin : public ::testing::Test {
protected:
    ProcessResult Host(const std::vector<std::string>& args, const std::string& input = {})
    {
        std::vector<std::string> argv{kHost};
        argv.insert(argv.end(), args.begin(), args.end());
        ProcessOptions options;
        options.env = {{"QUILLMARK_REGISTRY", m_strRegistry},
                       {"XDG_DATA_HOME", m_dir / "data"},
                       {"XDG_CONFIG_HOME", m_dir / "config"},
                       {"XDG_RUNTIME_DIR", m_dir.Path()},
                       {"QT_QPA_PLATFORM", "offscreen"}};
        options.input = input;
        options.workingDir = m_dir.Path();
        return RunProcess(argv, options);
    }
    std::uint32_t LoadBehavior(const char* key)
    {
        registry::RegKey reg(m_strRegistry);
        std::uint32_t value = 0;
        if (reg.Open(RegRoot::CurrentUser, key) != registry::RegStatus::Ok) return 0;
        reg.QueryDWord("LoadBehavior", value);
        return value;
    }

    TempDir m_dir;
    std::string m_strRegistry = m_dir / "registry.reg";
};

} // namespace

TEST_F(InstalledAddin, BothHostsLoadItFromTheRegistryAndShowTheBar)
{
    ProcessResult install = Host({"--install-addin", kLibrary});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    EXPECT_EQ(install.out, "installed Quillmark.Connect (" + kLibrary + ") for Word and PowerPoint\n");
    EXPECT_EQ(LoadBehavior(kWordList), 3u);
    EXPECT_EQ(LoadBehavior(kPowerPointList), 3u);
    registry::Registry reg(m_strRegistry);
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, std::string(kClassKey) + "\\InprocServer32"));

    const std::string document = m_dir.WriteFile("Budget 2026.doc", "numbers");
    const std::string script = "addins\n"
                               "toolbar\n"
                               "open '" + document + "'\n"
                               "# the fixed controls open their dialogs and leave the bar as it is\n"
                               "search budget\n"
                               "dialog-click 2\n"
                               "search 'Search tags'\n"
                               "click &Browse\n"
                               "dialog-click 2\n"
                               "click &About\n"
                               "dialog-click 1\n"
                               "click &Options...\n"
                               "dialog-click 2\n"
                               "toolbar\n";
    const std::string expected = std::string("> addins\nQuillmark.Connect\n> toolbar\n") + kBar + "> open '" +
                                 document + "'\n> search budget\n> dialog-click 2\ndialog closed: 2\n> search 'Search tags'\n" +
                                 "> click &Browse\n> dialog-click 2\ndialog closed: 2\n" +
                                 "> click &About\n> dialog-click 1\ndialog closed: 1\n"
                                 "> click &Options...\n> dialog-click 2\ndialog closed: 2\n> toolbar\n" + kBarSearched +
                                 // the document's window brought the "&Tag" button; it has no tags
                                 "4|button|&Tag|625|&Tag|&Tag|0|1\n";
    for (const char* host : {"word", "powerpoint"}) {
        SCOPED_TRACE(host);
        ProcessResult run = Host({"--host", host, "--script", "-"}, script);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(run.err.find("Quillmark.Connect"), std::string::npos) << run.err;
    }
    // The add-in's settings were created with their defaults; its database stays
    // in the data folder.
    EXPECT_TRUE(reg.KeyExists(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"));
    EXPECT_FALSE(files::Exists(m_dir / "tags.xml"));

    // The second product's settings show in its bar.
    {
        registry::RegKey settings(m_strRegistry);
        ASSERT_EQ(settings.Open(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"), registry::RegStatus::Ok);
        ASSERT_EQ(settings.SetDWord("ProductType", 2), registry::RegStatus::Ok);
    }
    ProcessResult pallister = Host({"--host", "word", "--script", "-"}, "toolbar\n");
    EXPECT_EQ(pallister.exitCode, 0) << pallister.err;
    EXPECT_EQ(pallister.out.substr(0, pallister.out.find('\n', pallister.out.find('\n') + 1) + 1),
              "> toolbar\n[Pallister 1.0]\n");
    EXPECT_NE(pallister.out.find("1|popup|&Pallister|-|QK|Pallister|0|1\n"), std::string::npos) << pallister.out;

    // Uninstalling takes it out of both hosts and the registry.
    ProcessResult uninstall = Host({"--uninstall-addin", kLibrary});
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err;
    EXPECT_EQ(LoadBehavior(kWordList), 0u);
    EXPECT_EQ(LoadBehavior(kPowerPointList), 0u);
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, kClassKey));
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "Quillmark.Connect"));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID"));
    for (const char* host : {"word", "powerpoint"}) {
        ProcessResult run = Host({"--host", host, "--script", "-"}, "addins\ntoolbar\n");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "> addins\n> toolbar\n");
    }
}

TEST_F(InstalledAddin, InstallFailuresAreReported)
{
    ProcessResult missing = Host({"--install-addin", m_dir / "no-such-library.so"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("cannot load"), std::string::npos) << missing.err;
    EXPECT_FALSE(files::Exists(m_strRegistry));

    // A library that is no COM server.
    ProcessResult notServer = Host({"--install-addin", "libm.so.6"});
    EXPECT_EQ(notServer.exitCode, 1);
    EXPECT_NE(notServer.err.find("has no DllRegisterServer"), std::string::npos) << notServer.err;
    EXPECT_FALSE(files::Exists(m_strRegistry));

    // A malformed registry is left as it is, and the hosts' lists are not touched.
    const std::string malformed = "Windows Registry Editor Version 5.00\n\n[HKEY_NOWHERE\\x]\n";
    m_dir.WriteFile("registry.reg", malformed);
    ProcessResult bad = Host({"--install-addin", kLibrary});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("DllRegisterServer failed"), std::string::npos) << bad.err;
    EXPECT_EQ(files::ReadFile(m_strRegistry).value_or(""), malformed);
    ProcessResult badRemove = Host({"--uninstall-addin", kLibrary});
    EXPECT_EQ(badRemove.exitCode, 1);
    EXPECT_EQ(files::ReadFile(m_strRegistry).value_or(""), malformed);

    ProcessResult both = Host({"--install-addin", kLibrary, "--uninstall-addin", kLibrary});
    EXPECT_EQ(both.exitCode, 2);
    ProcessResult noHost = Host({});
    EXPECT_EQ(noHost.exitCode, 2);
    EXPECT_NE(noHost.err.find("--host is required"), std::string::npos) << noHost.err;
}
