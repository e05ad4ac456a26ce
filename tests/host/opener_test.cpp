// Opening web addresses: the real opener starts xdg-open with the address as one
// argument; tests can put a recorder in its place.
#include "tests/host/hostfixture.h"

#include "platform/files/files.h"

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace quillmark::test {
namespace {

// Waits until `path` exists with a complete last line, or gives up after a few seconds.
std::string WaitForFile(const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        std::optional<std::string> text = files::ReadFile(path);
        if (text && !text->empty() && text->back() == '\n') return *text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "<nothing written>";
}

TEST(UrlOpenerTest, XdgOpenGetsTheAddressAsOneArgument)
{
    TempDir bin;
    const std::string record = bin / "record.txt";
    const std::string script = bin.WriteFile("xdg-open",
                                             "#!/bin/sh\n"
                                             "printf '%s|' \"$#\" \"$@\" > \"" + record + ".part\"\n"
                                             "echo >> \"" + record + ".part\"\n"
                                             "/bin/mv \"" + record + ".part\" \"" + record + "\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    ScopedEnv path("PATH", bin.Path());

    // Blanks, quotes and shell characters stay inside the one argument.
    const std::string url = "https://www.quillmark.example/help me?a=1&b='2';$(touch x) \"q\"";
    shell::XdgUrlOpener opener;
    ASSERT_TRUE(opener.Open(url));
    EXPECT_EQ(WaitForFile(record), "1|" + url + "|\n");
    EXPECT_FALSE(std::filesystem::exists(bin / "x"));

    EXPECT_FALSE(opener.Open(""));
    ScopedEnv noOpener("PATH", bin / "nowhere");
    EXPECT_FALSE(opener.Open(url)); // no xdg-open to start
}

TEST(UrlOpenerTest, TheCurrentOpenerCanBeReplacedAndRestored)
{
    shell::UrlOpener* pDefault = &shell::CurrentUrlOpener();
    EXPECT_NE(dynamic_cast<shell::XdgUrlOpener*>(pDefault), nullptr);
    {
        ScopedOpener recorder;
        EXPECT_EQ(&shell::CurrentUrlOpener(), &recorder.opener);
        EXPECT_TRUE(shell::OpenUrl("https://a.example/"));
        EXPECT_THAT(recorder.opener.urls, ::testing::ElementsAre("https://a.example/"));
    }
    EXPECT_EQ(&shell::CurrentUrlOpener(), pDefault);
}

TEST(UrlOpenerTest, ShowingAFileOpensItsFolderAndOpeningAFileOpensTheFile)
{
    ScopedOpener recorder;
    shell::UrlOpener& opener = shell::CurrentUrlOpener();
    EXPECT_TRUE(opener.ShowItem("/home/ann/Documents/report 2024.doc"));
    EXPECT_TRUE(opener.ShowItem("C:\\docs\\plan.doc"));
    EXPECT_TRUE(opener.ShowItem("/top.doc"));
    EXPECT_FALSE(opener.ShowItem("bare.doc")); // no folder to show
    EXPECT_TRUE(opener.OpenFile("/home/ann/Documents/talk.ppt"));
    EXPECT_THAT(recorder.opener.urls, ::testing::ElementsAre("/home/ann/Documents", "C:\\docs", "/",
                                                             "/home/ann/Documents/talk.ppt"));
}

} // namespace
} // namespace quillmark::test
