// The Browse Tags dialogs end to end: quillmark-host scripts open them from the
// bar, click and right-click list rows, answer the relocation prompt, page through
// slide previews made on the spot, and insert a slide; the transcript shows every
// status, prompt, shell request and dialog result.
#include "tests/e2e/hostsession.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(BrowseTranscriptTest, PowerPointPreviewsAPresentationAndInsertsItsThirdSlide)
{
    AddinHosts hosts;
    const std::string deck = hosts.MakeDoc("deck.ppt");
    hosts.MakeDoc("talk.ppt");
    hosts.Tag(deck, "sales, q3");
    ProcessResult run = hosts.Script("powerpoint", "open deck.ppt 3\nsave\nclose\n"
                                                   "open talk.ppt 4\ngoto-slide 2\n"
                                                   "search sales\n"
                                                   "dialog-list-click 206 0\ndialog\ndialog-list-click 206 0\n"
                                                   "dialog-click 214\ndialog-click 214\ndialog-click 214\ndialog\n"
                                                   "dialog-click 211\nslide-list\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The first click makes the preview, with the progress shown.
    EXPECT_THAT(run.out, HasSubstr("> dialog-list-click 206 0\n"
                                   "status: 50 Generating Presentation preview...\n"
                                   "status: 75 Generating Presentation preview...\n"
                                   "status: 100 Finished...\n> dialog\n"));
    EXPECT_THAT(run.out, HasSubstr("209|picture||1|1|320x240\n"));
    EXPECT_THAT(run.out, HasSubstr("212|label|1 of 3 Slides|1|1\n"));
    EXPECT_THAT(run.out, HasSubstr("212|label|3 of 3 Slides|1|1\n"));
    EXPECT_THAT(run.out, HasSubstr("214|link|Next >|0|1\n"));
    EXPECT_THAT(run.out, HasSubstr("211|button|Insert Slide 3|1|1\n"));
    // Clicked again while unchanged: no new preview. The third Next does nothing.
    EXPECT_THAT(run.out, HasSubstr("> dialog-list-click 206 0\n> dialog-click 214\n"));
    // The status line says what was inserted.
    EXPECT_THAT(run.out, HasSubstr("> dialog-click 211\nstatus: 100 Slide 3 of \"deck.ppt\" was inserted.\n"
                                   "dialog closed: 211\n"));
    // Slide 3 of deck.ppt behind slide 2 of talk.ppt, which stays the current slide.
    EXPECT_THAT(run.out, HasSubstr("> slide-list\n"));
    const std::string slides = run.out.substr(run.out.find("> slide-list\n"));
    EXPECT_THAT(slides, HasSubstr("* 2 talk.ppt - slide 2\n  3 deck.ppt - slide 3\n  4 talk.ppt - slide 3\n")) << slides;
}

TEST(BrowseTranscriptTest, WordLocatesAMissingDocumentAndTheFileMenuWorks)
{
    AddinHosts hosts;
    const std::string gone = hosts.MakeDoc("gone.doc");
    const std::string kept = hosts.MakeDoc("kept.doc");
    hosts.Tag(gone, "plan, 2024");
    hosts.Tag(kept, "plan");
    std::filesystem::remove(gone);
    std::filesystem::create_directories(hosts.Docs() + "/moved");
    const std::string located = hosts.MakeDoc("moved/found.doc");

    ProcessResult run = hosts.Script("word", "click &Browse\n"
                                             "answer cancel\ndialog-list-click 206 0\n"
                                             "answer ok\nchoose-file moved/found.doc\ndialog-list-click 206 0\ndialog\n"
                                             "dialog-list-rclick 206 1\ndialog-menu Show File in Explorer\n"
                                             "dialog-list-rclick 206 -1\ndialog-menu cancel\n"
                                             "dialog-list-rclick 206 0\ndialog-menu Remove Entry From List\ndialog\n"
                                             "dialog-list-click 206 0\ndialog-click 1\ndocuments\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("message: |The file\"gone.doc\" could not be used because the original "
                                   "file\\ncould not be found. Would you like to locate it?|okcancel|question\n"));
    // The locate dialog starts where the file was, and offers every kind the list shows.
    EXPECT_THAT(run.out, HasSubstr("open-file: Document Files (*.doc);;Word Documents (*.docx *.docm);;"
                                   "OpenDocument Text (*.odt);;All Files (*)|doc|" + hosts.Docs() + "\n"));
    // The located file keeps the old tags, then gets its file-name tag; the old record is gone.
    EXPECT_THAT(hosts.Show(located), ElementsAre("plan", "2024", "found"));
    EXPECT_THAT(hosts.Show(gone), ElementsAre());
    EXPECT_THAT(run.out, HasSubstr("  0|kept.doc|plan\n  1|found.doc|plan, 2024, found\n"));
    EXPECT_THAT(run.out, HasSubstr("shell: explore " + hosts.Docs() + "/moved\n"));
    EXPECT_THAT(run.out, HasSubstr("menu: Show File in Explorer|0 Remove Entry From List|0 - Properties|0\n"));
    EXPECT_THAT(hosts.Show(kept), ElementsAre());
    EXPECT_THAT(run.out, HasSubstr("> dialog-click 1\ndialog closed: 1\n> documents\n"));
    EXPECT_THAT(run.out, HasSubstr("found.doc"));
    EXPECT_THAT(run.out, Not(HasSubstr("shell: properties")));
}

