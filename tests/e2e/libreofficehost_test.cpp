// Quillmark in a real (headless) LibreOffice: quillmark-office drives Writer and
// Impress through the bridge while this test acts on the same office as a second
// client (documents made by the office, commands dispatched through the frames as a
// click does, the tool bar read back from the office, the bridge killed).
#include "libreoffice/toolbar/frametoolbar.h"
#include "libreoffice/toolbar/officetoolbars.h"
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/officesession.h"
#include "libreoffice/uno/unotext.h"
#include "tests/libreoffice/framedispatch.h"
#include "tests/e2e/hostsession.h"

#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleComponent.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/ui/XUIElement.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/util/URLTransformer.hpp>

#include <QImage>
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace quillmark::libreoffice {
namespace {

using namespace std::chrono_literals;
using test::AddinHosts;
using test::HostSession;
namespace uno = css::uno;

class LibreOfficeHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        StartOptions options;
        options.bHeadless = true;
        s_spOffice = OfficeConnection::Start(options, &error); // own profile and pipe
        ASSERT_TRUE(s_spOffice) << error;
        OfficeToolBars toolBars(*s_spOffice);
        ASSERT_TRUE(toolBars.AddExtension(ExtensionPath(), &error)) << error;
    }
    static void TearDownTestSuite() { s_spOffice.reset(); } // ends the office

    void SetUp() override
    {
        if (!s_spOffice) GTEST_SKIP() << "no office";
    }
    void TearDown() override
    {
        std::string ignored;
        for (DocumentId id : m_vecOpened) Office().Close(id, &ignored);
    }

    static OfficeConnection& Office() { return *s_spOffice; }

    std::vector<std::string> Bridge(const std::string& host) const
    {
        return {QUILLMARK_OFFICE_BIN, "--host", host, "--connect", Office().ConnectString(), "--script", "-"};
    }

    // A document made and saved by the office itself, with `keywords`.
    std::string MadeByOffice(DocumentKind kind, const std::string& path, const std::string& keywords)
    {
        std::string error;
        const DocumentId id = Office().New(kind, true, &error);
        EXPECT_NE(id, 0u) << error;
        EXPECT_TRUE(Office().SetProperty(id, "Keywords", keywords, &error)) << error;
        EXPECT_TRUE(Office().Store(id, path, &error)) << error;
        EXPECT_TRUE(Office().Close(id, &error)) << error;
        return path;
    }

    DocumentId IdOf(DocumentKind kind, const std::string& path)
    {
        std::string error;
        for (const DocumentInfo& info : Office().Documents(kind, &error))
            if (info.strPath == path) return info.id;
        return 0;
    }

    // What a click does: the item's command URL dispatched through the document's frame.
    bool Dispatch(DocumentId id, const std::string& command, std::string* error)
    {
        return Office().RunOnSession(
            [id, command](OfficeSession& session) {
                css::util::URL url;
                auto xDispatch = FrameDispatch(session, id, command, url);
                xDispatch->dispatch(url, {});
            },
            error);
    }

    // The tool bar of the document's frame as the office holds it; waits for an item
    // labelled `label` (the bridge shows it from its event loop).
    ToolBar ReadToolBar(DocumentId id, const std::string& label)
    {
        OfficeToolBars toolBars(Office());
        std::optional<ToolBar> shown;
        std::string error;
        for (int i = 0; i < 100; ++i) {
            shown = toolBars.Read(id, &error);
            if (shown && !CommandOf(*shown, label).empty()) return *shown;
            std::this_thread::sleep_for(100ms);
        }
        ADD_FAILURE() << "no item " << label << " in the frame's tool bar (" << (shown ? shown->vecItems.size() : 0)
                      << " items) " << error;
        return shown.value_or(ToolBar{});
    }

    // The on-screen width of the tool bar's control named `name`, as the office lays
    // out the frame's tool bar window (its accessible children); -1 when it is missing.
    int ControlWidth(DocumentId id, const std::string& name)
    {
        int width = -1;
        std::string error;
        const bool bRead = Office().RunOnSession(
            [&](OfficeSession& session) {
                auto xFrame = FrameOf(session.ModelOf(id));
                uno::Reference<css::beans::XPropertySet> xFrameProps(xFrame, uno::UNO_QUERY_THROW);
                uno::Reference<css::frame::XLayoutManager> xLayout(xFrameProps->getPropertyValue("LayoutManager"),
                                                                   uno::UNO_QUERY_THROW);
                auto xElement = xLayout->getElement(ToOU(std::string(kToolBarResource)));
                if (!xElement.is()) return;
                uno::Reference<css::accessibility::XAccessible> xWindow(xElement->getRealInterface(),
                                                                        uno::UNO_QUERY_THROW);
                auto xContext = xWindow->getAccessibleContext();
                for (sal_Int32 i = 0; i < xContext->getAccessibleChildCount(); ++i) {
                    auto xChild = xContext->getAccessibleChild(i)->getAccessibleContext();
                    if (ToStd(xChild->getAccessibleName()) != name) continue;
                    uno::Reference<css::accessibility::XAccessibleComponent> xComponent(xChild, uno::UNO_QUERY_THROW);
                    width = xComponent->getSize().Width;
                }
            },
            &error);
        EXPECT_TRUE(bRead) << error;
        return width;
    }

    static std::string CommandOf(const ToolBar& toolBar, const std::string& label)
    {
        for (const ToolBarItem& item : toolBar.vecItems)
            if (item.strLabel == label) return item.strCommand;
        return {};
    }

    // The open dialog's description once the bridge shows one titled `title`.
    static std::string WaitForDialog(HostSession& session, const std::string& title)
    {
        std::string shown;
        for (int i = 0; i < 60 && shown.find("[" + title + "]") == std::string::npos; ++i) {
            shown = session.Run("dialog\n");
            if (shown.find("[" + title + "]") == std::string::npos) std::this_thread::sleep_for(200ms);
        }
        return shown;
    }

    // The id of the dialog's button `caption`, from its description.
    static std::string ButtonId(const std::string& dialog, const std::string& caption)
    {
        const std::size_t at = dialog.find("|button|" + caption + "|");
        if (at == std::string::npos) return "0";
        const std::size_t start = dialog.rfind('\n', at) + 1;
        return dialog.substr(start, at - start);
    }

    AddinHosts m_hosts;
    std::vector<DocumentId> m_vecOpened;
    static inline std::unique_ptr<OfficeConnection> s_spOffice;
};

