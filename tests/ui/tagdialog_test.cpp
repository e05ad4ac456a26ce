// The Tag dialog with real widgets over an in-process simulated Word or PowerPoint:
// what it opens with, what it stores where, the statuses shown while it stores,
// the temporary-folder and never-saved cases, Cancel, and a database that cannot
// be written.
#include "ui/tagdialog.h"

#include "officeapi/scripthooks.h"
#include "tests/host/hostfixture.h"
#include "tests/support/getfattr.h"
#include "tests/ui/widgetapp.h"
#include "ui/controls/label.h"
#include "ui/prompts.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace quillmark;
using namespace quillmark::test;

namespace {

// Records every status as the host's script would, with what was on screen then.
struct StatusHooks final : Prompts {
    TagDialog* pDialog = nullptr;
    std::vector<int> positions;
    std::vector<std::string> shown; // the status line's text while the status was given
    bool bPanelsSwapped = true;
    Prompts* pPrevious;

    StatusHooks() : pPrevious(SetPrompts(this)) {}
    ~StatusHooks() override { SetPrompts(pPrevious); }

    using Prompts::MessageBox;
    using Prompts::OpenFile;
    int MessageBox(QWidget*, const std::string&, const std::string&, PromptButtons, PromptIcon) override
    {
        return IDCANCEL;
    }
    std::optional<std::string> OpenFile(QWidget*, const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    bool Shell(QWidget*, ShellVerb, const std::string&) override { return true; }
    void ShowProperties(const std::string&, const std::function<void()>&) override {}
    void Status(int position, const std::string& text) override
    {
        positions.push_back(position);
        shown.push_back(pDialog->Progress()->Status()->Text());
        bPanelsSwapped = bPanelsSwapped && pDialog->Progress()->isVisible() && !pDialog->Form()->isVisible() &&
                         pDialog->Progress()->Bar()->value() == position && shown.back() == text;
    }
};

// A Tag dialog that records when it is asked to save the presentation's preview.
class ProbeTagDialog : public TagDialog {
public:
    using TagDialog::TagDialog;
    std::vector<std::string> previewStatuses; // the status line while the preview was saved

protected:
    void SavePresentationPreview() override { previewStatuses.push_back(Progress()->Status()->Text()); }
};

template <class Wrapper>
class TagDialogTest : public ::testing::Test {
protected:
    using Traits = HostTraits<Wrapper>;

    void SetUp() override { EnsureWidgetApp(); }

    // A fresh host with the file-name setting and the preview setting, its bar
    // built and its application events subscribed.
    void Start(std::uint32_t fileNameSetting = 0, std::uint32_t previewAtInsert = 1)
    {
        m_pTemp.reset();
        m_pHost = std::make_unique<HostSetup<Wrapper>>(0, fileNameSetting);
        m_pHost->settings.PPTCreatePreviewAtInsert = previewAtInsert;
        std::filesystem::create_directories(m_pHost->folders.dir / "tmp");
        m_pTemp = std::make_unique<ScopedEnv>("TMPDIR", m_pHost->folders.dir / "tmp");
        ASSERT_TRUE(m_pHost->wrapper.CreateCommandBar());
    }

    // The dialog for `doc`, initialised and shown.
    std::unique_ptr<ProbeTagDialog> Dialog(simoffice::SimDocument& doc)
    {
        ComPtr<IDispatch> spObject = m_pHost->office.DocumentObject(doc);
        std::unique_ptr<ProbeTagDialog> pDialog;
        if constexpr (std::is_same_v<Wrapper, WordApplication>)
            pDialog = std::make_unique<ProbeTagDialog>(m_pHost->wrapper, spObject.As<word::_Document>());
        else
            pDialog = std::make_unique<ProbeTagDialog>(m_pHost->wrapper, spObject.As<powerpoint::_Presentation>());
        pDialog->Initialise();
        pDialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pDialog.get()));
        return pDialog;
    }

    QLineEdit* Edit(ProbeTagDialog& dialog) { return dialog.Form()->TagsEdit(); }
    std::string Text(ProbeTagDialog& dialog) { return Edit(dialog)->text().toStdString(); }
    TagList Stored(const std::string& path) { return m_pHost->database.GetFileItem(path).tags; }
    void Type(ProbeTagDialog& dialog, const std::string& text)
    {
        Edit(dialog)->selectAll();
        QTest::keyClicks(Edit(dialog), QString::fromStdString(text));
    }
    void ClickTag(ProbeTagDialog& dialog) { QTest::mouseClick(dialog.TagButton(), Qt::LeftButton); }

    std::unique_ptr<HostSetup<Wrapper>> m_pHost;
    std::unique_ptr<ScopedEnv> m_pTemp;
};

