// The command bar end to end: the add-in installed for both simulated hosts, its bar
// shown by the host's `toolbar` command after each step, and the dialogs that its
// clicks and the search box open, read with the host's `dialog` command.
#include "tests/e2e/hostsession.h"

#include "platform/registry/registry.h"

#include <gtest/gtest.h>

namespace quillmark::test {
namespace {

struct Host {
    const char* name;
    const char* extension;
};
void PrintTo(const Host& host, std::ostream* os) { *os << host.name; }
const Host kWord{"word", ".doc"};
const Host kPowerPoint{"powerpoint", ".ppt"};


// `bar` (as ToolbarWith gives it) with the search box's drop-down list below the box.
std::string WithSearchList(std::string bar, const std::vector<std::string>& items)
{
    const std::string box = "2|combobox|Search tags|-|||0|1\n";
    std::string list;
    for (std::size_t i = 0; i < items.size(); ++i) list += "  " + std::to_string(i + 1) + "|item|" + items[i] + "\n";
    const std::size_t at = bar.find(box);
    return at == std::string::npos ? bar : bar.insert(at + box.size(), list);
}

class ToolbarTranscriptTest : public ::testing::TestWithParam<Host> {
protected:
    std::string Name(const char* stem) const { return stem + std::string(GetParam().extension); }

    // The file-name setting as the add-in reads it at its next start. The host seeds
    // the settings key with its defaults the first time it runs.
    void SetFileNameTagSetting(std::uint32_t value)
    {
        registry::RegKey key(m_hosts.RegistryFile());
        if (key.Open(registry::RegRoot::LocalMachine, kSettingsKey) != registry::RegStatus::Ok) {
            ASSERT_EQ(m_hosts.Script(GetParam().name, "").exitCode, 0);
            ASSERT_EQ(key.Open(registry::RegRoot::LocalMachine, kSettingsKey), registry::RegStatus::Ok);
        }
        ASSERT_EQ(key.SetDWord("GlobalDefaultFileNameTag", value), registry::RegStatus::Ok);
    }

