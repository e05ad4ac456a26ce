#include <gtest/gtest.h>

#include <vector>

#include "officeapi/addinwrappers.h"
#include "officeapi/powerpointwrappers.h"
#include "officeapi/wordwrappers.h"
#include "platform/com/dispatchtable.h"

namespace quillmark {
namespace {

// Word's Documents collection, recording what Open receives.
class FakeDocuments final : public DispatchObject<word::Documents> {
public:
    HRESULT get_Count(std::int32_t* count) override { *count = m_nOpened; return S_OK; }
    HRESULT Item(const Variant&, word::_Document** doc) override { *doc = nullptr; return E_INVALIDARG; }
    HRESULT Open(const Variant& a1, const Variant& a2, const Variant& a3, const Variant& a4, const Variant& a5,
                 const Variant& a6, const Variant& a7, const Variant& a8, const Variant& a9, const Variant& a10,
                 const Variant& a11, const Variant& a12, const Variant& a13, const Variant& a14, const Variant& a15,
                 const Variant& a16, word::_Document** doc) override
    {
        m_openArgs = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16};
        *doc = nullptr;
        if (a1.StrVal().empty()) return E_INVALIDARG;
        ++m_nOpened;
        return S_OK;
    }
    HRESULT Add(const Variant&, const Variant&, const Variant&, const Variant&, word::_Document** doc) override
    {
        *doc = nullptr;
        return E_NOTIMPL;
    }
    std::vector<Variant> m_openArgs;
    std::int32_t m_nOpened = 0;
};

// PowerPoint's Slides of a presentation with m_nCount slides.
class FakeSlides final : public DispatchObject<powerpoint::Slides> {
public:
    HRESULT get_Count(std::int32_t* count) override { *count = m_nCount; return S_OK; }
    HRESULT Item(const Variant&, powerpoint::_Slide** slide) override { *slide = nullptr; return E_NOTIMPL; }
    HRESULT InsertFromFile(const std::string& fileName, std::int32_t index, std::int32_t slideStart,
                           std::int32_t slideEnd, std::int32_t* count) override
    {
        if (fileName.empty() || index < 0 || index > m_nCount || slideStart < 1 || slideEnd < slideStart) {
            *count = 0;
            return E_INVALIDARG;
        }
        *count = slideEnd - slideStart + 1;
        m_nCount += *count;
        m_nLastIndex = index;
        return S_OK;
    }
    std::int32_t m_nCount = 5, m_nLastIndex = -1;
};

// An add-in as a host sees it.
class FakeAddin final : public DispatchObject<office::IDTExtensibility2> {
public:
    HRESULT OnConnection(IDispatch* app, office::ext_ConnectMode mode, IDispatch*, office::CustomArray*) override
    {
        m_spApplication = app;
        m_nMode = mode;
        return app ? S_OK : E_POINTER;
    }
    HRESULT OnDisconnection(office::ext_DisconnectMode, office::CustomArray*) override
    {
        m_spApplication.Reset();
        return S_OK;
    }
    HRESULT OnAddInsUpdate(office::CustomArray*) override { return S_OK; }
    HRESULT OnStartupComplete(office::CustomArray*) override { return S_OK; }
    HRESULT OnBeginShutdown(office::CustomArray*) override { return S_OK; }
    ComPtr<IDispatch> m_spApplication;
    office::ext_ConnectMode m_nMode = -1;
};

TEST(WordWrappers, DocumentsOpenPassesSixteenArgumentsInOrder)
{
    ComPtr<FakeDocuments> fake = MakeComObject<FakeDocuments>();
    word::DocumentsPtr documents(static_cast<word::Documents*>(fake.Get()));
    // As the add-in opens a file: the path, then three 16-bit zeros, the rest omitted.
    documents.Open("C:\\docs\\report.doc", std::int16_t{0}, std::int16_t{0}, std::int16_t{0});
    ASSERT_EQ(fake->m_openArgs.size(), 16u);
    EXPECT_EQ(fake->m_openArgs[0].StrVal(), "C:\\docs\\report.doc");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(fake->m_openArgs[i].Type(), VT_I2) << i;
        EXPECT_EQ(fake->m_openArgs[i].I2Val(), 0) << i;
    }
    for (int i = 4; i < 16; ++i) EXPECT_TRUE(fake->m_openArgs[i].IsMissing()) << i;
    EXPECT_EQ(documents.GetCount(), 1);