using Wrappers = ::testing::Types<WordApplication, PowerPointApplication>;
TYPED_TEST_SUITE(TagDialogTest, Wrappers);

} // namespace

TYPED_TEST(TagDialogTest, OpensWithTheStoredTagsThenTheKeywordsAndThePlaceholderSelected)
{
    this->Start();
    const std::string path = this->m_pHost->MakeFile("Report");
    ASSERT_TRUE(this->m_pHost->database.SetFileTags(path, {"a", "b"}));
    simoffice::SimDocument& doc = this->m_pHost->Open(path);
    {
        auto pDialog = this->Dialog(doc);
        EXPECT_EQ(this->Text(*pDialog), "a, b, your new tag");
        EXPECT_EQ(this->Edit(*pDialog)->selectionStart(), 6);
        EXPECT_EQ(this->Edit(*pDialog)->selectedText(), "your new tag"); // the last 12 characters
        EXPECT_EQ(pDialog->focusWidget(), this->Edit(*pDialog));
        EXPECT_TRUE(pDialog->TagButton()->isEnabled());
        EXPECT_EQ(pDialog->Form()->Instruction()->Text(), LoadResString(102));
        EXPECT_EQ(pDialog->Form()->SecondInstruction()->Text(), LoadResString(103));
        EXPECT_EQ(pDialog->Form()->Instruction()->font().pixelSize(), 13); // 10 points
        EXPECT_FALSE(pDialog->Progress()->isVisible());
        EXPECT_EQ(pDialog->Progress()->geometry().topLeft(), pDialog->Form()->geometry().topLeft());
    }
    // No stored tags: the document's Keywords.
    simoffice::SimDocument* pNew = this->m_pHost->office.Model().New();
    ASSERT_NE(pNew, nullptr);
    pNew->SetProperty("Keywords", "x, y");
    EXPECT_EQ(this->Text(*this->Dialog(*pNew)), "x, y, your new tag");
    // Neither: the placeholder alone, wholly selected.
    pNew->SetProperty("Keywords", "");
    auto pEmpty = this->Dialog(*pNew);
    EXPECT_EQ(this->Text(*pEmpty), "your new tag");
    EXPECT_EQ(this->Edit(*pEmpty)->selectedText(), "your new tag");
}

TYPED_TEST(TagDialogTest, TheFileNameTagIsHiddenAndStoredAgainUnlessTheSettingIsOne)
{
    for (std::uint32_t setting : {0u, 1u}) {
        SCOPED_TRACE(setting);
        this->Start(setting);
        const std::string path = this->m_pHost->MakeFile("Report");
        ASSERT_TRUE(this->m_pHost->database.SetFileTags(path, {"Report", "a", "Report"}));
        auto pDialog = this->Dialog(this->m_pHost->Open(path));
        // Only the first occurrence is left out.
        EXPECT_EQ(this->Text(*pDialog), setting == 0 ? "a, Report, your new tag" : "Report, a, Report, your new tag");
        this->ClickTag(*pDialog);
        EXPECT_FALSE(pDialog->isVisible());
        EXPECT_EQ(pDialog->result(), IDOK);
        EXPECT_EQ(this->Stored(path), setting == 0 ? (TagList{"a", "Report", "Report"}) : (TagList{"Report", "a", "Report"}));
    }
    // A tag differing from the file name only in case is an ordinary tag.
    this->Start(0);
    const std::string path = this->m_pHost->MakeFile("Report");
    ASSERT_TRUE(this->m_pHost->database.SetFileTags(path, {"report", "a"}));
    auto pDialog = this->Dialog(this->m_pHost->Open(path));
    EXPECT_EQ(this->Text(*pDialog), "report, a, your new tag");
    this->ClickTag(*pDialog);
    EXPECT_EQ(this->Stored(path), (TagList{"report", "a", "Report"}));
}

TYPED_TEST(TagDialogTest, EachStatusIsOnScreenWhileItsStepRuns)
{
    const bool bPowerPoint = std::is_same_v<TypeParam, PowerPointApplication>;
    for (std::uint32_t previewAtInsert : {0u, 1u}) {
        SCOPED_TRACE(previewAtInsert);
        this->Start(0, previewAtInsert);
        const std::string path = this->m_pHost->MakeFile("Deck");
        auto pDialog = this->Dialog(this->m_pHost->Open(path));
        StatusHooks hooks;
        hooks.pDialog = pDialog.get();
        this->Type(*pDialog, "q1, q2");
        this->ClickTag(*pDialog);
        const bool bPreview = bPowerPoint && previewAtInsert == 0;
        EXPECT_EQ(hooks.positions, bPreview ? (std::vector<int>{10, 25, 75, 100}) : (std::vector<int>{10, 25, 100}));
        EXPECT_TRUE(hooks.bPanelsSwapped);
        EXPECT_EQ(hooks.shown.front(), LoadResString(118));
        EXPECT_EQ(hooks.shown.back(), LoadResString(121));
        EXPECT_EQ(pDialog->previewStatuses,
                  bPreview ? std::vector<std::string>{LoadResString(120)} : std::vector<std::string>{});
        EXPECT_EQ(this->Stored(path), (TagList{"q1", "q2", "Deck"}));
        // The bar shows the new tags (the file-name tag hidden).
        EXPECT_EQ(this->m_pHost->wrapper.TagButtonCount(), 3);
    }
}

