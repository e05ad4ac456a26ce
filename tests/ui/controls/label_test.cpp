// The label control with real widgets: its text on screen before SetText returns,
// its font and colour, and which clicks open anything.
#include "ui/controls/label.h"

#include "officeapi/scripthooks.h"
#include "platform/shell/opener.h"
#include "tests/ui/widgetapp.h"

#include <QEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillmark;

namespace {

struct RecordingOpener : shell::UrlOpener {
    std::vector<std::string> urls;
    bool bAnswer = true;
    bool Open(const std::string& url) override
    {
        urls.push_back(url);
        return bAnswer;
    }
};

struct ScopedOpener {
    RecordingOpener opener;
    shell::UrlOpener* pPrevious = shell::SetUrlOpener(&opener);
    ~ScopedOpener() { shell::SetUrlOpener(pPrevious); }
};

// Counts the paint events a widget gets.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class LabelTest : public test::WithWidgetApp, public ::testing::Test {
protected:
    void SetUp() override
    {
        test::EnsureWidgetApp();
        m_parent.resize(300, 100);
        m_pLabel = new Label(&m_parent);
        m_pLabel->setGeometry(10, 10, 280, 20);
        m_parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_parent));
    }

    QWidget m_parent;
    Label* m_pLabel = nullptr;
};

} // namespace

TEST_F(LabelTest, SetTextPaintsBeforeItReturnsWhileTheCallerKeepsTheThread)
{
    PaintCounter counter;
    m_pLabel->installEventFilter(&counter);
    QCoreApplication::processEvents();
    for (const char* status : {"Saving Tags to database...", "Refreshing Tag toolbar...", "Finished..."}) {
        const int before = counter.paints;
        m_pLabel->SetText(status); // no event loop runs between the calls
        EXPECT_GT(counter.paints, before) << status;
        EXPECT_EQ(m_pLabel->Text(), status);
    }
    // Plain window text waits for the event loop, as on the platform.
    const int before = counter.paints;
    m_pLabel->setText("plain");
    EXPECT_EQ(counter.paints, before);
}

TEST_F(LabelTest, FontFaceSizeUnderlineAndColourChain)
{
    m_pLabel->SetFontName("Arial", 0).SetFontSize(12).SetFontUnderline(true).SetTextColor(0x00FF0000);
    EXPECT_EQ(m_pLabel->font().pixelSize(), 16); // 12 points at 96 dots per inch
    EXPECT_TRUE(m_pLabel->font().underline());
    EXPECT_EQ(m_pLabel->font().families().front(), "Arial");
    EXPECT_EQ(m_pLabel->palette().color(QPalette::WindowText), QColor(0, 0, 255)); // 0x00BBGGRR: blue
    EXPECT_FALSE(m_pLabel->HasLinkCursor());
    m_pLabel->SetLinkCursor();
    EXPECT_EQ(m_pLabel->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(LabelTest, OnlyALabelMadeALinkOpensItsTextAndOnlyAWebAddress)
{
    ScopedOpener recorder;
    // A status or instruction line ignores clicks, whatever it says.
    m_pLabel->SetText("https://www.quillmark.example/");
    QTest::mouseClick(m_pLabel, Qt::LeftButton);
    EXPECT_TRUE(recorder.opener.urls.empty());
    EXPECT_EQ(m_pLabel->property(automation::kControlKindProperty).toString(), "label");

    m_pLabel->SetLink(true, false);
    EXPECT_EQ(m_pLabel->property(automation::kControlKindProperty).toString(), "link");
    QTest::mouseClick(m_pLabel, Qt::LeftButton);
    QTest::mouseClick(m_pLabel, Qt::RightButton);
    EXPECT_EQ(recorder.opener.urls, std::vector<std::string>{"https://www.quillmark.example/"});

    // A link whose text is no web address opens nothing; a failed request shows nothing.
    for (const char* text : {"Saving Tags to database...", "/etc/passwd", "file:///etc/passwd", "http:", "C:\\x.exe"}) {
        m_pLabel->SetText(text);
        QTest::mouseClick(m_pLabel, Qt::LeftButton);
    }
    recorder.opener.bAnswer = false;
    m_pLabel->SetText("HTTP://Example.org/a b");
    QTest::mouseClick(m_pLabel, Qt::LeftButton);
    EXPECT_EQ(recorder.opener.urls,
              (std::vector<std::string>{"https://www.quillmark.example/", "HTTP://Example.org/a b"}));

    // Turned off again, it ignores clicks.
    m_pLabel->SetLink(false, false);
    QTest::mouseClick(m_pLabel, Qt::LeftButton);
    EXPECT_EQ(recorder.opener.urls.size(), 2u);
}

TEST_F(LabelTest, NotifyParentModeTellsTheHandlerInsteadOfOpening)
{
    ScopedOpener recorder;
    int notified = 0;
    m_pLabel->SetNotifyHandler([&](Label& label) {
        EXPECT_EQ(&label, m_pLabel);
        ++notified;
    });
    m_pLabel->SetText("https://www.quillmark.example/");
    QTest::mouseClick(m_pLabel, Qt::LeftButton); // not a link: nothing at all
    m_pLabel->SetLink(true, true);
    QTest::mouseClick(m_pLabel, Qt::LeftButton);
    EXPECT_EQ(notified, 1);
    EXPECT_TRUE(recorder.opener.urls.empty());
}