    try {
        documents.Open("");
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_INVALIDARG);
        EXPECT_EQ(error.Context(), "Documents.Open");
    }
    EXPECT_THROW(documents.Item(1), ComError);
    EXPECT_THROW(word::_ApplicationPtr().GetActiveDocument(), ComError);
}

TEST(PowerPointWrappers, InsertFromFileReturnsTheCountAndReportsFailures)
{
    ComPtr<FakeSlides> fake = MakeComObject<FakeSlides>();
    powerpoint::SlidesPtr slides(static_cast<powerpoint::Slides*>(fake.Get()));
    EXPECT_EQ(slides.InsertFromFile("/tmp/other.ppt", 5, 3, 3), 1);
    EXPECT_EQ(fake->m_nLastIndex, 5);
    EXPECT_EQ(slides.GetCount(), 6);
    try {
        slides.InsertFromFile("/tmp/other.ppt", 99, 1, 1);
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_INVALIDARG);
    }
    EXPECT_EQ(slides.GetCount(), 6);
    EXPECT_THROW(slides.Item(1), ComError);
}

TEST(AddinWrappers, HostConnectsAndDisconnectsThroughTheInterface)
{
    ComPtr<FakeAddin> addin = MakeComObject<FakeAddin>();
    ComPtr<FakeSlides> someApp = MakeComObject<FakeSlides>();  // any automation object will do
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(unknown.QueryFrom(static_cast<IDispatch*>(addin.Get())), S_OK);
    office::IDTExtensibility2Ptr ext = unknown.As<office::IDTExtensibility2>();
    ASSERT_TRUE(ext);
    ext.OnConnection(someApp.Get(), office::ext_cm_Startup, nullptr);
    EXPECT_EQ(addin->m_spApplication.Get(), static_cast<IDispatch*>(someApp.Get()));
    EXPECT_EQ(addin->m_nMode, office::ext_cm_Startup);
    ext.OnStartupComplete();
    ext.OnBeginShutdown();
    ext.OnDisconnection(office::ext_dm_HostShutdown);
    EXPECT_FALSE(addin->m_spApplication);
    EXPECT_EQ(someApp->RefCount(), 1u);
    EXPECT_THROW(ext.OnConnection(nullptr, office::ext_cm_Startup, nullptr), ComError);
}

TEST(HostInterfaceIds, MatchTheHostsTypeLibraries)
{
    EXPECT_EQ(GuidToString(word::_Application::Iid), "{00020970-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(word::_Document::Iid), "{0002096B-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(word::ApplicationEvents::Iid), "{00020A00-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(powerpoint::_Application::Iid), "{91493442-5A91-11CF-8700-00AA0060263B}");
    EXPECT_EQ(GuidToString(powerpoint::_Presentation::Iid), "{9149349D-5A91-11CF-8700-00AA0060263B}");
    EXPECT_EQ(GuidToString(powerpoint::_Slide::Iid), "{9149346A-5A91-11CF-8700-00AA0060263B}");
    EXPECT_EQ(GuidToString(powerpoint::EApplication::Iid), "{914934C2-5A91-11CF-8700-00AA0060263B}");
    EXPECT_EQ(GuidToString(office::IDTExtensibility2::Iid), "{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}");
    EXPECT_EQ(word::DISPID_Word_WindowActivate, 10);
    EXPECT_EQ(word::DISPID_Word_DocumentOpen, 4);
    EXPECT_EQ(word::DISPID_Word_DocumentBeforeSave, 8);
    EXPECT_EQ(powerpoint::DISPID_PowerPoint_WindowActivate, 2009);
    EXPECT_EQ(powerpoint::DISPID_PowerPoint_PresentationOpen, 2006);
    EXPECT_EQ(powerpoint::DISPID_PowerPoint_PresentationBeforeSave, 2018);
    EXPECT_EQ(powerpoint::DISPID_PowerPoint_PresentationSave, 2005);
    EXPECT_EQ(powerpoint::ppViewNormal, 9);
    EXPECT_EQ(powerpoint::ppSaveAsBMP, 19);
}

} // namespace
} // namespace quillmark
