// The Quillmark tool bar and its commands in a real headless LibreOffice: one
// office for the whole program, with its own profile and pipe, ended at the end.
#include "libreoffice/toolbar/commandreceiver.h"
#include "libreoffice/toolbar/frametoolbar.h"
#include "libreoffice/toolbar/officetoolbars.h"
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/officesession.h"
#include "libreoffice/uno/unotext.h"
#include "tests/libreoffice/framedispatch.h"
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/awt/XTextComponent.hpp>
#include <com/sun/star/frame/XToolbarController.hpp>
#include <com/sun/star/frame/theToolbarControllerFactory.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/util/URLTransformer.hpp>

#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <optional>

extern char** environ;

namespace quillmark::libreoffice {
namespace {

using namespace std::chrono_literals;
namespace uno = css::uno;

OfficeConnection* g_pOffice = nullptr;

class OfficeToolBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The office's start job reads its autostart file from here and starts
        // the helper at once; the helper then logs to a file.
        s_spConfig = std::make_unique<test::TempDir>();
        setenv("XDG_CONFIG_HOME", s_spConfig->Path().c_str(), 1);
        setenv("QUILLMARK_AUTOSTART_DELAY", "0", 1);
        setenv("BRIDGE_HELPER_LOG", (*s_spConfig / "helper.log").c_str(), 1);
        StartOptions options;
        options.bHeadless = true;
        std::string error;
        s_spOffice = OfficeConnection::Start(options, &error);
        ASSERT_TRUE(s_spOffice) << error;
        unsetenv("BRIDGE_HELPER_LOG"); // the office has it; helpers started here print
        g_pOffice = s_spOffice.get();
        OfficeToolBars toolBars(*g_pOffice);
        ASSERT_TRUE(toolBars.AddExtension(ExtensionPath(), &error)) << error;
    }
    static void TearDownTestSuite()
    {
        g_pOffice = nullptr;
        s_spOffice.reset(); // ends the office and removes its profile
        s_spConfig.reset();
    }
    void SetUp() override
    {
        if (!g_pOffice) GTEST_SKIP() << "no office";
    }
    void TearDown() override
    {
        std::string ignored;
        for (DocumentId id : m_vecOpened) g_pOffice->Close(id, &ignored);
    }

    DocumentId New(DocumentKind kind)
    {
        std::string error;
        const DocumentId id = g_pOffice->New(kind, false, &error);
        EXPECT_NE(id, 0u) << error;
        m_vecOpened.push_back(id);
        return id;
    }

    // Runs the main queue until `done` holds or 20 s pass.
    template <class Pred>
    bool RunMainUntil(Pred done)
    {
        BatonHold hold(g_pOffice->GetBaton());
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (!done() && std::chrono::steady_clock::now() < end)
            g_pOffice->GetMainQueue().WaitAndRun(g_pOffice->GetBaton(), 50ms);
        return done();
    }

    static inline std::unique_ptr<test::TempDir> s_spConfig;
    static inline std::unique_ptr<OfficeConnection> s_spOffice;
    std::vector<DocumentId> m_vecOpened;
};

// What a click does: the command URL dispatched through the document's frame.
bool DispatchInFrame(DocumentId id, const std::string& command, const std::string& text, std::string* error)
{
    return g_pOffice->RunOnSession(
        [id, command, text](OfficeSession& session) {
            css::util::URL url;
            auto xDispatch = FrameDispatch(session, id, command, url);
            xDispatch->dispatch(url, text.empty() ? uno::Sequence<css::beans::PropertyValue>()
                                                  : Args({Prop("Text", uno::Any(ToOU(text)))}));
        },
        error);
}

// Whether the office draws `command` enabled in `id`'s frame: the state our extension
// reports when the tool bar's item asks for it. Nullopt when no state came.
std::optional<bool> CommandEnabledInFrame(DocumentId id, const std::string& command, std::string* error)
{
    class StateListener : public cppu::WeakImplHelper1<css::frame::XStatusListener> {
    public:
        std::optional<bool> enabled;
        void SAL_CALL statusChanged(const css::frame::FeatureStateEvent& event) override { enabled = event.IsEnabled; }
        void SAL_CALL disposing(const css::lang::EventObject&) override {}
    };
    auto spEnabled = std::make_shared<std::optional<bool>>();
    g_pOffice->RunOnSession(
        [id, command, spEnabled](OfficeSession& session) {
            css::util::URL url;
            auto xDispatch = FrameDispatch(session, id, command, url);
            rtl::Reference<StateListener> listener(new StateListener);
            const uno::Reference<css::frame::XStatusListener> xListener(listener.get());
            xDispatch->addStatusListener(xListener, url);
            xDispatch->removeStatusListener(xListener, url);
            *spEnabled = listener->enabled;
        },
        error);
    return *spEnabled;
}