TYPED_TEST(TagDialogTest, TaggingGivesTheFileItsTagsAsFileSystemTags)
{
    this->Start();
    const std::string path = this->m_pHost->MakeFile("Deck");
    auto pDialog = this->Dialog(this->m_pHost->Open(path));
    this->Type(*pDialog, "q1, R&D");
    this->ClickTag(*pDialog);
    EXPECT_EQ(this->Stored(path), (TagList{"q1", "R&D", "Deck"}));
    EXPECT_EQ(GetFattrTags(path), "q1,R&D,Deck");
}

TYPED_TEST(TagDialogTest, ATemporaryFolderDocumentCanOnlyBeCancelled)
{
    this->Start();
    const std::string path = this->m_pHost->folders.dir.WriteFile(std::string("tmp/Draft") + HostTraits<TypeParam>::kExtension, "x");
    simoffice::SimDocument& doc = this->m_pHost->Open(path);
    doc.SetProperty("Keywords", "k1, k2");
    auto pDialog = this->Dialog(doc);
    EXPECT_FALSE(pDialog->TagButton()->isEnabled());
    EXPECT_EQ(pDialog->Form()->Instruction()->Text(), LoadResString(128));
    EXPECT_EQ(pDialog->Form()->SecondInstruction()->Text(), "");
    // The entry is shut along with Tag: the document's tags are shown, nothing is
    // selected as if waiting to be typed over, and the entry itself says why.
    QLineEdit* pEdit = this->Edit(*pDialog);
    EXPECT_EQ(this->Text(*pDialog), "k1, k2, your new tag");
    EXPECT_FALSE(pEdit->isEnabled());
    EXPECT_FALSE(pEdit->hasSelectedText());
    EXPECT_EQ(pEdit->toolTip().toStdString(), LoadResString(128));
    QTest::keyClicks(pEdit, "typed");
    QTest::mouseDClick(pEdit, Qt::LeftButton);
    EXPECT_EQ(this->Text(*pDialog), "k1, k2, your new tag");
    EXPECT_FALSE(pEdit->hasSelectedText());
    this->ClickTag(*pDialog);
    EXPECT_TRUE(pDialog->isVisible());
    // Cancel, all that is left to do, has the focus: Enter presses it.
    QWidget* pFocus = pDialog->focusWidget();
    ASSERT_NE(pFocus, nullptr);
    EXPECT_EQ(pFocus->property(automation::kControlIdProperty).toInt(), IDCANCEL);
    QTest::keyClick(pFocus, Qt::Key_Return);
    EXPECT_FALSE(pDialog->isVisible());
    EXPECT_EQ(pDialog->result(), IDCANCEL);
    EXPECT_TRUE(this->Stored(path).empty());
    EXPECT_EQ(*doc.Properties().Find("Keywords"), "k1, k2");
}

TYPED_TEST(TagDialogTest, ANeverSavedDocumentKeepsItsTagsInItsKeywords)
{
    this->Start();
    simoffice::SimDocument* pDoc = this->m_pHost->office.Model().New();
    ASSERT_NE(pDoc, nullptr);
    pDoc->SetProperty("Keywords", "k1");
    auto pDialog = this->Dialog(*pDoc);
    EXPECT_EQ(this->Text(*pDialog), "k1, your new tag");
    QTest::keyClicks(this->Edit(*pDialog), "k2");
    this->ClickTag(*pDialog);
    EXPECT_EQ(pDialog->result(), IDOK);
    EXPECT_EQ(*pDoc->Properties().Find("Keywords"), "k1, k2"); // no file-name tag
    EXPECT_TRUE(this->m_pHost->database.GetAllDocuments({}).empty());
}

