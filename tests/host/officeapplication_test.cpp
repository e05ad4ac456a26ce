// The helpers of the host wrapper base: file-name tags, saved paths, temporary
// folders, tag lists and late-bound calls.
#include "tests/host/hostfixture.h"

#include "host/pathrules.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;

TEST(GetFileNameTagTest, TakesTheNameBetweenTheLastSeparatorAndTheLastDot)
{
    EXPECT_EQ(OfficeApplication::GetFileNameTag("C:\\docs\\report.final.doc"), "report.final");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("\\\\server\\share\\Plan 2005.ppt"), "Plan 2005");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("/home/ann/talks/Launch.ppt"), "Launch");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("mixed/dir\\name.doc"), "name");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("report.doc"), "report");
    // The last dot of the whole path counts, even inside a folder name.
    EXPECT_EQ(OfficeApplication::GetFileNameTag("C:\\a.b\\file"), "a");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("/home/ann/.config/notes"), "");
    // No dot at all: no name.
    EXPECT_EQ(OfficeApplication::GetFileNameTag("C:\\docs\\file"), "");
    EXPECT_EQ(OfficeApplication::GetFileNameTag(""), "");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("C:\\docs\\.doc"), "");
    EXPECT_EQ(OfficeApplication::GetFileNameTag("/srv/Übersicht.doc"), "Übersicht");
}

TEST(PathRulesTest, SavedFilesHaveDriveNetworkOrPosixPaths)
{
    EXPECT_TRUE(IsFilePath("C:\\docs\\a.doc"));
    EXPECT_TRUE(IsFilePath("\\\\server\\share\\a.doc"));
    EXPECT_TRUE(IsFilePath("/home/ann/a.doc"));
    EXPECT_FALSE(IsFilePath("Document1"));
    EXPECT_FALSE(IsFilePath(""));
    EXPECT_FALSE(IsFilePath("C:/docs/a.doc"));
    EXPECT_FALSE(IsFilePath("docs\\a.doc"));

    EXPECT_TRUE(IsInFolder("/c/cache/a.doc", "/c/cache"));
    EXPECT_TRUE(IsInFolder("/c/cache", "/c/cache"));
    EXPECT_TRUE(IsInFolder("/tmp/a.doc", "/tmp/"));
    EXPECT_TRUE(IsInFolder("C:\\Cache\\a.doc", "C:\\Cache"));
    EXPECT_FALSE(IsInFolder("/c/cachedocs/a.doc", "/c/cache"));
    EXPECT_FALSE(IsInFolder("/C/cache/a.doc", "/c/cache"));
    EXPECT_FALSE(IsInFolder("/c/a.doc", ""));
}

TEST(IsTagInListTest, ComparesWholeTagsCaseSensitively)
{
    HostSetup<WordApplication> host;
    const TagList tags{"beta", "Alpha", "beta"};
    EXPECT_TRUE(host.wrapper.IsTagInList("Alpha", tags));
    EXPECT_TRUE(host.wrapper.IsTagInList("beta", tags));
    EXPECT_FALSE(host.wrapper.IsTagInList("alpha", tags));
    EXPECT_FALSE(host.wrapper.IsTagInList("bet", tags));
    EXPECT_FALSE(host.wrapper.IsTagInList("", tags));
    EXPECT_FALSE(host.wrapper.IsTagInList("beta", {}));
}

TEST(HasFilePathTest, FollowsTheActiveDocument)
{
    HostSetup<WordApplication> host;
    EXPECT_FALSE(host.wrapper.HasFilePath()); // no document at all
    EXPECT_EQ(host.wrapper.GetActiveDocumentPath(), "");
    ASSERT_NE(host.office.Model().New(), nullptr);
    EXPECT_FALSE(host.wrapper.HasFilePath());
    host.Open(host.MakeFile("saved"));
    EXPECT_TRUE(host.wrapper.HasFilePath());
    EXPECT_EQ(host.wrapper.GetActiveDocumentPath(), host.folders.dir / "saved.doc");
}