// True when the frame's layout manager holds our tool bar as a built element.
bool FrameShowsToolBar(DocumentId id)
{
    auto spShown = std::make_shared<bool>(false);
    std::string error;
    g_pOffice->RunOnSession(
        [id, spShown](OfficeSession& session) {
            auto xFrame = FrameOf(session.ModelOf(id));
            uno::Reference<css::beans::XPropertySet> xProps(xFrame, uno::UNO_QUERY_THROW);
            uno::Reference<css::frame::XLayoutManager> xLayout(xProps->getPropertyValue("LayoutManager"),
                                                               uno::UNO_QUERY_THROW);
            *spShown = xLayout->getElement(ToOU(std::string(kToolBarResource))).is();
        },
        &error);
    return *spShown;
}

// The search field's controller as the office makes it for a tool bar of `id`'s
// frame: registered for our command in every module, and able to make its field.
bool SearchFieldControllerMakesAField(DocumentId id, const char* module, std::string* error)
{
    auto spOk = std::make_shared<bool>(false);
    const bool bRan = g_pOffice->RunOnSession(
        [id, module, spOk](OfficeSession& session) {
            auto xContext = session.Remote();
            auto xFrame = FrameOf(session.ModelOf(id));
            auto xFactory = css::frame::theToolbarControllerFactory::get(xContext);
            const OUString command = ToOU(std::string(kSearchCommand));
            if (!xFactory->hasController(command, OUString::createFromAscii(module)))
                throw UserError(std::string("no controller for the search field in ") + module);
            const uno::Any args[] = {uno::Any(Prop("Frame", uno::Any(xFrame))),
                                     uno::Any(Prop("CommandURL", uno::Any(command))),
                                     uno::Any(Prop("ModuleIdentifier", uno::Any(OUString::createFromAscii(module))))};
            auto xController =
                xFactory->createInstanceWithArgumentsAndContext(command, uno::Sequence<uno::Any>(args, 3), xContext);
            uno::Reference<css::frame::XToolbarController> xToolbar(xController, uno::UNO_QUERY_THROW);
            auto xField = xToolbar->createItemWindow(xFrame->getContainerWindow());
            uno::Reference<css::awt::XTextComponent> xText(xField, uno::UNO_QUERY);
            *spOk = xText.is();
            uno::Reference<css::lang::XComponent> xWindow(xField, uno::UNO_QUERY);
            if (xWindow.is()) xWindow->dispose();
        },
        error);
    return bRan && *spOk;
}

ToolBarItem Item(ToolBarItem::Kind kind, std::string command, std::string label, std::string tooltip)
{
    ToolBarItem item;
    item.kind = kind;
    item.strCommand = std::move(command);
    item.strLabel = std::move(label);
    item.strTooltip = std::move(tooltip);
    return item;
}

ToolBar QuillmarkBar(std::vector<std::string> tags)
{
    ToolBar bar;
    bar.strTitle = "Quillmark 1.0";
    ToolBarItem menu = Item(ToolBarItem::Kind::DropDown, MenuCommand("menu"), MnemonicLabel("&Quillmark"), "Quillmark");
    for (const char* caption : {"&About", "&Options...", "&Help", "&Website"})
        menu.vecEntries.push_back(Item(ToolBarItem::Kind::Button, ClickCommand(caption), MnemonicLabel(caption), caption));
    bar.vecItems.push_back(menu);
    bar.vecItems.push_back(Item(ToolBarItem::Kind::TextField, std::string(kSearchCommand), "Search tags", "Search tags"));
    bar.vecItems.push_back(Item(ToolBarItem::Kind::Button, ClickCommand("browse"), MnemonicLabel("&Browse"), "&Browse"));
    bar.vecItems.push_back(Item(ToolBarItem::Kind::Button, ClickCommand("tag"), MnemonicLabel("&Tag"), "&Tag"));
    bool bFirst = true;
    for (const std::string& tag : tags) {
        ToolBarItem item = Item(ToolBarItem::Kind::Button, ClickCommand("tag:" + tag), MnemonicLabel(tag),
                                "Show all documents with \"" + tag + "\" tag");
        item.bBeginGroup = bFirst;
        bFirst = false;
        bar.vecItems.push_back(item);
    }
    return bar;
}