    static constexpr const char* kSettingsKey = "Software\\Norvane\\Quillwright";
    AddinHosts m_hosts;
};
INSTANTIATE_TEST_SUITE_P(BothHosts, ToolbarTranscriptTest, ::testing::Values(kWord, kPowerPoint),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(ToolbarTranscriptTest, TheBarShowsEveryControlInOrderAndEachClickOpensItsDialog)
{
    const std::string report = m_hosts.MakeDoc(Name("Report"));
    m_hosts.Tag(report, "alpha, Report, beta");
    SetFileNameTagSetting(0);

    const std::string script = "open " + Name("Report") + "\ntoolbar\n"
                               "click alpha\ndialog\ndialog-click 2\nclick beta\ndialog\ndialog-click 2\n"
                               "click &Browse\ndialog\ndialog-click 2\nclick &Tag\ndialog-click 2\n"
                               "click &About\ndialog-click 1\nclick &Options...\ndialog-click 2\ntoolbar\n";
    ProcessResult run = m_hosts.Script(GetParam().name, script);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The fixed controls, then one button per stored tag but the file-name tag, the
    // first of them beginning a group; no tag is in the file's Keywords.
    const std::string bar = "[Quillmark 1.0]\n"
                            "1|popup|&Quillmark|-|QK|Quillmark|0|1\n"
                            "  1|button|&About|984|&About|&About|0|1\n"
                            "  2|button|&Options...|502|&Options...|&Options...|0|1\n"
                            "  3|button|&Help|983|&Help|&Help|0|1\n"
                            "  4|button|&Website|2497|&Website|&Website|0|1\n"
                            "2|combobox|Search tags|-|||0|1\n"
                            "3|button|&Browse|1661|&Browse|&Browse|0|1\n"
                            "4|button|&Tag|625|&Tag|&Tag|0|1\n"
                            "5|button|alpha|1589|alpha|Show all documents with \"alpha\" tag|1|1\n"
                            "6|button|beta|1589|beta|Show all documents with \"beta\" tag|0|1\n";
    EXPECT_EQ(bar, ToolbarWith({"alpha 1589", "beta 1589"}));
    EXPECT_EQ(run.out.substr(0, run.out.find("> click alpha")), "> open " + Name("Report") + "\n> toolbar\n" + bar);
    // A tag button opens this host's Browse Tags dialog with its tag as the search,
    // "&Browse" the same with no search, listing the tagged file. The Tag, About and
    // Options dialogs open; cancelled, Options leaves the bar as it was.
    for (const char* search : {"alpha", "beta", ""}) {
        EXPECT_NE(run.out.find("\n203|edit|" + std::string(search) + "|1|1|"), std::string::npos) << search;
    }
    EXPECT_NE(run.out.find("  0|" + Name("Report") + "|alpha, Report, beta\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("> click &Options...\n> dialog-click 2\ndialog closed: 2\n> toolbar\n" + bar),
              std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_P(ToolbarTranscriptTest, TheFileNameTagIsShownOnlyWhenTheSettingIsOne)
{
    m_hosts.MakeDoc(Name("Report"));
    m_hosts.Tag(m_hosts.Doc(Name("Report")), "alpha, Report, beta");
    const std::string script = "open " + Name("Report") + "\ntoolbar\n";
    const std::string transcript = "> open " + Name("Report") + "\n> toolbar\n";

    SetFileNameTagSetting(0);
    ProcessResult hidden = m_hosts.Script(GetParam().name, script);
    EXPECT_EQ(hidden.exitCode, 0) << hidden.err;
    EXPECT_EQ(hidden.out, transcript + ToolbarWith({"alpha 1589", "beta 1589"}));

    SetFileNameTagSetting(1);
    ProcessResult shown = m_hosts.Script(GetParam().name, script);
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, transcript + ToolbarWith({"alpha 1589", "Report 1589", "beta 1589"}));

    // Only the first tag equal to the file name is hidden, and only an exact match.
    m_hosts.Tag(m_hosts.Doc(Name("Report")), "report, Report, Report");
    SetFileNameTagSetting(0);
    ProcessResult once = m_hosts.Script(GetParam().name, script);
    EXPECT_EQ(once.exitCode, 0) << once.err;
    EXPECT_EQ(once.out, transcript + ToolbarWith({"report 1589", "Report 1589"}));
    EXPECT_EQ(once.err, "");
}

TEST_P(ToolbarTranscriptTest, TheFaceIdTellsTagsInTheKeywordsFromTagsOnlyInTheDatabase)
{
    m_hosts.MakeDoc(Name("Report"));
    m_hosts.Tag(m_hosts.Doc(Name("Report")), "alpha, Report, beta");
    // The document's Keywords change while it is open; its window, activated again,
    // rebuilds the bar from them. A never-saved document shows its Keywords, but
    // none of them as stored in the document.
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\n"
                                                        "set-keywords 'beta, gamma'\n"
                                                        "new\nset-keywords 'x, beta'\n"
                                                        "activate 1\ntoolbar\n"
                                                        "activate 2\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "> open " + Name("Report") + "\n> set-keywords 'beta, gamma'\n> new\n"
                       "> set-keywords 'x, beta'\n> activate 1\n> toolbar\n" +
                           ToolbarWith({"alpha 1589", "beta 1546"}) + "> activate 2\n> toolbar\n" +
                           ToolbarWith({"x 1589", "beta 1589"}));
}

TEST_P(ToolbarTranscriptTest, SwitchingDocumentsLeavesOnlyTheActiveDocumentsButtons)
{
    m_hosts.MakeDoc(Name("Many"));
    m_hosts.MakeDoc(Name("Few"));
    m_hosts.Tag(m_hosts.Doc(Name("Many")), "m1, m2, m3, Many");
    m_hosts.Tag(m_hosts.Doc(Name("Few")), "f1, Few");
    const std::vector<std::string> many{"m1 1589", "m2 1589", "m3 1589"};
    const std::vector<std::string> few{"f1 1589"};

    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Many") + "\ntoolbar\n"
                                                        "open " + Name("Few") + "\ntoolbar\n"
                                                        "activate 1\ntoolbar\n"
                                                        "new\ntoolbar\n"
                                                        "activate " + Name("Few") + "\ntoolbar\n"
                                                        "close\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "> open " + Name("Many") + "\n> toolbar\n" + ToolbarWith(many) + "> open " + Name("Few") +
                           "\n> toolbar\n" + ToolbarWith(few) + "> activate 1\n> toolbar\n" + ToolbarWith(many) +
                           "> new\n> toolbar\n" + ToolbarWith({}) + "> activate " + Name("Few") + "\n> toolbar\n" +
                           ToolbarWith(few) + "> close\n> toolbar\n" + ToolbarWith({}));
}

TEST_P(ToolbarTranscriptTest, TheTagButtonIsDisabledWhileNoDocumentIsOpen)
{
    m_hosts.MakeDoc(Name("Report"));
    m_hosts.Tag(m_hosts.Doc(Name("Report")), "alpha");
    // The bar as ToolbarWith gives it, with "&Tag" disabled.
    const auto withTagDisabled = [](std::string bar) {
        const std::string enabled = "4|button|&Tag|625|&Tag|&Tag|0|1\n";
        const std::size_t at = bar.find(enabled);
        return at == std::string::npos ? bar : bar.replace(at, enabled.size(), "4|button|&Tag|625|&Tag|&Tag|0|0\n");
    };
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\nclose\ntoolbar\nclick &Tag\n"
                                                        "click &Options...\ndialog-click 1\ntoolbar\n"
                                                        "new\ntoolbar\nclose\nopen " + Name("Report") + "\n"
                                                        "toolbar\nclick &Tag\ndialog-click 2\n");
    // Closing the last document leaves "&Tag" disabled: a click cannot reach it, and
    // a refresh with no document (Options, OK) keeps it so. Any document, a never-saved
    // one too, enables it again.
    EXPECT_EQ(run.out, "> open " + Name("Report") + "\n> close\n> toolbar\n" + withTagDisabled(ToolbarWith({})) +
                           "> click &Tag\n> click &Options...\n> dialog-click 1\ndialog closed: 1\n> toolbar\n" +
                           withTagDisabled(ToolbarWith({})) + "> new\n> toolbar\n" + ToolbarWith({}) +
                           "> close\n> open " + Name("Report") + "\n> toolbar\n" + ToolbarWith({"alpha 1589"}) +
                           "> click &Tag\n> dialog-click 2\ndialog closed: 2\n");
    EXPECT_EQ(run.err, "line 4: the button \"&Tag\" is disabled\n");
    EXPECT_NE(run.exitCode, 0);
}

TEST_P(ToolbarTranscriptTest, SavingRebuildsTheButtonsFromTheStoredTags)
{
    const std::string path = m_hosts.MakeDoc(Name("Plan"));
    m_hosts.Tag(path, "p1, p2, p3, Plan");
    HostSession host = m_hosts.Start(GetParam().name);
    EXPECT_EQ(host.Run("open " + Name("Plan") + "\ntoolbar\n"),
              "> open " + Name("Plan") + "\n> toolbar\n" + ToolbarWith({"p1 1589", "p2 1589", "p3 1589"}));

    // The record changes elsewhere; the save brings its tags into the document and
    // the bar (PowerPoint refreshes after the save and keeps its "&Tag" button).
    m_hosts.Tag(path, "q1, Plan");
    EXPECT_EQ(host.Run("save\ntoolbar\nkeywords\n"),
              "> save\n> toolbar\n" + ToolbarWith({"q1 1546"}) + "> keywords\nq1, Plan\n");

    // And the other way round: more buttons than before.
    m_hosts.Tag(path, "r1, r2, r3, r4, Plan");
    EXPECT_EQ(host.Run("save\ntoolbar\n"),
              "> save\n> toolbar\n" + ToolbarWith({"r1 1546", "r2 1546", "r3 1546", "r4 1546"}));
    ProcessResult end = host.Finish();
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_EQ(end.err, "");
}

TEST_P(ToolbarTranscriptTest, TheSearchBoxListsEachEntryAndOpensThePresentationDialog)
{
    m_hosts.MakeDoc(Name("Report"));
    m_hosts.Tag(m_hosts.Doc(Name("Report")), "alpha");
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\n"
                                                        "search budget\ndialog-click 2\nsearch budget\ndialog-click 2\n"
                                                        "search 'Search tags'\nsearch 'search tags'\ndialog-click 2\n"
                                                        "toolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Its own text is no search; any other entry (even in other letter case) goes to
    // the list, once however often it is entered, and opens the presentation dialog in both hosts.
    const std::string closed = "> dialog-click 2\ndialog closed: 2\n";
    EXPECT_EQ(run.out, "> open " + Name("Report") + "\n> search budget\n" + closed + "> search budget\n" + closed +
                           "> search 'Search tags'\n> search 'search tags'\n" + closed + "> toolbar\n" +
                           WithSearchList(ToolbarWith({"alpha 1589"}), {"budget", "search tags"}));
    EXPECT_EQ(run.err, "");

    // The dialog starts with the entry as its search; a tag button after a search
    // still opens with its own tag; the list stays.
    ProcessResult again = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\nsearch 'a \"b\"'\n"
                                                          "dialog\ndialog-click 2\nclick alpha\ndialog\n"
                                                          "dialog-click 2\ntoolbar\n");
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("\n203|edit|a \"b\"|1|1|"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("\n203|edit|alpha|1|1|"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("> toolbar\n" + WithSearchList(ToolbarWith({"alpha 1589"}), {"a \"b\""})),
              std::string::npos);
    EXPECT_EQ(again.err, "");
}

} // namespace
} // namespace quillmark::test