TEST(BrowseTranscriptTest, WordFromTheKeyboardSearchesWithEnterChoosesWithArrowsAndOpens)
{
    AddinHosts hosts;
    const std::string first = hosts.MakeDoc("first.doc");
    const std::string second = hosts.MakeDoc("second.doc");
    hosts.MakeDoc("other.doc");
    hosts.Tag(first, "alpha");
    hosts.Tag(second, "alpha, beta");
    hosts.Tag(hosts.Doc("other.doc"), "gamma");
    ProcessResult run = hosts.Script("word", "click &Browse\n"
                                             "dialog-set 203 'zzz'\ndialog-key 203 Enter\ndialog-key 208 Enter\ndialog\n"
                                             "dialog-set 203 'alpha'\ndialog-key 208 Enter\n"
                                             "dialog-key 206 Down\ndialog-key 206 Down\ndialog\n"
                                             "dialog-key 206 Enter\ndocuments\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Nothing matches: the list says so.
    EXPECT_THAT(run.out, HasSubstr("-|static|No tagged files match|1|1\n"));
    // Enter on Search searched; the arrows chose the second row, as clicks would.
    EXPECT_THAT(run.out, HasSubstr("  0|first.doc|alpha\n  *1|second.doc|alpha, beta\n")) << run.out;
    EXPECT_THAT(run.out, HasSubstr("1|button|Open Document|1|1\n"));
    EXPECT_THAT(run.out, HasSubstr("> dialog-key 206 Enter\ndialog closed: 1\n"));
    EXPECT_THAT(run.out.substr(run.out.rfind("> documents")), HasSubstr("second.doc"));
}

TEST(BrowseTranscriptTest, PowerPointFromTheKeyboardPreviewsTheDeckTheArrowsChoose)
{
    AddinHosts hosts;
    const std::string deck = hosts.MakeDoc("deck.ppt");
    hosts.MakeDoc("talk.ppt");
    hosts.Tag(deck, "sales");
    ProcessResult run = hosts.Script("powerpoint", "open deck.ppt 2\nsave\nclose\nopen talk.ppt 1\n"
                                                   "search sales\ndialog-key 206 Down\ndialog\n"
                                                   "dialog-key 206 Tab\ndialog-key 1 Enter\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("> dialog-key 206 Down\n"
                                   "status: 50 Generating Presentation preview...\n"
                                   "status: 75 Generating Presentation preview...\n"
                                   "status: 100 Finished...\n> dialog\n"));
    EXPECT_THAT(run.out, HasSubstr("  *0|deck.ppt|sales, deck\n"));
    EXPECT_THAT(run.out, HasSubstr("212|label|1 of 2 Slides|1|1\n"));
    EXPECT_THAT(run.out, HasSubstr("> dialog-key 1 Enter\ndialog closed: 1\n"));
}