TYPED_TEST(TagDialogTest, CancelStoresNothing)
{
    this->Start();
    const std::string path = this->m_pHost->MakeFile("Report");
    ASSERT_TRUE(this->m_pHost->database.SetFileTags(path, {"a"}));
    simoffice::SimDocument& doc = this->m_pHost->Open(path);
    doc.SetProperty("Keywords", "a");
    const TagList stored = this->Stored(path); // with the file-name tag the opening added
    const int buttons = this->m_pHost->wrapper.TagButtonCount();
    auto pDialog = this->Dialog(doc);
    this->Type(*pDialog, "changed, tags");
    QTest::mouseClick(pDialog->template Control<QPushButton>(IDCANCEL), Qt::LeftButton);
    EXPECT_EQ(pDialog->result(), IDCANCEL);
    EXPECT_EQ(this->Stored(path), stored);
    EXPECT_EQ(*doc.Properties().Find("Keywords"), "a");
    EXPECT_EQ(this->m_pHost->wrapper.TagButtonCount(), buttons);
}

TYPED_TEST(TagDialogTest, OnlyPiecesThatAreThePlaceholderAreRemoved)
{
    EXPECT_EQ(TagDialog::RemovePlaceholder("a, your new tag", "your new tag"), "a,");
    EXPECT_EQ(TagDialog::RemovePlaceholder(" your new tag ,your new tag", "your new tag"), ",");
    EXPECT_EQ(TagDialog::RemovePlaceholder("your new tags list, my your new tag", "your new tag"),
              "your new tags list, my your new tag");
    EXPECT_EQ(TagDialog::RemovePlaceholder("Your New Tag", "your new tag"), "Your New Tag");

    this->Start();
    const std::string path = this->m_pHost->MakeFile("Report");
    auto pDialog = this->Dialog(this->m_pHost->Open(path));
    this->Type(*pDialog, "your new tags list, your new tag");
    this->ClickTag(*pDialog);
    EXPECT_EQ(this->Stored(path), (TagList{"your new tags list", "Report"}));
}

TYPED_TEST(TagDialogTest, ADatabaseThatCannotBeWrittenIsReportedAndTheTypedTextStays)
{
    this->Start();
    const std::string path = this->m_pHost->MakeFile("Report");
    simoffice::SimDocument& doc = this->m_pHost->Open(path);
    auto pDialog = this->Dialog(doc);
    // The database folder lies under a plain file: no folder can be made there.
    const std::string blocker = this->m_pHost->folders.dir.WriteFile("blocker", "x");
    this->m_pHost->settings.DatabasePath = blocker + "/db/";
    QueuedPrompts prompts;
    prompts.QueueAnswer(IDOK);
    this->Type(*pDialog, "kept, text");
    const int buttons = this->m_pHost->wrapper.TagButtonCount();
    this->ClickTag(*pDialog);

    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].caption, "Tag");
    EXPECT_NE(prompts.Messages()[0].text.find("could not be saved"), std::string::npos);
    EXPECT_NE(prompts.Messages()[0].text.find("database folder"), std::string::npos) << prompts.Messages()[0].text;
    // Back on the entry form, the text as typed; nothing else changed.
    EXPECT_TRUE(pDialog->isVisible());
    EXPECT_TRUE(pDialog->Form()->isVisible());
    EXPECT_FALSE(pDialog->Progress()->isVisible());
    EXPECT_EQ(this->Text(*pDialog), "kept, text");
    EXPECT_EQ(this->m_pHost->wrapper.TagButtonCount(), buttons);
    EXPECT_EQ(*doc.Properties().Find("Keywords"), "");

    // The folder is back: the same click stores.
    this->m_pHost->settings.DatabasePath = this->m_pHost->folders.dir / "db/";
    this->ClickTag(*pDialog);
    EXPECT_EQ(pDialog->result(), IDOK);
    EXPECT_EQ(this->Stored(path), (TagList{"kept", "text", "Report"}));
}

TYPED_TEST(TagDialogTest, ARecordLongerThanALineEditsOwnLimitIsStoredWholeWithTheTypedTag)
{
    this->Start();
    const std::string path = this->m_pHost->MakeFile("Report");
    // 300 tags of 300 characters: 90,900 characters in the edit, far beyond the
    // 32,767 a line edit holds unless told otherwise. No limit of the tags read
    // from files applies to what the user stored.
    TagList tags;
    for (int i = 0; i < 300; ++i) tags.push_back(std::to_string(1000 + i) + std::string(296, 'x'));
    ASSERT_TRUE(this->m_pHost->database.SetFileTags(path, tags));
    auto pDialog = this->Dialog(this->m_pHost->Open(path));
    EXPECT_EQ(this->Text(*pDialog), JoinTags(tags) + ", your new tag");
    // Typing replaces the selected placeholder.
    QTest::keyClicks(this->Edit(*pDialog), "typed");
    this->ClickTag(*pDialog);
    EXPECT_EQ(pDialog->result(), IDOK);
    TagList expected = tags;
    expected.push_back("typed");
    expected.push_back("Report");
    EXPECT_TRUE(this->Stored(path) == expected) << this->Stored(path).size();
}