TEST_F(LibreOfficeHostTest, WriterDocumentIsTaggedThroughTheToolBarAndSavedByTheOffice)
{
    const std::string path = MadeByOffice(DocumentKind::Text, m_hosts.Doc("report.docx"), "alpha, beta");
    HostSession session(Bridge("word"), m_hosts.Options());

    // Its Keywords are merged into the database on open, and become tag buttons.
    EXPECT_EQ(session.Run("open report.docx\nkeywords\ntoolbar\n"),
              "> open report.docx\n> keywords\nalpha, beta\n> toolbar\n" +
                  test::ToolbarWith({"alpha 1546", "beta 1546"}));
    EXPECT_EQ(m_hosts.Show(path), (std::vector<std::string>{"alpha", "beta", "report"}));
    const DocumentId id = IdOf(DocumentKind::Text, path);
    ASSERT_NE(id, 0u);

    // The frame's tool bar, read back from the office: the menu, search, Browse, Tag
    // and one item per tag, labels with the office's mnemonic.
    const ToolBar shown = ReadToolBar(id, "beta");
    ASSERT_EQ(shown.vecItems.size(), 6u);
    EXPECT_EQ(shown.vecItems[0].kind, ToolBarItem::Kind::DropDown);
    EXPECT_EQ(shown.vecItems[0].vecEntries.size(), 4u);
    EXPECT_EQ(shown.vecItems[1].kind, ToolBarItem::Kind::TextField);
    EXPECT_EQ(shown.vecItems[2].strLabel, "~Browse");
    EXPECT_EQ(shown.vecItems[3].strLabel, "~Tag");
    EXPECT_EQ(shown.vecItems[4].strLabel, "alpha");
    EXPECT_EQ(shown.vecItems[5].strLabel, "beta");
    // The search field is laid out wide enough to type in, not squeezed to nothing.
    EXPECT_GE(ControlWidth(id, shown.vecItems[1].strLabel), 100);

    // A click on Tag (its URL dispatched through the frame) opens the Tag dialog;
    // the tags stored there reach the file when the office saves it.
    std::string error;
    ASSERT_TRUE(Dispatch(id, CommandOf(shown, "~Tag"), &error)) << error;
    std::string dialog = WaitForDialog(session, "Tag");
    ASSERT_NE(dialog.find("[Tag]"), std::string::npos) << dialog;
    session.Run("dialog-set 203 \"alpha, beta, gamma\"\ndialog-click " + ButtonId(dialog, "Tag") + "\n");
    EXPECT_EQ(m_hosts.Show(path), (std::vector<std::string>{"alpha", "beta", "gamma", "report"}));
    EXPECT_EQ(session.Run("save\n"), "> save\n");
    EXPECT_EQ(test::RunProcess({"/usr/bin/exiftool", "-s3", "-Keywords", path}).out, "alpha, beta, gamma, report\n");

    // A tag's item opens Browse.
    const ToolBar retagged = ReadToolBar(id, "gamma");
    ASSERT_TRUE(Dispatch(id, CommandOf(retagged, "gamma"), &error)) << error;
    dialog = WaitForDialog(session, "Browse Tags");
    EXPECT_NE(dialog.find("[Browse Tags]"), std::string::npos) << dialog;
    // Cancel closes it (its Open button, disabled with nothing selected, takes no keys).
    const std::string cancel = ButtonId(dialog, "Cancel");
    EXPECT_EQ(session.Run("dialog-click " + cancel + "\n"), "> dialog-click " + cancel + "\ndialog closed: " + cancel + "\n");

    // Leaving the script closes what it opened and nothing else.
    test::ProcessResult end = session.Finish();
    EXPECT_EQ(IdOf(DocumentKind::Text, path), 0u) << end.err;
}

