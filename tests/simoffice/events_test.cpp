#include "tests/simoffice/sinkbase.h"
#include "simoffice/simoffice.h"

#include "officeapi/powerpoint.h"
#include "officeapi/word.h"
#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "tests/support/tempdir.h"

#include "tests/simoffice/guiapp.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::officecore;
using namespace quillmark::simoffice;
using quillmark::test::TempDir;

namespace {

std::string FullNameOf(IDispatch* p)
{
    ComPtr<IDispatch> sp(p);
    std::string name;
    if (auto spDoc = sp.As<word::_Document>()) spDoc->get_FullName(&name);
    else if (auto spPres = sp.As<powerpoint::_Presentation>()) spPres->get_FullName(&name);
    return name;
}

// Records every application event: "<dispid> <document>"; for open events also
// which document the application reports active while the event runs.
class RecordingSink final : public quillmark::test::EventSinkBase {
public:
    RecordingSink(const IID& iid, IDispatch* pApp) : EventSinkBase(iid), m_pApp(pApp) {}
    std::vector<std::string> events;
    bool bCancelSaves = false;

protected:
    HRESULT InvokeMember(DISPID id, std::uint16_t, DispParams& params, Variant*) override
    {
        std::string line = std::to_string(id);
        if (params.Count() > 0) line += " " + FullNameOf(params.args.back().DispatchVal());
        if (id == word::DISPID_Word_DocumentOpen || id == powerpoint::DISPID_PowerPoint_PresentationOpen)
            line += " active=" + ActiveName();
        if (id == word::DISPID_Word_WindowActivate || id == powerpoint::DISPID_PowerPoint_WindowActivate)
            line += params.args[0].DispatchVal() ? " +window" : " -window";
        if (id == word::DISPID_Word_DocumentBeforeSave) {
            line += params.args[1].BoolRefVal() && *params.args[1].BoolRefVal() ? " saveAsUi" : "";
            if (bCancelSaves) *params.args[0].BoolRefVal() = VARIANT_TRUE;
        }
        if (id == powerpoint::DISPID_PowerPoint_PresentationBeforeSave && bCancelSaves)
            *params.args[0].BoolRefVal() = VARIANT_TRUE;
        events.push_back(line);
        return S_OK;
    }

private:
    std::string ActiveName()
    {
        ComPtr<IDispatch> sp(m_pApp);
        if (auto spWord = sp.As<word::_Application>()) {
            ComPtr<word::_Document> spDoc;
            spWord->get_ActiveDocument(&spDoc);
            return spDoc ? FullNameOf(spDoc.Get()) : "none";
        }
        auto spPpt = sp.As<powerpoint::_Application>();
        ComPtr<powerpoint::_Presentation> spPres;
        spPpt->get_ActivePresentation(&spPres);
        return spPres ? FullNameOf(spPres.Get()) : "none";
    }
    IDispatch* m_pApp;
};

ComPtr<RecordingSink> Subscribe(SimOffice& office, DWORD* pCookie = nullptr)
{
    const IID& iid = office.Host() == HostKind::Word ? word::ApplicationEvents::Iid : powerpoint::EApplication::Iid;
    ComPtr<RecordingSink> spSink = MakeComObject<RecordingSink>(iid, office.Application());
    ComPtr<IConnectionPointContainer> spCpc;
    EXPECT_EQ(spCpc.QueryFrom(office.Application()), S_OK);
    ComPtr<IConnectionPoint> spCp;
    EXPECT_EQ(spCpc->FindConnectionPoint(iid, &spCp), S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(spCp->Advise(static_cast<IDispatch*>(spSink.Get()), &cookie), S_OK);
    if (pCookie) *pCookie = cookie;
    return spSink;
}

std::vector<std::string> Take(RecordingSink& sink) { return std::exchange(sink.events, {}); }

using V = std::vector<std::string>;

} // namespace

TEST(SimOfficeEvents, ApplicationAnswersOnlyForItsOwnHost)
{
    SimOffice word(HostKind::Word);
    SimOffice ppt(HostKind::PowerPoint);
    ComPtr<IDispatch> spWord(word.Application()), spPpt(ppt.Application());
    EXPECT_TRUE(spWord.As<word::_Application>());
    EXPECT_FALSE(spWord.As<powerpoint::_Application>());
    EXPECT_TRUE(spWord.As<IConnectionPointContainer>());
    EXPECT_TRUE(spPpt.As<powerpoint::_Application>());
    EXPECT_FALSE(spPpt.As<word::_Application>());
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(spWord->QueryInterface(office::CommandBars::Iid, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);

    ComPtr<IConnectionPointContainer> spCpc = spWord.As<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> spCp;
    EXPECT_EQ(spCpc->FindConnectionPoint(powerpoint::EApplication::Iid, &spCp), CONNECT_E_NOCONNECTION);

    // Nothing open: "active" fails.
    ComPtr<word::_Document> spDoc;
    EXPECT_TRUE(FAILED(spWord.As<word::_Application>()->get_ActiveDocument(&spDoc)));
    EXPECT_FALSE(spDoc);
    ComPtr<powerpoint::DocumentWindow> spWindow;
    EXPECT_TRUE(FAILED(spPpt.As<powerpoint::_Application>()->get_ActiveWindow(&spWindow)));
}

TEST(SimOfficeEvents, WordOrderForOpenActivateSaveClose)
{
    TempDir dir;
    // Real (empty) Word 97-2003 files: a save writes the properties into them.
    std::string a = dir / "a.doc", b = dir / "b.doc";
    ASSERT_TRUE(docprops::Write({}, a, {}) && docprops::Write({}, b, {}));
    SimOffice office(HostKind::Word);
    ComPtr<RecordingSink> spSink = Subscribe(office);
    auto spApp = ComPtr<IDispatch>(office.Application()).As<word::_Application>();
    ComPtr<word::Documents> spDocs;
    ASSERT_EQ(spApp->get_Documents(&spDocs), S_OK);

    // Opened through Documents.Open with the add-in's arguments: the open event comes
    // before Open returns, with the new document already active, then WindowActivate.
    ComPtr<word::_Document> spA;
    Variant m = Variant::Missing();
    ASSERT_EQ(spDocs->Open(Variant(a), Variant(std::int16_t(0)), Variant(std::int16_t(0)), Variant(std::int16_t(0)), m,
                           m, m, m, m, m, m, m, m, m, m, m, &spA),
              S_OK);
    EXPECT_EQ(Take(*spSink), (V{"4 " + a + " active=" + a, "10 " + a + " +window"}));
    EXPECT_EQ(FullNameOf(spA.Get()), a);

    ASSERT_TRUE(office.Model().Open(b, 0, nullptr));
    EXPECT_EQ(Take(*spSink), (V{"4 " + b + " active=" + b, "10 " + b + " +window"}));

    // Switching windows.
    ASSERT_EQ(spA->Activate(), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"10 " + a + " +window"}));
    ASSERT_EQ(spA->Activate(), S_OK);
    EXPECT_EQ(Take(*spSink), V{}) << "the active window is not activated again";