TEST(IsInTemporaryFolderTest, RecognisesTheTemporaryFolderAndTheBrowserCache)
{
    HostSetup<WordApplication> host;
    TempDir root;
    namespace fs = std::filesystem;
    fs::create_directories(root / "real/tmp");
    fs::create_directories(root / "cache/sub");
    fs::create_directories(root / "cachedocs");
    fs::create_directory_symlink(root / "real", root / "link");
    const std::string inTemp = root.WriteFile("real/tmp/a.doc", "x");
    const std::string inCache = root.WriteFile("cache/sub/b.doc", "x");
    const std::string nextToCache = root.WriteFile("cachedocs/c.doc", "x");
    const std::string elsewhere = root.WriteFile("d.doc", "x");

    ScopedEnv temp("TMPDIR", root / "real/tmp");
    ScopedEnv cache("XDG_CACHE_HOME", root / "cache");
    OfficeApplication& app = host.wrapper;

    EXPECT_TRUE(app.IsInTemporaryFolder(inTemp));
    // A longer spelling of a path in the temporary folder is still recognised.
    EXPECT_TRUE(app.IsInTemporaryFolder(root / "link/tmp/a.doc"));
    EXPECT_TRUE(app.IsInTemporaryFolder(root / "real/tmp/../tmp/./a.doc"));
    // A file not written yet counts by its path as given.
    EXPECT_TRUE(app.IsInTemporaryFolder(root / "real/tmp/new.doc"));
    EXPECT_FALSE(app.IsInTemporaryFolder(elsewhere));
    EXPECT_FALSE(app.IsInTemporaryFolder("Document1"));
    EXPECT_FALSE(app.IsInTemporaryFolder("C:\\Temp\\a.doc"));

    // The cache only in the spelling the shell gives.
    EXPECT_TRUE(app.IsInTemporaryFolder(inCache));
    EXPECT_FALSE(app.IsInTemporaryFolder(root / "real/../cache/sub/b.doc"));
    EXPECT_FALSE(app.IsInTemporaryFolder(nextToCache));

    // The temporary folder named through a link still holds its files.
    ScopedEnv linkedTemp("TMPDIR", root / "link/tmp");
    EXPECT_TRUE(app.IsInTemporaryFolder(inTemp));
    EXPECT_TRUE(app.IsInTemporaryFolder(root / "link/tmp/a.doc"));
    EXPECT_FALSE(app.IsInTemporaryFolder(elsewhere));
}

// An automation object that records the calls it gets.
class RecordingObject final : public DispatchObject<IDispatch> {
public:
    struct Call {
        DISPID id;
        std::uint16_t flags;
        LCID lcid;
        std::vector<std::string> args; // as laid out: named first, then last-first
        std::vector<DISPID> named;
    };
    std::vector<Call> calls;
    std::vector<LCID> nameLocales;

    RecordingObject()
    {
        m_dispatchTable.Add("Item", 7);
        m_dispatchTable.Add("Fails", 8);
    }
    HRESULT GetIDsOfNames(REFIID riid, const char* const* names, std::uint32_t count, LCID lcid,
                          DISPID* dispIds) override
    {
        nameLocales.push_back(lcid);
        return DispatchObject::GetIDsOfNames(riid, names, count, lcid, dispIds);
    }
    HRESULT Invoke(DISPID dispId, REFIID, LCID lcid, std::uint16_t flags, DispParams* params, Variant* result,
                   ExcepInfo*, std::uint32_t*) override
    {
        Call call{dispId, flags, lcid, {}, params->namedArgs};
        for (const Variant& arg : params->args)
            call.args.push_back(arg.ToString());
        calls.push_back(call);
        if (dispId == 8) return DISP_E_EXCEPTION;
        if (result) *result = Variant("answer");
        return S_OK;
    }
};

TEST(DispatchByNameTest, CallsByNameWithTheArgumentsAsGiven)
{
    // A null object: nothing is called and the result stays as it was.
    Variant untouched("before");
    EXPECT_EQ(OfficeApplication::DispatchByName(DISPATCH_PROPERTYGET, &untouched, nullptr, "Item",
                                                {Variant("Keywords")}),
              S_OK);
    EXPECT_EQ(untouched.StrVal(), "before");

    ComPtr<RecordingObject> spObject = MakeComObject<RecordingObject>();
    Variant result;
    EXPECT_EQ(OfficeApplication::DispatchByName(DISPATCH_PROPERTYGET, &result, spObject.Get(), "item",
                                                {Variant("last"), Variant("first")}),
              S_OK);
    EXPECT_EQ(result.StrVal(), "answer");
    ASSERT_EQ(spObject->calls.size(), 1u);
    EXPECT_EQ(spObject->calls[0].id, 7);
    EXPECT_EQ(spObject->calls[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(spObject->calls[0].lcid, LOCALE_SYSTEM_DEFAULT);
    EXPECT_THAT(spObject->calls[0].args, ElementsAre("last", "first"));
    EXPECT_TRUE(spObject->calls[0].named.empty());
    EXPECT_THAT(spObject->nameLocales, ElementsAre(LOCALE_USER_DEFAULT));

    // A property put names its argument DISPID_PROPERTYPUT.
    EXPECT_EQ(OfficeApplication::DispatchByName(DISPATCH_PROPERTYPUT, nullptr, spObject.Get(), "Item",
                                                {Variant("value")}),
              S_OK);
    ASSERT_EQ(spObject->calls.size(), 2u);
    EXPECT_EQ(spObject->calls[1].flags, DISPATCH_PROPERTYPUT);
    EXPECT_THAT(spObject->calls[1].named, ElementsAre(DISPID_PROPERTYPUT));
    EXPECT_THAT(spObject->calls[1].args, ElementsAre("value"));

    // Failures come back as they are: an unknown name, a failing member.
    Variant kept("kept");
    EXPECT_EQ(OfficeApplication::DispatchByName(DISPATCH_METHOD, &kept, spObject.Get(), "Nope"), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(spObject->calls.size(), 2u);
    EXPECT_EQ(OfficeApplication::DispatchByName(DISPATCH_METHOD, &kept, spObject.Get(), "Fails"), DISP_E_EXCEPTION);
    EXPECT_EQ(kept.StrVal(), "kept");
}

} // namespace
} // namespace quillmark::test
