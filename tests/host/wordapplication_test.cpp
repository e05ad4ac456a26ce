// The Word wrapper over the simulated Word: documents, their "Keywords" tags, the
// saved-file and template tests, opening documents.
#include "tests/host/hostfixture.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;

word::_DocumentPtr DocumentOf(HostSetup<WordApplication>& host, simoffice::SimDocument& doc)
{
    return host.office.DocumentObject(doc).As<word::_Document>();
}

TEST(WordApplicationTest, SavedFilesAndTemplates)
{
    HostSetup<WordApplication> host;
    WordApplication& word = host.wrapper;

    simoffice::SimDocument* pNew = host.office.Model().New();
    ASSERT_NE(pNew, nullptr);
    word::_DocumentPtr spNew = DocumentOf(host, *pNew);
    EXPECT_FALSE(word.IsSavedToFile(spNew));
    EXPECT_FALSE(word.IsTemplate(spNew));
    EXPECT_EQ(word.GetFullName(spNew), pNew->FullName());
    EXPECT_EQ(word.GetFullName(nullptr), "");
    EXPECT_FALSE(word.IsSavedToFile(nullptr));

    const std::string report = host.folders.dir.WriteFile("REPORT.DOT", "x");
    word::_DocumentPtr spTemplate = DocumentOf(host, host.Open(report));
    EXPECT_TRUE(word.IsSavedToFile(spTemplate));
    EXPECT_TRUE(word.IsTemplate(spTemplate));
    EXPECT_EQ(word.GetFullName(spTemplate), report);

    std::filesystem::create_directory(host.folders.dir / "my.dotfiles");
    for (const char* name : {"report.dotx", "my.dotfiles/letter.doc", "plain.doc"}) {
        const std::string path = host.folders.dir.WriteFile(name, "x");
        word::_DocumentPtr spDoc = DocumentOf(host, host.Open(path));
        EXPECT_FALSE(word.IsTemplate(spDoc)) << name;
        EXPECT_TRUE(word.IsSavedToFile(spDoc)) << name;
    }
    EXPECT_TRUE(word.IsTemplate(DocumentOf(host, host.Open(host.folders.dir.WriteFile("x.Dot", "x")))));
}

TEST(WordApplicationTest, KeywordsHoldTheTagsJoinedByCommaAndBlank)
{
    HostSetup<WordApplication> host;
    WordApplication& word = host.wrapper;

    // No document: an empty list, and writing has no effect.
    EXPECT_TRUE(word.GetKeywords(nullptr).empty());
    EXPECT_TRUE(word.SetKeywords(nullptr, {"x"}));
    TagList embedded{"stale"};
    EXPECT_TRUE(word.GetEmbeddedTags(embedded));
    EXPECT_TRUE(embedded.empty());

    simoffice::SimDocument& first = host.Open(host.MakeFile("first"));
    ASSERT_TRUE(first.SetProperty("Keywords", "alpha, beta,gamma"));
    simoffice::SimDocument& second = host.Open(host.MakeFile("second")); // now active
    ASSERT_TRUE(second.SetProperty("Keywords", " solo "));

    EXPECT_THAT(word.GetKeywords(DocumentOf(host, first)), ElementsAre("alpha", "beta", "gamma"));
    EXPECT_THAT(word.GetKeywords(nullptr), ElementsAre("solo"));
    ASSERT_TRUE(word.GetEmbeddedTags(embedded));
    EXPECT_THAT(embedded, ElementsAre("solo"));

    EXPECT_TRUE(word.SetKeywords(DocumentOf(host, first), word.GetKeywords(DocumentOf(host, first))));
    EXPECT_EQ(first.Property("Keywords"), "alpha, beta, gamma");
    EXPECT_TRUE(word.SetEmbeddedTags({"Finance 2005", "budget", "budget"}));
    EXPECT_EQ(second.Property("Keywords"), "Finance 2005, budget, budget");
    EXPECT_TRUE(word.SetKeywords(nullptr, {}));
    EXPECT_EQ(second.Property("Keywords"), "");
    EXPECT_EQ(first.Property("Keywords"), "alpha, beta, gamma");
    EXPECT_TRUE(word.GetKeywords(nullptr).empty());
}