    // Save: before-save only (Word has no after-save event here); the file is written after it.
    auto before = files::GetFileStamp(a);
    ASSERT_EQ(spA->Save(), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"8 " + a}));
    EXPECT_FALSE(files::GetFileStamp(a) == before);

    // A sink may cancel: nothing is written.
    spSink->bCancelSaves = true;
    before = files::GetFileStamp(a);
    EXPECT_TRUE(FAILED(spA->Save()));
    EXPECT_TRUE(files::GetFileStamp(a) == before);
    spSink->bCancelSaves = false;
    Take(*spSink);

    // New fires WindowActivate; saving it for the first time says so (SaveAsUI).
    ComPtr<word::_Document> spNew;
    ASSERT_EQ(spDocs->Add(m, m, m, m, &spNew), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"10 Document1 +window"}));
    ASSERT_EQ(spNew->SaveAs(Variant(dir / "c.doc")), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"8 Document1 saveAsUi"}));
    EXPECT_EQ(FullNameOf(spNew.Get()), dir / "c.doc");

    // Closing the active document says so first, then reveals the one activated before it.
    ASSERT_EQ(spNew->Close(m, m, m), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"6 " + dir / "c.doc", "10 " + a + " +window"}));
    std::string name;
    EXPECT_TRUE(FAILED(spNew->get_FullName(&name))) << "a closed document's object fails";
    // Closing one that is not active activates nothing.
    ASSERT_TRUE(office.Model().Close(office.Model().Find(b)));
    EXPECT_EQ(Take(*spSink), (V{"6 " + b}));
}

