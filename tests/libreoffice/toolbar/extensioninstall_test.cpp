// Installation for the current user through unopkg, run here as a recorder that
// notes its arguments (the real unopkg would change this machine's office).
#include "libreoffice/toolbar/officetoolbars.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace quillmark::libreoffice {
namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ExtensionInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string script = "#!/bin/sh\n"
                                   "echo \"$@\" >> \"$UNOPKG_LOG\"\n"
                                   "if [ \"$1\" = list ]; then exit \"${LIST_RC:-0}\"; fi\n"
                                   "echo \"unopkg says no\" >&2\n"
                                   "exit \"${RC:-0}\"\n";
        m_strUnopkg = m_dir.WriteFile("unopkg", script);
        chmod(m_strUnopkg.c_str(), 0755);
    }

    std::string Log() const { return ReadAll(m_dir / "unopkg.log"); }
    std::string Shared() const { return geteuid() == 0 ? "--shared " : ""; }

    test::TempDir m_dir;
    std::string m_strUnopkg;
    test::ScopedEnv m_config{"XDG_CONFIG_HOME", m_dir / "config"};
    test::ScopedEnv m_log{"UNOPKG_LOG", m_dir / "unopkg.log"};
};

TEST_F(ExtensionInstallTest, InstallAddsTheExtensionAndNamesTheProgramForTheStartJob)
{
    test::ScopedEnv unopkg("QUILLMARK_UNOPKG", m_strUnopkg);
    std::string error;
    ASSERT_TRUE(InstallExtension("/opt/q/quillmark.oxt", "/opt/q/quillmark-office", &error)) << error;
    EXPECT_EQ(Log(), "add " + Shared() + "--force --suppress-license /opt/q/quillmark.oxt\n");
    const std::string autostart = m_dir / "config/quillmark/libreoffice-autostart";
    EXPECT_EQ(ReadAll(autostart), "/opt/q/quillmark-office\n");

    // Installed: uninstalling removes the extension and the autostart file.
    ASSERT_TRUE(UninstallExtension(&error)) << error;
    EXPECT_FALSE(std::filesystem::exists(autostart));
    EXPECT_NE(Log().find("remove " + Shared() + "org.quillmark.office\n"), std::string::npos) << Log();

    // Not installed: nothing to remove, no error.
    std::filesystem::remove(m_dir / "unopkg.log");
    test::ScopedEnv listRc("LIST_RC", "1");
    ASSERT_TRUE(UninstallExtension(&error)) << error;
    EXPECT_EQ(Log().find("remove"), std::string::npos) << Log();
}

TEST_F(ExtensionInstallTest, FailuresAreReportedAndLeaveNoAutostartBehind)
{
    const std::string autostart = m_dir / "config/quillmark/libreoffice-autostart";
    std::string error;
    {
        test::ScopedEnv unopkg("QUILLMARK_UNOPKG", m_strUnopkg);
        test::ScopedEnv rc("RC", "3");
        EXPECT_FALSE(InstallExtension("/opt/q/quillmark.oxt", "/opt/q/quillmark-office", &error));
        EXPECT_NE(error.find("exit status 3"), std::string::npos) << error;
        EXPECT_NE(error.find("unopkg says no"), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(autostart));
    }
    {
        test::ScopedEnv unopkg("QUILLMARK_UNOPKG", m_dir / "no-such-unopkg");
        error.clear();
        EXPECT_FALSE(InstallExtension("/opt/q/quillmark.oxt", "/opt/q/quillmark-office", &error));
        EXPECT_NE(error.find("could not be run"), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(autostart));
    }
}

TEST(ExtensionPath, EnvironmentFirstThenTheBuiltExtension)
{
    {
        test::ScopedEnv env("QUILLMARK_EXTENSION", "/somewhere/q.oxt");
        EXPECT_EQ(ExtensionPath(), "/somewhere/q.oxt");
    }
    test::ScopedEnv env("QUILLMARK_EXTENSION", nullptr);
    const std::string path = ExtensionPath();
    EXPECT_TRUE(path.ends_with("quillmark.oxt")) << path;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

} // namespace
} // namespace quillmark::libreoffice