TEST_F(LibreOfficeHostTest, KeywordsBeyondTheLimitsGiveABoundedRecordAndAToolBarOfTheFirstTags)
{
    std::string keywords = std::string(20000, 'w');
    for (int i = 0; i < 2000; ++i) keywords += ", s" + std::to_string(i);
    const std::string path = MadeByOffice(DocumentKind::Text, m_hosts.Doc("big.docx"), keywords);
    HostSession session(Bridge("word"), m_hosts.Options());
    session.Run("open big.docx\n");

    std::vector<std::string> expected = {std::string(256, 'w')};
    for (int i = 0; i < 999; ++i) expected.push_back("s" + std::to_string(i));
    expected.push_back("big");
    EXPECT_TRUE(m_hosts.Show(path) == expected) << m_hosts.Show(path).size();
    const DocumentId id = IdOf(DocumentKind::Text, path);
    ASSERT_NE(id, 0u);
    // Menu, search, Browse, Tag, then the first 200 tags: the cut one and s0 to s198.
    const ToolBar shown = ReadToolBar(id, "s198");
    EXPECT_EQ(shown.vecItems.size(), 4u + 200u);
    EXPECT_TRUE(CommandOf(shown, "s199").empty());

    const test::ProcessResult end = session.Finish();
    std::size_t told = 0;
    for (auto at = end.err.find("Only part of the Keywords of"); at != std::string::npos;
         at = end.err.find("Only part of the Keywords of", at + 1))
        ++told;
    EXPECT_EQ(told, 1u) << end.err.substr(0, 2000);
}

TEST_F(LibreOfficeHostTest, ImpressPreviewsComeFromTheOfficeAndInsertedSlidesAreSaved)
{
    const std::string deck = MadeByOffice(DocumentKind::Presentation, m_hosts.Doc("deck.odp"), "");
    const std::string other = MadeByOffice(DocumentKind::Presentation, m_hosts.Doc("other.pptx"), "");
    const std::string previews = m_hosts.Doc("previews");
    test::ProcessResult run = test::RunProcess(
        Bridge("powerpoint"),
        [&] {
            test::ProcessOptions options = m_hosts.Options();
            options.input = "open deck.odp\nslides\nexport " + previews + " bmp\ninsert-slides " + other +
                            " 1 1 1\nslides\nsave\n";
            return options;
        }());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("> slides\n1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("> slides\n2\n"), std::string::npos) << run.out;
    const QImage picture(QString::fromStdString(previews + "/Slide1.BMP"));
    EXPECT_EQ(picture.width(), 320);
    EXPECT_EQ(picture.height(), 240);

    // The saved file has the inserted slide.
    std::string error;
    const DocumentId id = Office().Load(deck, true, &error);
    ASSERT_NE(id, 0u) << error;
    m_vecOpened.push_back(id);
    EXPECT_EQ(Office().SlideCount(id, &error), 2) << error;
}

TEST_F(LibreOfficeHostTest, TheOfficeOutlivesAKilledBridgeAndANewOneTakesOver)
{
    const std::string path = MadeByOffice(DocumentKind::Text, m_hosts.Doc("kept.odt"), "kept");
    {
        HostSession doomed(Bridge("word"), m_hosts.Options());
        ASSERT_EQ(doomed.Run("open kept.odt\n"), "> open kept.odt\n");
    } // SIGKILL while the document is open

    // The office still opens, saves and closes documents.
    std::string error;
    const DocumentId id = IdOf(DocumentKind::Text, path);
    ASSERT_NE(id, 0u);
    m_vecOpened.push_back(id);
    EXPECT_TRUE(Office().SetProperty(id, "Comments", "after the crash", &error)) << error;
    EXPECT_TRUE(Office().Store(id, "", &error)) << error;
    const DocumentId other = Office().New(DocumentKind::Text, true, &error);
    ASSERT_NE(other, 0u) << error;
    EXPECT_TRUE(Office().Close(other, &error)) << error;

    // A new bridge finds the document and takes over its frame's commands.
    HostSession successor(Bridge("word"), m_hosts.Options());
    EXPECT_EQ(successor.Run("documents\n"), "> documents\n* 1 " + path + "\n");
    const ToolBar shown = ReadToolBar(id, "~Tag");
    ASSERT_TRUE(Dispatch(id, CommandOf(shown, "~Tag"), &error)) << error << successor.Finish().err;
    const std::string dialog = WaitForDialog(successor, "Tag");
    EXPECT_NE(dialog.find("[Tag]"), std::string::npos) << dialog;
    successor.Run("dialog-click " + ButtonId(dialog, "Cancel") + "\n");
    successor.Finish();
    EXPECT_NE(IdOf(DocumentKind::Text, path), 0u); // not opened by the script: left open
}

} // namespace
} // namespace quillmark::libreoffice