TEST(BrowseTranscriptTest, PowerPointFromTheKeyboardSearchesWithEnterOnSearchAndChoosesWithArrows)
{
    AddinHosts hosts;
    hosts.Tag(hosts.MakeDoc("deck.ppt"), "sales");
    hosts.Tag(hosts.MakeDoc("talk.ppt"), "sales, review");
    ProcessResult run = hosts.Script("powerpoint", "open deck.ppt 2\nsave\nclose\nopen talk.ppt 3\nsave\nclose\n"
                                                   "click &Browse\n"
                                                   "dialog-set 203 review\ndialog-key 203 Enter\ndialog\n"
                                                   "dialog-key 208 Enter\ndialog\n"
                                                   "dialog-set 203 sales\ndialog-key 203 Enter\ndialog-key 208 Enter\n"
                                                   "dialog-key 206 Down\ndialog-key 206 Down\ndialog\n"
                                                   "dialog-key 206 Up\ndialog\ndialog-key 2 Enter\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const auto between = [&run](const std::string& from, const std::string& to) {
        const std::size_t start = run.out.find(from);
        if (start == std::string::npos) return std::string();
        return run.out.substr(start, run.out.find(to, start + from.size()) - start);
    };
    // The list follows the typed text. Enter in the search field keeps the dialog open
    // and presses nothing (none is chosen); Enter on Search searches again, the same.
    const std::string afterFieldEnter = between("> dialog-key 203 Enter\n> dialog\n", "> dialog-key 208");
    EXPECT_THAT(afterFieldEnter, HasSubstr("206|list||1|1\n  0|talk.ppt|sales, review, talk\n203|edit|review|"))
        << run.out;
    EXPECT_THAT(afterFieldEnter, HasSubstr("1|button|Open Document|0|1\n"));
    EXPECT_THAT(between("> dialog-key 208 Enter\n> dialog\n", "> dialog-set"),
                HasSubstr("206|list||1|1\n  0|talk.ppt|sales, review, talk\n203|edit|review|"));
    // Down chooses the first row, Down again the second, each previewed as a click
    // would; Up goes back to the first, whose preview is shown again.
    const std::string afterDowns = between("> dialog-key 206 Down\n", "> dialog-key 206 Up");
    EXPECT_EQ(afterDowns.substr(0, afterDowns.find("> dialog\n")),
              "> dialog-key 206 Down\nstatus: 50 Generating Presentation preview...\n"
              "status: 75 Generating Presentation preview...\nstatus: 100 Finished...\n"
              "> dialog-key 206 Down\nstatus: 50 Generating Presentation preview...\n"
              "status: 75 Generating Presentation preview...\nstatus: 100 Finished...\n");
    EXPECT_THAT(afterDowns, HasSubstr("  0|deck.ppt|sales, deck\n  *1|talk.ppt|sales, review, talk\n"));
    EXPECT_THAT(afterDowns, HasSubstr("212|label|1 of 3 Slides|1|1\n"));
    const std::string afterUp = between("> dialog-key 206 Up\n", "> dialog-key 2 Enter");
    EXPECT_THAT(afterUp, HasSubstr("  *0|deck.ppt|sales, deck\n  1|talk.ppt|sales, review, talk\n"));
    EXPECT_THAT(afterUp, HasSubstr("212|label|1 of 2 Slides|1|1\n"));
    EXPECT_THAT(afterUp, HasSubstr("1|button|Open Document|1|1\n"));
    EXPECT_THAT(run.out, HasSubstr("> dialog-key 2 Enter\ndialog closed: 2\n"));
}

} // namespace
} // namespace quillmark::test