TEST(WordApplicationTest, DatabaseTagsOfTheActiveDocument)
{
    HostSetup<WordApplication> host;
    const std::string path = host.MakeFile("budget");
    ASSERT_TRUE(host.database.SetFileTags(path, {"q1", "q2"}));
    EXPECT_THAT(host.wrapper.GetDatabaseTags(path), ElementsAre("q1", "q2"));
    EXPECT_TRUE(host.wrapper.GetActiveDocumentTags().empty());
    host.Open(path);
    EXPECT_THAT(host.wrapper.GetActiveDocumentTags(), ElementsAre("q1", "q2"));
}

TEST(WordApplicationTest, OpensDocumentsAndLeavesSlidesAndMergingAlone)
{
    HostSetup<WordApplication> host;
    const std::string path = host.MakeFile("letter");
    EXPECT_TRUE(host.wrapper.OpenDocument(path));
    EXPECT_EQ(host.wrapper.GetActiveDocumentPath(), path);
    EXPECT_EQ(host.office.Model().Count(), 1);
    // A file Word cannot open: Word is left to say so.
    EXPECT_TRUE(host.wrapper.OpenDocument(host.folders.dir / "missing.doc"));
    EXPECT_EQ(host.office.Model().Count(), 1);

    const std::string other = host.MakeFile("other");
    EXPECT_TRUE(host.wrapper.InsertSlideFromFile(other, 1));
    EXPECT_TRUE(host.wrapper.MergeTagsFromFile(other));
    EXPECT_EQ(host.office.Model().Count(), 1);
    EXPECT_EQ(host.wrapper.GetActiveDocumentPath(), path);
    EXPECT_TRUE(host.wrapper.CanRefreshToolbar());
}

// Word's Documents collection as far as Open goes: it records what it is given.
class RecordingDocuments final : public DispatchObject<word::Documents> {
public:
    std::vector<Variant> openArgs;
    HRESULT get_Count(std::int32_t* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT Item(const Variant&, word::_Document**) override { return E_INVALIDARG; }
    HRESULT Open(const Variant& a1, const Variant& a2, const Variant& a3, const Variant& a4, const Variant& a5,
                 const Variant& a6, const Variant& a7, const Variant& a8, const Variant& a9, const Variant& a10,
                 const Variant& a11, const Variant& a12, const Variant& a13, const Variant& a14, const Variant& a15,
                 const Variant& a16, word::_Document** document) override
    {
        openArgs = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16};
        *document = nullptr;
        return E_FAIL; // the outcome is not the wrapper's business
    }
    HRESULT Add(const Variant&, const Variant&, const Variant&, const Variant&, word::_Document**) override
    {
        return E_NOTIMPL;
    }
};

class FakeWordApplication final : public DispatchObject<word::_Application> {
public:
    ComPtr<RecordingDocuments> spDocuments = MakeComObject<RecordingDocuments>();
    HRESULT get_CommandBars(office::CommandBars** bars) override
    {
        *bars = nullptr;
        return E_FAIL;
    }
    HRESULT get_ActiveDocument(word::_Document** document) override
    {
        *document = nullptr;
        return E_FAIL;
    }
    HRESULT get_Documents(word::Documents** documents) override
    {
        return ComPtr<word::Documents>(spDocuments.Get()).CopyTo(documents);
    }
    HRESULT get_ActiveWindow(word::Window** window) override
    {
        *window = nullptr;
        return E_FAIL;
    }
    HRESULT get_Name(std::string* name) override
    {
        *name = "Microsoft Word";
        return S_OK;
    }
};

TEST(WordApplicationTest, DocumentsOpenGetsItsSixteenArguments)
{
    ComPtr<FakeWordApplication> spApp = MakeComObject<FakeWordApplication>();
    WordApplication word;
    word.SetApplication(ComPtr<word::_Application>(spApp.Get()));
    EXPECT_TRUE(word.OpenDocument("C:\\docs\\a b.doc"));
    const std::vector<Variant>& args = spApp->spDocuments->openArgs;
    ASSERT_EQ(args.size(), 16u);
    EXPECT_EQ(args[0].Type(), VT_BSTR);
    EXPECT_EQ(args[0].StrVal(), "C:\\docs\\a b.doc");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(args[i].Type(), VT_I2) << i;
        EXPECT_EQ(args[i].I2Val(), 0) << i;
    }
    for (int i = 4; i < 16; ++i)
        EXPECT_TRUE(args[i].IsMissing()) << i;

    // No command bars from this host: no bar, and no failure either.
    EXPECT_FALSE(word.CreateCommandBar());
    EXPECT_EQ(word.GetActiveDocumentPath(), "");
}

} // namespace
} // namespace quillmark::test
