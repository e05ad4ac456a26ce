// A save never costs a document its own Keywords: the add-in installed in both
// simulated hosts, .docx and .pptx files with Keywords made by the test, opened
// and saved by host scripts while the tag database takes them, cannot be read,
// or is held by another process.
#include "tests/e2e/hostsession.h"

#include "docprops/docprops.h"
#include "store/tagtext.h"
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

TEST_P(KeywordSafetyTest, KeywordsBeyondTheLimitsGiveABoundedRecordSaySoOnceAndStayInTheFile)
{
    // Within what the property reader takes (64 KB): one keyword of 20,000
    // characters, then 4,000 short ones.
    const std::string longKeyword(20000, 'w');
    std::vector<std::string> shortOnes;
    for (int i = 0; i < 4000; ++i) shortOnes.push_back("s" + std::to_string(i));
    std::vector<std::string> all = {longKeyword};
    all.insert(all.end(), shortOnes.begin(), shortOnes.end());
    const std::string path = MakeBudget(JoinTags(all));

    ProcessResult run = m_hosts.Script(GetParam().host, "open " + path + "\nsave\nsave\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.substr(0, 2000);
    std::vector<std::string> expected = {std::string(256, 'w')};
    expected.insert(expected.end(), shortOnes.begin(), shortOnes.begin() + 999);
    expected.push_back("Budget");
    EXPECT_TRUE(m_hosts.Show(path) == expected);
    EXPECT_EQ(Count(run.err, "Only part of the Keywords of"), 1u) << run.err.substr(0, 2000);
    EXPECT_THAT(run.err, HasSubstr("1 tags were cut, 3001 left out"));
    // The file keeps every keyword it had, in its order; the file-name tag joins them.
    std::vector<std::string> kept = {longKeyword};
    kept.insert(kept.end(), shortOnes.begin(), shortOnes.begin() + 999);
    kept.push_back("Budget");
    kept.insert(kept.end(), shortOnes.begin() + 999, shortOnes.end());
    EXPECT_TRUE(KeywordsOf(path) == JoinTags(kept)) << KeywordsOf(path).substr(0, 300);
    // The bar shows the first 200 tags: after its six fixed buttons, the cut tag
    // and s0 to s198.
    const std::string bar = run.out.substr(run.out.find("> toolbar\n"));
    EXPECT_EQ(Count(bar, "|button|"), 6u + 200u);
    EXPECT_THAT(bar, HasSubstr("\n204|button|s198|"));
    EXPECT_THAT(bar, ::testing::Not(HasSubstr("|s199|")));
}

TEST_P(KeywordSafetyTest, AFifteenMegabyteKeywordOrAHundredThousandKeywordsNeverReachTheDatabase)
{
    std::string many;
    for (int i = 0; i < 100000; ++i) many += (i ? ", k" : "k") + std::to_string(i);
    for (const std::string& keywords : {std::string(15u << 20, 'x'), many}) {
        SCOPED_TRACE(keywords.size());
        const std::string path = MakeBudget(keywords);
        const std::string before = files::ReadFile(path).value_or("");
        ProcessResult run = m_hosts.Script(GetParam().host, "open " + path + "\nsave\nsave\n");
        EXPECT_EQ(run.exitCode, 0) << run.err.substr(0, 2000);
        EXPECT_THAT(m_hosts.Show(path), ElementsAre("Budget"));
        EXPECT_EQ(Count(run.err, "the document properties cannot be read"), 1u) << run.err.substr(0, 2000);
        EXPECT_EQ(files::ReadFile(path).value_or(""), before);
        m_hosts.Remove(path);
    }
}

} // namespace
} // namespace quillmark::test