// Reads the whole file ("" when missing).
std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the extension's start job as the office does when its first window appears.
bool RunStartJob(std::string* error)
{
    return g_pOffice->RunOnSession(
        [](OfficeSession& session) {
            uno::Reference<css::task::XJob> xJob(
                session.Remote()->getServiceManager()->createInstanceWithContext("org.quillmark.office.StartJob",
                                                                                 session.Remote()),
                uno::UNO_QUERY_THROW);
            xJob->execute({});
        },
        error);
}

// Runs first: the office has no Quillmark registered yet, as at its start.
TEST_F(OfficeToolBarTest, StartJobStartsQuillmarkOnlyWhenInstalledToAndNoneIsThere)
{
    const std::string autostart = *s_spConfig / "quillmark/libreoffice-autostart";
    const std::string log = *s_spConfig / "helper.log";
    std::string error;
    // Not installed to start with the office: nothing starts.
    ASSERT_TRUE(RunStartJob(&error)) << error;
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(ReadAll(log), "");

    std::filesystem::create_directories(*s_spConfig / "quillmark");
    std::ofstream(autostart) << BRIDGE_HELPER << "\n";
    ASSERT_TRUE(RunStartJob(&error)) << error;
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (ReadAll(log).find("ready") == std::string::npos && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(100ms);
    const std::string started = ReadAll(log);
    ASSERT_NE(started.find("ready"), std::string::npos) << started;
    const pid_t pid = std::stoi(started.substr(started.find("pid ") + 4));

    // It is connected to this office and receives the frames' commands.
    const DocumentId id = New(DocumentKind::Text);
    ASSERT_TRUE(DispatchInFrame(id, ClickCommand("tag"), "", &error)) << error;
    while (ReadAll(log).find("command") == std::string::npos && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(100ms);
    EXPECT_NE(ReadAll(log).find("command click tag  document"), std::string::npos) << ReadAll(log);

    // A second run finds it there and starts nothing.
    ASSERT_TRUE(RunStartJob(&error)) << error;
    std::this_thread::sleep_for(1s);
    const std::string after = ReadAll(log);
    EXPECT_EQ(after.find("pid ", after.find("pid ") + 1), std::string::npos) << after;
    kill(pid, SIGKILL);
}

TEST_F(OfficeToolBarTest, ToolBarIsBuiltInEveryKindOfFrameAndRelabelledInPlace)
{
    OfficeToolBars toolBars(*g_pOffice);
    std::string error;
    for (DocumentKind kind : {DocumentKind::Text, DocumentKind::Presentation}) {
        const DocumentId id = New(kind);
        auto none = toolBars.Read(id, &error);
        EXPECT_FALSE(none);
        EXPECT_EQ(error, "");

        const ToolBar first = QuillmarkBar({"R&&D", "alpha", "beta"});
        ASSERT_TRUE(toolBars.Show(id, first, &error)) << error;
        auto read = toolBars.Read(id, &error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(*read, first);
        EXPECT_EQ(read->vecItems[4].strLabel, "R&D");
        EXPECT_EQ(read->vecItems[0].vecEntries.size(), 4u);
        EXPECT_TRUE(FrameShowsToolBar(id));

        // Fewer tags: the same tool bar, new items.
        const ToolBar second = QuillmarkBar({"gamma"});
        ASSERT_TRUE(toolBars.Show(id, second, &error)) << error;
        read = toolBars.Read(id, &error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(*read, second);
        EXPECT_TRUE(FrameShowsToolBar(id));

        EXPECT_TRUE(SearchFieldControllerMakesAField(
            id, kind == DocumentKind::Text ? kWriterModule : kImpressModule, &error))
            << error;

        ASSERT_TRUE(toolBars.Remove(id, &error)) << error;
        EXPECT_FALSE(toolBars.Read(id, &error));
        EXPECT_FALSE(FrameShowsToolBar(id));
    }
    // A document that is not open is an error, not a crash.
    EXPECT_FALSE(toolBars.Show(987654, QuillmarkBar({}), &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(OfficeToolBarTest, AControlTheAddinDisabledIsDisabledInTheOffice)
{
    OfficeToolBars toolBars(*g_pOffice);
    std::string error;
    const DocumentId id = New(DocumentKind::Text);
    ToolBar bar = QuillmarkBar({"alpha"});
    bar.vecItems[3].strCommand = ClickCommand("tag", false);
    ASSERT_TRUE(toolBars.Show(id, bar, &error)) << error;
    auto read = toolBars.Read(id, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, bar);
    EXPECT_EQ(CommandEnabledInFrame(id, ClickCommand("tag", false), &error), false) << error;
    EXPECT_EQ(CommandEnabledInFrame(id, ClickCommand("tag"), &error), true) << error;
    EXPECT_EQ(CommandEnabledInFrame(id, ClickCommand("tag:alpha"), &error), true) << error;
    EXPECT_EQ(CommandEnabledInFrame(id, std::string(kSearchCommand), &error), true) << error;
}

TEST_F(OfficeToolBarTest, DispatchedCommandsReachTheMainThreadWithTheirDocument)
{
    OfficeToolBars toolBars(*g_pOffice);
    struct Got {
        DocumentId id;
        ForwardedCommand command;
        bool bMain;
    };
    auto spGot = std::make_shared<std::vector<Got>>();
    const auto mainThread = std::this_thread::get_id();
    std::string error;
    ASSERT_TRUE(toolBars.ReceiveCommands(
        {DocumentKind::Text},
        [spGot, mainThread](DocumentId id, const ForwardedCommand& command) {
            spGot->push_back({id, command, std::this_thread::get_id() == mainThread});
        },
        &error))
        << error;

    const DocumentId text = New(DocumentKind::Text);
    const DocumentId slides = New(DocumentKind::Presentation);
    ASSERT_TRUE(toolBars.Show(text, QuillmarkBar({"alpha"}), &error)) << error;
    ASSERT_TRUE(DispatchInFrame(text, ClickCommand("tag:alpha"), "", &error)) << error;
    ASSERT_TRUE(DispatchInFrame(text, std::string(kSearchCommand), "two words", &error)) << error;
    // Impress frames are nobody's here: their commands go nowhere.
    ASSERT_TRUE(DispatchInFrame(slides, ClickCommand("tag"), "", &error)) << error;
    ASSERT_TRUE(RunMainUntil([&] { return spGot->size() >= 2; }));
    ASSERT_EQ(spGot->size(), 2u);
    EXPECT_EQ((*spGot)[0].id, text);
    EXPECT_EQ((*spGot)[0].command, (ForwardedCommand{"click", "tag:alpha", ""}));
    EXPECT_TRUE((*spGot)[0].bMain);
    EXPECT_EQ((*spGot)[1].command, (ForwardedCommand{"search", "", "two words"}));
    EXPECT_EQ((*spGot)[1].id, text);
}

TEST_F(OfficeToolBarTest, SavedOpenDocumentFileDoesNotCarryTheToolBar)
{
    OfficeToolBars toolBars(*g_pOffice);
    test::TempDir dir;
    std::string error;
    const DocumentId id = New(DocumentKind::Text);
    ASSERT_TRUE(toolBars.Show(id, QuillmarkBar({"alpha"}), &error)) << error;
    ASSERT_TRUE(g_pOffice->Store(id, dir / "kept.odt", &error)) << error;
    auto expectClean = [&] {
        auto listing = test::RunProcess({"/usr/bin/unzip", "-l", dir / "kept.odt"});
        ASSERT_EQ(listing.exitCode, 0) << listing.err;
        EXPECT_NE(listing.out.find("content.xml"), std::string::npos);
        EXPECT_EQ(listing.out.find("custom_quillmark"), std::string::npos) << listing.out;
    };
    expectClean();
    // Loaded from the file and saved over it, with the tool bar relabelled between.
    ASSERT_TRUE(g_pOffice->Close(id, &error)) << error;
    const DocumentId loaded = g_pOffice->Load(dir / "kept.odt", false, &error);
    ASSERT_NE(loaded, 0u) << error;
    m_vecOpened.push_back(loaded);
    ASSERT_TRUE(toolBars.Show(loaded, QuillmarkBar({"alpha"}), &error)) << error;
    ASSERT_TRUE(toolBars.Show(loaded, QuillmarkBar({"alpha", "gamma"}), &error)) << error;
    ASSERT_TRUE(g_pOffice->SetProperty(loaded, "Keywords", "alpha, gamma", &error)) << error;
    ASSERT_TRUE(g_pOffice->Store(loaded, "", &error)) << error;
    auto meta = test::RunProcess({"/usr/bin/unzip", "-p", dir / "kept.odt", "meta.xml"});
    EXPECT_NE(meta.out.find("gamma"), std::string::npos) << "the save did not reach the file: " << meta.out;
    expectClean();
    // The tool bar is still there after the save, and rebuilds still work.
    EXPECT_TRUE(FrameShowsToolBar(loaded));
    ASSERT_TRUE(toolBars.Show(loaded, QuillmarkBar({"beta"}), &error)) << error;
    auto read = toolBars.Read(loaded, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, QuillmarkBar({"beta"}));
}

// A second process with a pipe to its standard output.
class Helper {
public:
    explicit Helper(const std::string& connect)
    {
        int fds[2];
        EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::string program = BRIDGE_HELPER;
        char* argv[] = {program.data(), const_cast<char*>(connect.c_str()), nullptr};
        EXPECT_EQ(posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_fd = fds[0];
    }
    ~Helper()
    {
        Kill();
        close(m_fd);
    }
    // The next line it prints, or nullopt after `timeout` or at its end.
    std::optional<std::string> Line(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto nl = m_strBuffer.find('\n'); nl != std::string::npos) {
                std::string line = m_strBuffer.substr(0, nl);
                m_strBuffer.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            fd_set set;
            FD_ZERO(&set);
            FD_SET(m_fd, &set);
            timeval tv{static_cast<time_t>(left.count() / 1000), static_cast<suseconds_t>(left.count() % 1000 * 1000)};
            if (select(m_fd + 1, &set, nullptr, nullptr, &tv) <= 0) continue;
            char buffer[512];
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0) return std::nullopt;
            m_strBuffer.append(buffer, static_cast<std::size_t>(n));
        }
    }
    void Kill()
    {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }

private:
    pid_t m_pid = 0;
    int m_fd = -1;
    std::string m_strBuffer;
};

TEST_F(OfficeToolBarTest, OfficeOutlivesAKilledBridgeAndANewOneTakesOver)
{
    OfficeToolBars toolBars(*g_pOffice);
    test::TempDir dir;
    std::string error;
    const DocumentId id = New(DocumentKind::Text);
    ASSERT_TRUE(toolBars.Show(id, QuillmarkBar({"alpha"}), &error)) << error;
    {
        Helper helper(g_pOffice->ConnectString());
        ASSERT_EQ(helper.Line(30s).value_or("(nothing)"), "ready");
        ASSERT_TRUE(DispatchInFrame(id, ClickCommand("tag:alpha"), "", &error)) << error;
        EXPECT_EQ(helper.Line(20s).value_or("(nothing)"), "command click tag:alpha  document");
        helper.Kill();
    }
    // Clicks while nobody listens do nothing, and harm nothing.
    ASSERT_TRUE(DispatchInFrame(id, ClickCommand("tag"), "", &error)) << error;
    ASSERT_TRUE(DispatchInFrame(id, ClickCommand("browse"), "", &error)) << error;

    // The office still opens, saves and closes documents, with the tool bar.
    const DocumentId other = New(DocumentKind::Text);
    ASSERT_TRUE(toolBars.Show(other, QuillmarkBar({"beta"}), &error)) << error;
    ASSERT_TRUE(g_pOffice->SetProperty(other, "Keywords", "after, death", &error)) << error;
    ASSERT_TRUE(g_pOffice->Store(other, dir / "after.docx", &error)) << error;
    ASSERT_TRUE(g_pOffice->Close(other, &error)) << error;
    const DocumentId again = g_pOffice->Load(dir / "after.docx", false, &error);
    ASSERT_NE(again, 0u) << error;
    m_vecOpened.push_back(again);
    std::string keywords;
    ASSERT_TRUE(g_pOffice->GetProperty(again, "Keywords", &keywords, &error)) << error;
    EXPECT_EQ(keywords, "after, death");
    EXPECT_TRUE(FrameShowsToolBar(id));

    // A new bridge registers and gets the clicks of the frames that were there.
    Helper second(g_pOffice->ConnectString());
    ASSERT_EQ(second.Line(30s).value_or("(nothing)"), "ready");
    ASSERT_TRUE(DispatchInFrame(id, std::string(kSearchCommand), "gamma", &error)) << error;
    EXPECT_EQ(second.Line(20s).value_or("(nothing)"), "command search  gamma document");
}

} // namespace
} // namespace quillmark::libreoffice
