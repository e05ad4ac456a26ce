// A save never costs a document its own Keywords: the add-in installed in both
// simulated hosts, .docx and .pptx files with Keywords made by the test, opened
// and saved by host scripts while the tag database takes them, cannot be read,
// or is held by another process.
#include "tests/e2e/hostsession.h"

#include "docprops/docprops.h"
#include "platform/files/files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Kind {
    const char* host;
    const char* extension;
};
void PrintTo(const Kind& kind, std::ostream* os) { *os << kind.host; }

class KeywordSafetyTest : public ::testing::TestWithParam<Kind> {
protected:
    // docs/Budget.<ext> with `keywords` in its Keywords property.
    std::string MakeBudget(const std::string& keywords)
    {
        const std::string path = m_hosts.Doc(std::string("Budget") + GetParam().extension);
        docprops::Properties properties;
        properties.keywords = keywords;
        properties.title = "Plan";
        std::string error;
        if (!docprops::Write({}, path, properties, &error)) ADD_FAILURE() << error;
        return path;
    }
    std::string KeywordsOf(const std::string& path)
    {
        std::string error;
        const auto properties = docprops::Read(path, &error);
        return properties ? properties->keywords : "<unreadable: " + error + ">";
    }
    static std::size_t Count(const std::string& text, const std::string& part)
    {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    AddinHosts m_hosts;
};
INSTANTIATE_TEST_SUITE_P(BothHosts, KeywordSafetyTest,
                         ::testing::Values(Kind{"word", ".docx"}, Kind{"powerpoint", ".pptx"}),
                         [](const auto& info) { return std::string(info.param.host); });

TEST_P(KeywordSafetyTest, LineBreaksAndControlCharactersInKeywordsSeparateTagsInsteadOfFailingTheRecord)
{
    const std::string path = MakeBudget("budget, q3\r\nconfidential\tdraft");
    ProcessResult run = m_hosts.Script(GetParam().host, "open " + path + "\nsave\nkeywords\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The line break split the tags; the tab became a space.
    EXPECT_THAT(m_hosts.Show(path), ElementsAre("budget", "q3", "confidential draft", "Budget"));
    EXPECT_EQ(KeywordsOf(path), "budget, q3, confidential draft, Budget");
    EXPECT_THAT(run.out, HasSubstr("> keywords\nbudget, q3, confidential draft, Budget\n"));
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("kept as they are")));
}

TEST_P(KeywordSafetyTest, AnUnreadableDatabaseLeavesTheKeywordsAsTheyAreAndSaysSoOnce)
{
    const std::string path = MakeBudget("budget, q3, confidential");
    // A folder where tags.xml should be.
    std::filesystem::create_directories(m_hosts.DatabaseFile());
    ProcessResult run = m_hosts.Script(GetParam().host, "open " + path + "\nsave\nsave\nkeywords\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(KeywordsOf(path), "budget, q3, confidential");
    EXPECT_THAT(run.out, HasSubstr("> keywords\nbudget, q3, confidential\n"));
    EXPECT_EQ(Count(run.err, "are kept as they are"), 1u) << run.err;
    EXPECT_THAT(run.err, HasSubstr(path));
    EXPECT_TRUE(std::filesystem::is_directory(m_hosts.DatabaseFile()));

    // Once the database can be read again, the next save unites both sides.
    std::filesystem::remove(m_hosts.DatabaseFile());
    m_hosts.Tag(path, "stored");
    run = m_hosts.Script(GetParam().host, "open " + path + "\nsave\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(m_hosts.Show(path), ElementsAre("stored", "budget", "q3", "confidential", "Budget"));
    EXPECT_EQ(KeywordsOf(path), "stored, budget, q3, confidential, Budget");
}

TEST_P(KeywordSafetyTest, ALockHeldBeyondTheWaitLeavesTheKeywordsAndTheStoredTagsAlike)
{
    const std::string path = MakeBudget("budget, q3, confidential");
    m_hosts.Tag(path, "only-stored");
    const std::string before = files::ReadFile(m_hosts.DatabaseFile()).value_or("");
    ProcessResult run;
    {
        // Another process's lock, held through the whole run (the host waits 5 s for it).
        files::FileLock lock(m_hosts.DatabaseFile());
        ASSERT_TRUE(lock.Locked()) << lock.Error();
        run = m_hosts.Script(GetParam().host, "open " + path + "\nsave\n");
    }
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(KeywordsOf(path), "budget, q3, confidential");
    EXPECT_EQ(Count(run.err, "are kept as they are"), 1u) << run.err;
    EXPECT_EQ(files::ReadFile(m_hosts.DatabaseFile()).value_or(""), before);
}

} // namespace
} // namespace quillmark::test
