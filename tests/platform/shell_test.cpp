#include "platform/shell/folders.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmark::shell;
using quillmark::test::TempDir;

using quillmark::test::ScopedEnv;

namespace {

} // namespace

TEST(ShellFolders, XdgVariablesAndTheirDefaults)
{
    ScopedEnv home("HOME", "/home/tester");
    {
        ScopedEnv data("XDG_DATA_HOME", "/data/share/");
        ScopedEnv cache("XDG_CACHE_HOME", "/data/cache");
        EXPECT_EQ(GetApplicationDataFolder(), "/data/share");
        EXPECT_EQ(GetBrowserCacheFolder(), "/data/cache");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        ScopedEnv cache("XDG_CACHE_HOME", "");
        EXPECT_EQ(GetApplicationDataFolder(), "/home/tester/.local/share");
        EXPECT_EQ(GetBrowserCacheFolder(), "/home/tester/.cache");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "not/absolute");
        EXPECT_EQ(GetApplicationDataFolder(), "/home/tester/.local/share");
    }
    EXPECT_EQ(GetHomeFolder(), "/home/tester");
    {
        // Without $HOME the password database answers.
        ScopedEnv noHome("HOME", nullptr);
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        std::string fromPasswd = GetHomeFolder();
        EXPECT_FALSE(fromPasswd.empty());
        EXPECT_EQ(GetApplicationDataFolder(), fromPasswd + (fromPasswd == "/" ? ".local/share" : "/.local/share"));
    }
}

TEST(ShellFolders, TempFolderEndsWithOneSlash)
{
    {
        ScopedEnv tmp("TMPDIR", nullptr);
        EXPECT_EQ(GetTempFolder(), "/tmp/");
    }
    {
        ScopedEnv tmp("TMPDIR", "");
        EXPECT_EQ(GetTempFolder(), "/tmp/");
    }
    {
        ScopedEnv tmp("TMPDIR", "/var/scratch");
        EXPECT_EQ(GetTempFolder(), "/var/scratch/");
    }
    {
        ScopedEnv tmp("TMPDIR", "/var/scratch//");
        EXPECT_EQ(GetTempFolder(), "/var/scratch/");
    }
    {
        ScopedEnv tmp("TMPDIR", "/");
        EXPECT_EQ(GetTempFolder(), "/");
    }
}

TEST(ShellFolders, ShortPathIsTheCanonicalPath)
{
    TempDir dir;
    std::string file = dir.WriteFile("Report.docx", "x");
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0700), 0);
    ASSERT_EQ(symlink(dir.Path().c_str(), (dir / "link").c_str()), 0);
    auto canonical = GetShortPathName(dir.Path());
    ASSERT_TRUE(canonical);
    EXPECT_EQ(canonical->front(), '/');
    EXPECT_EQ(GetShortPathName(dir / "link/sub/../Report.docx"), *canonical + "/Report.docx");
    EXPECT_EQ(GetShortPathName(file), *canonical + "/Report.docx");
    EXPECT_EQ(GetShortPathName(dir / "missing.docx"), std::nullopt);
    EXPECT_EQ(GetShortPathName(""), std::nullopt);
    EXPECT_EQ(GetShortPathName("C:\\Users\\user\\Report.docx"), std::nullopt);
}