TEST(SimOfficeEvents, PowerPointOrderForOpenActivateSave)
{
    TempDir dir;
    std::string a = dir.WriteFile("a.ppt", "a"), b = dir.WriteFile("b.ppt", "b");
    SimOffice office(HostKind::PowerPoint);
    ComPtr<RecordingSink> spSink = Subscribe(office);
    auto spApp = ComPtr<IDispatch>(office.Application()).As<powerpoint::_Application>();
    ComPtr<powerpoint::Presentations> spPres;
    ASSERT_EQ(spApp->get_Presentations(&spPres), S_OK);

    ComPtr<powerpoint::_Presentation> spA;
    ASSERT_EQ(spPres->Open(a, office::msoFalse, office::msoFalse, office::msoTrue, &spA), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"2006 " + a + " active=" + a, "2009 " + a + " +window"}));
    ASSERT_TRUE(office.Model().Open(b, 0, nullptr));
    Take(*spSink);

    ComPtr<powerpoint::DocumentWindow> spWindow;
    ASSERT_EQ(spApp->get_ActiveWindow(&spWindow), S_OK);
    ComPtr<powerpoint::_Presentation> spShown;
    spWindow->get_Presentation(&spShown);
    EXPECT_EQ(FullNameOf(spShown.Get()), b);
    ASSERT_EQ(spA->Save(), S_OK) << "saving a document that is not active";
    EXPECT_EQ(Take(*spSink), (V{"2018 " + a, "2005 " + a}));

    ComPtr<powerpoint::DocumentWindow> spAWindow;
    ASSERT_TRUE(office.Model().Activate(office.Model().Find(a)));
    EXPECT_EQ(Take(*spSink), (V{"2009 " + a + " +window"}));

    spSink->bCancelSaves = true;
    EXPECT_TRUE(FAILED(spA->Save()));
    EXPECT_EQ(Take(*spSink), (V{"2018 " + a})) << "a cancelled save has no after-save event";
    spSink->bCancelSaves = false;

    ASSERT_EQ(spA->Close(), S_OK);
    EXPECT_EQ(Take(*spSink), (V{"2004 " + a, "2009 " + b + " +window"}));
    EXPECT_EQ(office.Model().Count(), 1);

    // Opening a missing file fails without events.
    ComPtr<powerpoint::_Presentation> spMissing;
    EXPECT_TRUE(FAILED(spPres->Open(dir / "none.ppt", office::msoFalse, office::msoFalse, office::msoTrue, &spMissing)));
    EXPECT_EQ(Take(*spSink), V{});
}

TEST(SimOfficeEvents, LateBoundPropertiesSurviveSaveAndReopen)
{
    TempDir dir;
    std::string a = dir.WriteFile("a.doc", "a");
    SimOffice office(HostKind::Word);
    auto spApp = ComPtr<IDispatch>(office.Application()).As<word::_Application>();
    ASSERT_TRUE(office.Model().Open(a, 0, nullptr));
    ComPtr<word::_Document> spDoc;
    ASSERT_EQ(spApp->get_ActiveDocument(&spDoc), S_OK);
    ComPtr<IDispatch> spProps;
    ASSERT_EQ(spDoc->get_BuiltInDocumentProperties(&spProps), S_OK);

    Variant keywords;
    ASSERT_EQ(InvokeByName(spProps.Get(), "Item", DISPATCH_PROPERTYGET, {Variant("Keywords")}, &keywords), S_OK);
    ASSERT_TRUE(keywords.DispatchVal());
    Variant value;
    ASSERT_EQ(InvokeByName(keywords.DispatchVal(), "Value", DISPATCH_PROPERTYGET, {}, &value), S_OK);
    EXPECT_EQ(value.StrVal(), "");
    ASSERT_EQ(InvokeByName(keywords.DispatchVal(), "value", DISPATCH_PROPERTYPUT, {Variant("alpha, beta")}, nullptr), S_OK);
    ASSERT_EQ(InvokeByName(keywords.DispatchVal(), "Value", DISPATCH_PROPERTYGET, {}, &value), S_OK);
    EXPECT_EQ(value.StrVal(), "alpha, beta");
    VARIANT_BOOL saved = VARIANT_TRUE;
    spDoc->get_Saved(&saved);
    EXPECT_EQ(saved, VARIANT_FALSE);

    Variant author;
    ASSERT_EQ(InvokeByName(spProps.Get(), "Item", DISPATCH_PROPERTYGET, {Variant("Author")}, &author), S_OK);
    ASSERT_EQ(InvokeByName(author.DispatchVal(), "Value", DISPATCH_PROPERTYPUT, {Variant("Corvenna")}, nullptr), S_OK);
    Variant none;
    EXPECT_EQ(InvokeByName(spProps.Get(), "Item", DISPATCH_PROPERTYGET, {Variant("Nonsense")}, &none), E_INVALIDARG);
    Variant count;
    ASSERT_EQ(InvokeByName(spProps.Get(), "Count", DISPATCH_PROPERTYGET, {}, &count), S_OK);
    EXPECT_GE(count.ToInt32(), 4);

    ASSERT_EQ(spDoc->Save(), S_OK);
    Variant m = Variant::Missing();
    ASSERT_EQ(spDoc->Close(m, m, m), S_OK);
    EXPECT_TRUE(FAILED(InvokeByName(keywords.DispatchVal(), "Value", DISPATCH_PROPERTYGET, {}, &value)))
        << "the property of a closed document fails";

    ASSERT_TRUE(office.Model().Open(a, 0, nullptr));
    ASSERT_EQ(spApp->get_ActiveDocument(&spDoc), S_OK);
    ASSERT_EQ(spDoc->get_BuiltInDocumentProperties(&spProps), S_OK);
    ASSERT_EQ(InvokeByName(spProps.Get(), "Item", DISPATCH_PROPERTYGET, {Variant("Keywords")}, &keywords), S_OK);
    ASSERT_EQ(InvokeByName(keywords.DispatchVal(), "Value", DISPATCH_PROPERTYGET, {}, &value), S_OK);
    EXPECT_EQ(value.StrVal(), "alpha, beta");
    EXPECT_EQ(office.Model().Active()->Property("Author"), "Corvenna");
}

