// What the dialogs talk to: chosen once by the add-in's dialog launcher (the
// host's script or the real desktop), and the real desktop telling the person
// when the shell cannot open something.
#include "addin/dialoglauncher.h"

#include "officeapi/scripthooks.h"
#include "platform/shell/opener.h"
#include "resources/strings.h"
#include "tests/support/isolatedfolders.h"
#include "tests/ui/widgetapp.h"
#include "ui/controls/label.h"
#include "ui/prompts.h"
#include "ui/templatedialog.h"

#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QVariant>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quillmark;
using namespace quillmark::test;

namespace {

struct Hooks final : automation::ScriptHooks {
    std::vector<std::string> heard;
    std::string MessageBox(const std::string& caption, const std::string& text, const std::string& buttons,
                           const std::string& icon) override
    {
        heard.push_back("message " + caption + "|" + text + "|" + buttons + "|" + icon);
        return "ok";
    }
    bool OpenFile(const std::string& filter, const std::string& extension, const std::string& folder,
                  std::string& path) override
    {
        heard.push_back("open-file " + filter + "|" + extension + "|" + folder);
        path = "/tmp/chosen.doc";
        return true;
    }
    void Shell(const std::string& verb, const std::string& target) override { heard.push_back(verb + " " + target); }
    void Status(int position, const std::string& text) override
    {
        heard.push_back("status " + std::to_string(position) + " " + text);
    }
};

struct Recorder final : shell::UrlOpener {
    bool bSucceed = true;
    std::vector<std::string> requests;
    bool Open(const std::string& url) override
    {
        requests.push_back("open " + url);
        return bSucceed;
    }
    bool ShowItem(const std::string& path) override
    {
        requests.push_back("explore " + path);
        return bSucceed;
    }
};

struct ScopedRecorder {
    Recorder recorder;
    shell::UrlOpener* pPrevious = shell::SetUrlOpener(&recorder);
    ~ScopedRecorder() { shell::SetUrlOpener(pPrevious); }
};

// Closes the next message box that opens, keeping its icon and text.
struct MessageWatch {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::string text;
    int seen = 0;
    QTimer timer;
    MessageWatch()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                icon = pBox->icon();
                text = pBox->text().toStdString();
                ++seen;
                pBox->accept();
            }
        });
        timer.start();
    }
};

} // namespace

TEST(AddinDialogLauncher, TheHostsScriptFoundAtConnectionAnswersEveryDialogAndRequest)
{
    EnsureWidgetApp();
    ScopedRecorder desktop;
    Hooks hooks;
    Prompts* pBefore = &CurrentPrompts();
    qApp->setProperty(automation::kScriptHooksProperty,
                      QVariant::fromValue(reinterpret_cast<quintptr>(static_cast<automation::ScriptHooks*>(&hooks))));
    {
        std::ostringstream err;
        AddinDialogLauncher launcher(err);
        // The choice is made once: taking the hooks away later changes nothing.
        qApp->setProperty(automation::kScriptHooksProperty, QVariant());
        EXPECT_NE(&CurrentPrompts(), pBefore);

        EXPECT_EQ(CurrentPrompts().MessageBox(nullptr, "Cap", "Locate it?", PromptButtons::OkCancel, PromptIcon::Question),
                  IDOK);
        EXPECT_EQ(CurrentPrompts().OpenFile(nullptr, "A (*.a);;All Files (*)", "a", "/old/place"),
                  std::optional<std::string>("/tmp/chosen.doc"));
        CurrentPrompts().Status(75, "Saving");
        // A link in a dialog and the host's Help go to the script, never to the desktop.
        Label label;
        label.SetText("https://www.quillmark.example/").SetLink(true, false);
        label.resize(200, 20);
        QTest::mouseClick(&label, Qt::LeftButton);
        shell::OpenUrl("https://www.quillmark.example/help");
        CurrentPrompts().Shell(nullptr, ShellVerb::Explore, "/docs/a/memo.doc");
    }
    EXPECT_EQ(&CurrentPrompts(), pBefore); // the launcher put back what it found
    EXPECT_EQ(hooks.heard, (std::vector<std::string>{
                               "message Cap|Locate it?|okcancel|question",
                               "open-file A (*.a);;All Files (*)|a|/old/place",
                               "status 75 Saving",
                               "open https://www.quillmark.example/",
                               "open https://www.quillmark.example/help",
                               "explore /docs/a", // the folder, as a script expects it
                           }));
    EXPECT_TRUE(desktop.recorder.requests.empty());
}

