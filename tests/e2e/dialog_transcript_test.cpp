// The add-in's dialogs end to end: quillmark-host scripts in both hosts open them
// through the bar, print them, type into them, click them and read what they did
// from the transcript, the database and the registry.
#include "tests/e2e/hostsession.h"

#include "platform/registry/registry.h"
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quillmark::test {
namespace {

struct Host {
    const char* name;
    const char* extension;
};
void PrintTo(const Host& host, std::ostream* os) { *os << host.name; }

constexpr const char* kSettingsKey = "Software\\Norvane\\Quillwright";

// What `dialog` prints for the Tag dialog on its entry form.
std::string TagDialog(const std::string& text, const std::string& selection, bool bEnabled = true,
                      const std::string& instruction = LoadResString(102),
                      const std::string& second = LoadResString(103))
{
    // The entry can be used exactly when Tag can.
    return std::string("[Tag]\n1|button|Tag|") + (bEnabled ? "1" : "0") + "|1\n2|button|Cancel|1|1\n203|edit|" + text +
           "|" + (bEnabled ? "1" : "0") + "|1|" + selection + "\n217|frame||1|1\n218|label||1|0\n216|progress||1|0|0\n204|label|" + instruction +
           "|1|1\n205|label|" + second + "|1|1\n";
}

class DialogTranscriptTest : public ::testing::TestWithParam<Host> {
protected:
    std::string Name(const char* stem) const { return stem + std::string(GetParam().extension); }
    bool PowerPoint() const { return std::string(GetParam().name) == "powerpoint"; }

    // Settings as the add-in reads them at its next start (the first run seeds the key).
    void SetSetting(const char* name, std::uint32_t value)
    {
        registry::RegKey key(m_hosts.RegistryFile());
        if (key.Open(registry::RegRoot::LocalMachine, kSettingsKey) != registry::RegStatus::Ok) {
            ASSERT_EQ(m_hosts.Script(GetParam().name, "").exitCode, 0);
            ASSERT_EQ(key.Open(registry::RegRoot::LocalMachine, kSettingsKey), registry::RegStatus::Ok);
        }
        ASSERT_EQ(key.SetDWord(name, value), registry::RegStatus::Ok);
    }
    std::uint32_t Setting(const char* name)
    {
        registry::RegKey key(m_hosts.RegistryFile());
        std::uint32_t value = 99;
        EXPECT_EQ(key.Open(registry::RegRoot::LocalMachine, kSettingsKey), registry::RegStatus::Ok);
        EXPECT_EQ(key.QueryDWord(name, value), registry::RegStatus::Ok);
        return value;
    }

    AddinHosts m_hosts;
};
INSTANTIATE_TEST_SUITE_P(BothHosts, DialogTranscriptTest,
                         ::testing::Values(Host{"word", ".doc"}, Host{"powerpoint", ".ppt"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_P(DialogTranscriptTest, TheTagDialogOpensWithThePlaceholderSelectedAndStoresWithEachStatus)
{
    const std::string report = m_hosts.MakeDoc(Name("Report"));
    m_hosts.Tag(report, "a, b");
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\nclick &Tag\ndialog\n"
                                                        "dialog-set 203 'a, b, c'\ndialog-click 1\ntoolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The file-name tag the opening stored is hidden; presentations save their
    // preview at tagging (the default setting).
    const std::string statuses = std::string("status: 10 Saving Tags to database...\n"
                                             "status: 25 Refreshing Tag toolbar...\n") +
                                 (PowerPoint() ? "status: 75 Saving Presentation preview...\n" : "") +
                                 "status: 100 Finished...\n";
    EXPECT_EQ(run.out, "> open " + Name("Report") + "\n> click &Tag\n> dialog\n" +
                           TagDialog("a, b, your new tag", "6-18") + "> dialog-set 203 'a, b, c'\n> dialog-click 1\n" +
                           statuses + "dialog closed: 1\n> toolbar\n" +
                           ToolbarWith({"a 1589", "b 1589", "c 1589"}));
    EXPECT_EQ(m_hosts.Show(report), (std::vector<std::string>{"a", "b", "c", "Report"}));
}

TEST_P(DialogTranscriptTest, ANeverSavedDocumentTagsItsKeywordsAndCancelKeepsThem)
{
    ProcessResult run = m_hosts.Script(GetParam().name, "new\nset-keywords 'x, y'\nclick &Tag\ndialog\n"
                                                        "dialog-set 203 'gone'\ndialog-key 203 Escape\nkeywords\n"
                                                        "click &Tag\ndialog-select 203 0 -1\ndialog\n"
                                                        "dialog-set 203 'x, y, z'\ndialog-key 203 Enter\nkeywords\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("> dialog\n" + TagDialog("x, y, your new tag", "6-18")), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("> dialog-key 203 Escape\ndialog closed: 2\n> keywords\nx, y\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("> dialog\n" + TagDialog("x, y, your new tag", "0-18")), std::string::npos) << run.out;
    // Into the Keywords: no file-name tag, no preview, nothing in the database.
    EXPECT_NE(run.out.find("> dialog-key 203 Enter\nstatus: 10 Saving Tags to database...\n"
                           "status: 25 Refreshing Tag toolbar...\nstatus: 100 Finished...\ndialog closed: 1\n"
                           "> keywords\nx, y, z\n"),
              std::string::npos)
        << run.out;
    EXPECT_FALSE(std::filesystem::exists(m_hosts.DatabaseFile()));
}

TEST_P(DialogTranscriptTest, ATemporaryFolderDocumentCanOnlyBeCancelled)
{
    const std::string draft = m_hosts.TempFolder() + "/" + Name("Draft");
    std::ofstream(draft) << "x";
    ProcessResult run = m_hosts.Script(GetParam().name, "open '" + draft + "'\nset-keywords 'k1, k2'\nclick &Tag\n"
                                                        "dialog\ndialog-click 1\ndialog-set 203 typed\n"
                                                        "dialog-key 2 Enter\nkeywords\n");
    // Tag and the entry are both disabled, nothing selected; Enter presses Cancel,
    // which has the focus.
    EXPECT_EQ(run.out, "> open '" + draft + "'\n> set-keywords 'k1, k2'\n> click &Tag\n> dialog\n" +
                           TagDialog("k1, k2, your new tag", "20-20", false, LoadResString(128), "") +
                           "> dialog-click 1\n> dialog-set 203 typed\n> dialog-key 2 Enter\ndialog closed: 2\n"
                           "> keywords\nk1, k2\n");
    EXPECT_NE(run.err.find("line 6: control 203 cannot be typed into (disabled, hidden or read-only)\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(m_hosts.DatabaseFile()));
}

TEST_P(DialogTranscriptTest, AFailedStoreSaysWhyAndReturnsToTheTypedText)
{
    // The database folder's place is taken by a file: nothing can be saved.
    std::filesystem::create_directories(std::filesystem::path(m_hosts.DatabaseFile()).parent_path().parent_path());
    std::ofstream(std::filesystem::path(m_hosts.DatabaseFile()).parent_path()) << "in the way";
    m_hosts.MakeDoc(Name("Report"));
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\nclick &Tag\n"
                                                        "dialog-set 203 'kept, text'\nanswer ok\ndialog-click 1\n"
                                                        "dialog\ndialog-click 1\ndialog-click 2\nkeywords\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::size_t message = run.out.find("message: Tag|The tags could not be saved, so nothing was changed.\\n");
    ASSERT_NE(message, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("|ok|warning\nanswered: ok\n", message), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("> dialog\n" + TagDialog("kept, text", "10-10")), std::string::npos) << run.out;
    // The second try has no answer queued: the box is cancelled with a warning.
    EXPECT_NE(run.out.find("answered: cancel\n> dialog-click 2\ndialog closed: 2\n> keywords\n\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("warning: no answer queued for the message box \"Tag\""), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("Finished"), std::string::npos) << run.out;
}

TEST_P(DialogTranscriptTest, OptionsShowsTheSettingsTruthfullyAndOkRewritesThem)
{
    SetSetting("PPTCreatePreviewAtInsert", 5);
    SetSetting("GlobalDefaultFileNameTag", 5);
    const std::string options = "[Preferences]\n"
                                "225|radio|Create preview after tagging each Preseantation |1|1|1\n"
                                "226|radio|Create preview as needed when browsing for Presentations|1|1|0\n"
                                "219|checkbox|Automatically add the document filename as tag|1|1|";
    const std::string rest = "\n1|button|OK|1|1\n2|button|Cancel|1|1\n"
                             "-|group|PowerPoint Preferences|1|1\n-|group|Global Preferences|1|1\n";
    ProcessResult cancel = m_hosts.Script(GetParam().name, "click &Options...\ndialog-check 226 1\n"
                                                           "dialog-check 219 0\ndialog-click 2\n");
    EXPECT_EQ(cancel.exitCode, 0) << cancel.err;
    EXPECT_EQ(Setting("PPTCreatePreviewAtInsert"), 5u);
    EXPECT_EQ(Setting("GlobalDefaultFileNameTag"), 5u);

    ProcessResult ok = m_hosts.Script(GetParam().name, "click &Options...\ndialog\ndialog-key 219 Enter\n"
                                                       "click &Options...\ndialog-click 219\ndialog\ndialog-click 1\n");
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "> click &Options...\n> dialog\n" + options + "1" + rest +
                          "> dialog-key 219 Enter\ndialog closed: 1\n> click &Options...\n> dialog-click 219\n> dialog\n" +
                          options + "0" + rest + "> dialog-click 1\ndialog closed: 1\n");
    // The stored 5s became 0 at the first OK; the cleared box stores 1 (the file name is no tag).
    EXPECT_EQ(Setting("PPTCreatePreviewAtInsert"), 0u);
    EXPECT_EQ(Setting("GlobalDefaultFileNameTag"), 1u);
}

TEST_P(DialogTranscriptTest, OptionsOkRefreshesTheTagButtonsAndCancelDoesNot)
{
    m_hosts.Tag(m_hosts.MakeDoc(Name("Report")), "a, Report");
    ProcessResult run = m_hosts.Script(GetParam().name, "open " + Name("Report") + "\nclick &Options...\n"
                                                        "dialog-check 219 0\ndialog-click 2\ntoolbar\n"
                                                        "click &Options...\ndialog-check 219 0\ndialog-click 1\n"
                                                        "toolbar\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // With the box cleared the file name is an ordinary tag: its button appears.
    EXPECT_EQ(run.out, "> open " + Name("Report") + "\n> click &Options...\n> dialog-check 219 0\n"
                       "> dialog-click 2\ndialog closed: 2\n> toolbar\n" + ToolbarWith({"a 1589"}) +
                           "> click &Options...\n> dialog-check 219 0\n> dialog-click 1\ndialog closed: 1\n"
                           "> toolbar\n" + ToolbarWith({"a 1589", "Report 1589"}));
}

TEST_P(DialogTranscriptTest, AboutShowsEachProductAndItsLinkIsRecordedNotOpened)
{
    for (std::uint32_t productType : {0u, 2u}) {
        SCOPED_TRACE(productType);
        SetSetting("ProductType", productType);
        const std::string name = LoadResString(productType == 2 ? 133 : 132);
        const std::string site = LoadResString(productType == 2 ? 114 : 135);
        ProcessResult run = m_hosts.Script(GetParam().name, "click &About\ndialog\ndialog-click 220\n"
                                                            "dialog-click 224\ndialog-click 1\n");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "> click &About\n> dialog\n[Preferences]\n1|button|OK|1|1\n236|picture||1|1|118x63\n"
                           "220|label|" + name + " 1.0|1|1\n221|static|© 2005 Norvane. All rights reserved.\\n"
                           "BuildId: 2005100925|1|1\n224|link|" + site + "|1|1\n> dialog-click 220\n"
                           "> dialog-click 224\nshell: open " + site + "\n> dialog-click 1\ndialog closed: 1\n");
    }
}

TEST_P(DialogTranscriptTest, AScriptEndingInADialogCancelsItAndFails)
{
    ProcessResult run = m_hosts.Script(GetParam().name, "dialog\nclick &About\nclick &Options...\nsearch x\n"
                                                        "dialog-set 224 x\ndialog-click 99\nanswer maybe\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("> answer maybe\ndialog closed: 2\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "line 1: no dialog is open\n"
                       "line 3: the dialog \"Preferences\" is open; close it first\n"
                       "line 4: the dialog \"Preferences\" is open; close it first\n"
                       "line 5: control 224 is not an edit\n"
                       "line 6: the dialog has no control 99\n"
                       "line 7: usage: answer ok|cancel|yes|no\n"
                       "line 7: the script ended while the dialog \"Preferences\" was open; it was cancelled\n");
}

} // namespace quillmark::test
