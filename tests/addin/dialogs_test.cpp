// The Options and About dialogs with real widgets: what they load, what OK and
// Cancel keep, the logo and name of each product, and the web-site link.
#include "addin/aboutdialog.h"
#include "addin/optionsdialog.h"

#include "officeapi/scripthooks.h"
#include "platform/shell/opener.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "tests/support/isolatedfolders.h"
#include "tests/ui/widgetapp.h"
#include "ui/controls/label.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

struct Shown {
    template <class Dialog>
    static void Show(Dialog& dialog)
    {
        dialog.Initialise();
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
};

AppSettings Saved()
{
    AppSettings settings;
    settings.Load();
    return settings;
}

} // namespace

TEST(OptionsDialog, TheBoxIsCheckedExactlyWhenTheFileNameIsAddedAndOkStoresZeroOrOne)
{
    EnsureWidgetApp();
    IsolatedFolders folders;
    AppSettings settings = Saved();
    // Values other than 0 and 1: the first radio button, the file name added (checked).
    settings.PPTCreatePreviewAtInsert = 5;
    settings.GlobalDefaultFileNameTag = 5;
    {
        OptionsDialog dialog(&settings);
        Shown::Show(dialog);
        EXPECT_EQ(dialog.windowTitle(), "Preferences");
        EXPECT_TRUE(dialog.Control<QRadioButton>(225)->isChecked());
        EXPECT_FALSE(dialog.Control<QRadioButton>(226)->isChecked());
        EXPECT_TRUE(dialog.Control<QCheckBox>(219)->isChecked());
        EXPECT_EQ(dialog.Control<QCheckBox>(219)->text(), "Automatically add the document filename as tag");
        QTest::keyClick(&dialog, Qt::Key_Return); // OK is the default button
        EXPECT_EQ(dialog.result(), IDOK);
    }
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 0u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 0u);
    EXPECT_EQ(Saved().PPTCreatePreviewAtInsert, 0u);
    EXPECT_EQ(Saved().GlobalDefaultFileNameTag, 0u);

    // 1 (neither add nor hide the file name) loads as a cleared box; checking it stores 0.
    settings.PPTCreatePreviewAtInsert = 1;
    settings.GlobalDefaultFileNameTag = 1;
    {
        OptionsDialog dialog(&settings);
        Shown::Show(dialog);
        EXPECT_TRUE(dialog.Control<QRadioButton>(226)->isChecked());
        EXPECT_FALSE(dialog.Control<QCheckBox>(219)->isChecked());
        QTest::mouseClick(dialog.Control<QCheckBox>(219), Qt::LeftButton);
        QTest::mouseClick(dialog.Control<QRadioButton>(225), Qt::LeftButton);
        QTest::mouseClick(dialog.Control<QPushButton>(IDOK), Qt::LeftButton);
    }
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 0u);
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 0u);
    // Clearing the box stores 1.
    {
        OptionsDialog dialog(&settings);
        Shown::Show(dialog);
        QTest::mouseClick(dialog.Control<QCheckBox>(219), Qt::LeftButton);
        QTest::mouseClick(dialog.Control<QRadioButton>(226), Qt::LeftButton);
        QTest::mouseClick(dialog.Control<QPushButton>(IDOK), Qt::LeftButton);
    }
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 1u);
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 1u);
    EXPECT_EQ(Saved().GlobalDefaultFileNameTag, 1u);
}

TEST(OptionsDialog, CancelTouchesNeitherTheSettingsNorTheRegistry)
{
    EnsureWidgetApp();
    IsolatedFolders folders;
    AppSettings settings = Saved();
    settings.PPTCreatePreviewAtInsert = 5;
    settings.GlobalDefaultFileNameTag = 5;
    for (bool bEscape : {false, true}) {
        OptionsDialog dialog(&settings);
        Shown::Show(dialog);
        QTest::mouseClick(dialog.Control<QCheckBox>(219), Qt::LeftButton);
        QTest::mouseClick(dialog.Control<QRadioButton>(226), Qt::LeftButton);
        if (bEscape) QTest::keyClick(&dialog, Qt::Key_Escape);
        else QTest::mouseClick(dialog.Control<QPushButton>(IDCANCEL), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), IDCANCEL);
    }
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 5u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 5u);
    EXPECT_EQ(Saved().PPTCreatePreviewAtInsert, 0u); // the defaults, never rewritten
}

TEST(AboutDialog, EachProductShowsItsLogoNameAndSiteAsALink)
{
    EnsureWidgetApp();
    IsolatedFolders folders;
    struct Recorder : shell::UrlOpener {
        std::vector<std::string> urls;
        bool Open(const std::string& url) override
        {
            urls.push_back(url);
            return true;
        }
    } recorder;
    shell::UrlOpener* pPrevious = shell::SetUrlOpener(&recorder);
    QImage logos[2];
    for (std::uint32_t productType : {0u, 2u}) {
        SCOPED_TRACE(productType);
        AppSettings settings = Saved();
        settings.ProductType = productType;
        settings.ProductName = LoadResString(productType == 2 ? 133 : 132);
        AboutDialog dialog(&settings);
        Shown::Show(dialog);
        const QPixmap logo = dialog.Control<QLabel>(236)->pixmap();
        EXPECT_EQ(logo.size(), QSize(118, 63));
        logos[productType == 2] = logo.toImage();
        EXPECT_EQ(dialog.ProductLine()->Text(), settings.ProductName + " 1.0");
        EXPECT_EQ(dialog.ProductLine()->font().pixelSize(), 16);
        EXPECT_EQ(dialog.Control<QLabel>(221)->text().toStdString(), LoadResString(122) + "2005100925");
        Label* pLink = dialog.WebsiteLink();
        EXPECT_EQ(pLink->Text(), settings.GetWebsiteURL());
        EXPECT_EQ(pLink->property(automation::kControlKindProperty).toString(), "link");
        EXPECT_TRUE(pLink->font().underline());
        EXPECT_EQ(pLink->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(pLink->cursor().shape(), Qt::PointingHandCursor);
        // Its text fits: an address cannot wrap.
        EXPECT_LE(pLink->fontMetrics().horizontalAdvance(pLink->text()), pLink->width());
        QTest::mouseClick(pLink, Qt::LeftButton);
        // The product line is a label, not a link.
        QTest::mouseClick(dialog.ProductLine(), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    }
    shell::SetUrlOpener(pPrevious);
    EXPECT_NE(logos[0], logos[1]);
    EXPECT_EQ(recorder.urls, (std::vector<std::string>{LoadResString(135), LoadResString(114)}));
}