TEST(QtPrompts, AShellRequestThatCannotBeCarriedOutIsReportedWithItsReason)
{
    EnsureWidgetApp();
    IsolatedFolders folders;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("qm-prompts-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "memo.doc").string();
    std::ofstream(file) << "x";

    Recorder opener;
    QtPrompts prompts(&opener);
    {
        // Handed on: no message.
        MessageWatch watch;
        EXPECT_TRUE(prompts.Shell(nullptr, ShellVerb::Open, file));
        EXPECT_TRUE(prompts.Shell(nullptr, ShellVerb::Explore, file));
        QTest::qWait(30);
        EXPECT_EQ(watch.seen, 0);
    }
    opener.bSucceed = false;
    {
        // No program to open it with: the file and the reason, with the error icon.
        MessageWatch watch;
        EXPECT_FALSE(prompts.Shell(nullptr, ShellVerb::Open, file));
        EXPECT_EQ(watch.seen, 1);
        EXPECT_EQ(watch.icon, QMessageBox::Critical);
        EXPECT_NE(watch.text.find("\"" + file + "\" could not be opened."), std::string::npos) << watch.text;
        EXPECT_NE(watch.text.find(LoadResString(703)), std::string::npos) << watch.text;
    }
    {
        // The folder of a file the file manager cannot show.
        MessageWatch watch;
        EXPECT_FALSE(prompts.Shell(nullptr, ShellVerb::Explore, file));
        EXPECT_EQ(watch.seen, 1);
        EXPECT_NE(watch.text.find(dir.string()), std::string::npos) << watch.text;
    }
    const std::size_t asked = opener.requests.size();
    {
        // A file that is not there is not handed on at all.
        MessageWatch watch;
        EXPECT_FALSE(prompts.Shell(nullptr, ShellVerb::Open, (dir / "gone.doc").string()));
        EXPECT_EQ(watch.seen, 1);
        EXPECT_NE(watch.text.find(LoadResString(702)), std::string::npos) << watch.text;
        EXPECT_EQ(opener.requests.size(), asked);
    }
    {
        // The host's Help through a launcher on the real desktop: the failure is told too.
        ScopedRecorder desktop;
        desktop.recorder.bSucceed = false;
        std::ostringstream err;
        AddinDialogLauncher launcher(err);
        MessageWatch watch;
        EXPECT_FALSE(shell::OpenUrl("https://www.quillmark.example/help"));
        EXPECT_EQ(watch.seen, 1);
        EXPECT_NE(watch.text.find("https://www.quillmark.example/help"), std::string::npos) << watch.text;
        EXPECT_EQ(desktop.recorder.requests, std::vector<std::string>{"open https://www.quillmark.example/help"});
    }
    std::filesystem::remove_all(dir);
}

TEST(Prompts, NearestExistingFolderClimbsToAFolderThatIsThere)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("qm-nearest-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "kept");
    EXPECT_EQ(NearestExistingFolder((dir / "kept" / "a.doc").string()), (dir / "kept").string());
    EXPECT_EQ(NearestExistingFolder((dir / "gone" / "deeper" / "a.doc").string()), dir.string());
    EXPECT_EQ(NearestExistingFolder("a.doc"), "");
    std::filesystem::remove_all(dir);
}