TEST(SimOfficeEvents, PowerPointViewSlidesAndBitmaps)
{
    quillmark::test::EnsureGuiApp();
    TempDir dir;
    std::string a = dir.WriteFile("a.ppt", "a"), b = dir.WriteFile("b.ppt", "b");
    SimOffice office(HostKind::PowerPoint);
    office.Model().SetDefaultSlideCount(4);
    SimDocument* pA = office.Model().Open(a, 6, nullptr);
    ASSERT_TRUE(pA);
    auto spApp = ComPtr<IDispatch>(office.Application()).As<powerpoint::_Application>();

    ComPtr<powerpoint::DocumentWindow> spWindow;
    ASSERT_EQ(spApp->get_ActiveWindow(&spWindow), S_OK);
    ComPtr<powerpoint::View> spView;
    ASSERT_EQ(spWindow->get_View(&spView), S_OK);
    powerpoint::PpViewType type = 0;
    spView->get_Type(&type);
    EXPECT_EQ(type, powerpoint::ppViewNormal);
    ASSERT_EQ(spView->GotoSlide(5), S_OK);
    ComPtr<powerpoint::Panes> spPanes;
    ASSERT_EQ(spWindow->get_Panes(&spPanes), S_OK);
    ComPtr<powerpoint::Pane> spPane;
    ASSERT_EQ(spPanes->Item(2, &spPane), S_OK);
    ASSERT_EQ(spPane->Activate(), S_OK);
    office::MsoTriState active = office::msoFalse;
    spPane->get_Active(&active);
    EXPECT_EQ(active, office::msoTrue);
    EXPECT_EQ(spPanes->Item(4, &spPane), E_INVALIDARG);

    ComPtr<IDispatch> spSlideDisp;
    ASSERT_EQ(spView->get_Slide(&spSlideDisp), S_OK);
    auto spSlide = spSlideDisp.As<powerpoint::_Slide>();
    ASSERT_TRUE(spSlide);
    std::int32_t index = 0;
    spSlide->get_SlideIndex(&index);
    EXPECT_EQ(index, 5);

    // Slide 3 of b behind the current slide 5: position 6, the view stays on 5.
    ComPtr<powerpoint::_Presentation> spPres;
    ASSERT_EQ(spApp->get_ActivePresentation(&spPres), S_OK);
    ComPtr<powerpoint::Slides> spSlides;
    ASSERT_EQ(spPres->get_Slides(&spSlides), S_OK);
    std::int32_t inserted = 0;
    ASSERT_EQ(spSlides->InsertFromFile(b, index, 3, 3, &inserted), S_OK);
    EXPECT_EQ(inserted, 1);
    std::int32_t count = 0;
    spSlides->get_Count(&count);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(pA->Slides()[5].text, "b.ppt - slide 3");
    spSlide->get_SlideIndex(&index);
    EXPECT_EQ(index, 5);
    ASSERT_EQ(spSlides->InsertFromFile(b, 0, 1, 1, &inserted), S_OK);
    spSlide->get_SlideIndex(&index);
    EXPECT_EQ(index, 6) << "a slide object follows its slide";
    EXPECT_EQ(spSlides->InsertFromFile(b, 0, 2, 9, &inserted), E_INVALIDARG);

    std::string folder = dir / "out";
    ASSERT_EQ(spPres->SaveCopyAs(folder, powerpoint::ppSaveAsBMP, office::msoFalse), S_OK);
    EXPECT_EQ(files::ListFiles(folder, "*.BMP").size(), 8u);
    EXPECT_TRUE(files::Exists(folder + "/Slide8.BMP"));
    std::string name;
    spPres->get_FullName(&name);
    EXPECT_EQ(name, a);
}
