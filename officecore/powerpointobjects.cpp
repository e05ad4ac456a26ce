#include "officecore/powerpointobjects.h"

#include "officeapi/powerpoint.h"
#include "officecore/hostobjects.h"
#include "officecore/wordobjects.h"

namespace quillmark::officecore {

using namespace quillmark::powerpoint;
using office::msoFalse;
using office::msoTrue;

namespace {

// A new part T of an open presentation (its slides, a window's view or panes) as I.
template <class T, class I>
HRESULT HandOutPart(const DocLinkPtr& link, I** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!link->pDoc) return E_FAIL;
    ComPtr<T> sp = MakeComObject<T>(link);
    return ComPtr<I>(sp.Get()).CopyTo(out);
}

// One slide; it follows its slide through insertions by the slide's id.
class PptSlide final : public DispatchObject<_Slide> {
public:
    PptSlide(DocLinkPtr link, unsigned long long id) : m_link(std::move(link)), m_nId(id) {}
    HRESULT get_SlideIndex(std::int32_t* index) override
    {
        if (!index) return E_POINTER;
        if (!m_link->pDoc) return E_FAIL;
        const OfficeDocument& doc = *m_link->pDoc;
        for (int i = 1; i <= doc.SlideCount(); ++i) {
            if (doc.SlideId(i) == m_nId) {
                *index = i;
                return S_OK;
            }
        }
        return E_FAIL; // the slide was deleted
    }

private:
    DocLinkPtr m_link;
    unsigned long long m_nId;
};

ComPtr<IDispatch> MakeSlide(const DocLinkPtr& link, int index)
{
    if (index < 1 || index > link->pDoc->SlideCount()) return {};
    ComPtr<PptSlide> sp = MakeComObject<PptSlide>(link, link->pDoc->SlideId(index));
    return ComPtr<IDispatch>(sp.Get());
}

class PptSlides final : public DispatchObject<Slides> {
public:
    explicit PptSlides(DocLinkPtr link) : m_link(std::move(link)) {}
    HRESULT get_Count(std::int32_t* count) override
    {
        if (!m_link->pDoc) return E_FAIL;
        return GetValue(count, static_cast<std::int32_t>(m_link->pDoc->SlideCount()));
    }
    HRESULT Item(const Variant& index, _Slide** slide) override
    {
        if (!slide) return E_POINTER;
        *slide = nullptr;
        if (!m_link->pDoc) return E_FAIL;
        Variant number;
        if (FAILED(index.ConvertTo(VT_I4, number))) return DISP_E_TYPEMISMATCH;
        ComPtr<IDispatch> sp = MakeSlide(m_link, number.I4Val());
        if (!sp) return E_INVALIDARG;
        return HandOut(sp, slide);
    }
    HRESULT InsertFromFile(const std::string& fileName, std::int32_t index, std::int32_t slideStart,
                           std::int32_t slideEnd, std::int32_t* count) override
    {
        if (count) *count = 0;
        if (!m_link->pDoc) return E_FAIL;
        int inserted = m_link->pApp->Model().InsertFromFile(*m_link->pDoc, fileName, index, slideStart, slideEnd, nullptr);
        if (inserted < 0) return E_INVALIDARG;
        if (count) *count = inserted;
        return S_OK;
    }

private:
    DocLinkPtr m_link;
};

class PptPresentation final : public DocumentObjectBase<_Presentation> {
public:
    using DocumentObjectBase::DocumentObjectBase;

    HRESULT get_Slides(Slides** slides) override { return HandOutPart<PptSlides>(m_link, slides); }
    HRESULT get_Saved(MsoTriState* saved) override
    {
        if (!Doc()) return E_FAIL;
        return GetValue(saved, Doc()->Saved() ? msoTrue : msoFalse);
    }
    HRESULT put_Saved(MsoTriState saved) override { return PutSaved(saved != msoFalse); }
    HRESULT SaveAs(const std::string& fileName, PpSaveAsFileType, MsoTriState) override { return SaveTo(fileName); }
    HRESULT SaveCopyAs(const std::string& fileName, PpSaveAsFileType fileFormat, MsoTriState) override
    {
        if (!Doc()) return E_FAIL;
        if (fileName.empty()) return E_INVALIDARG;
        Office& model = Model();
        switch (fileFormat) {
        case ppSaveAsBMP:
            return model.ExportSlides(*Doc(), fileName, "BMP", nullptr) ? S_OK : E_FAIL;
        case ppSaveAsJPG:
            return model.ExportSlides(*Doc(), fileName, "JPG", nullptr) ? S_OK : E_FAIL;
        case ppSaveAsPresentation:
        case ppSaveAsDefault:
            return model.SaveCopy(*Doc(), fileName, nullptr) ? S_OK : E_FAIL;
        default:
            return E_INVALIDARG;
        }
    }
    HRESULT Close() override { return CloseDocument(false); }
};

class PptView final : public DispatchObject<View> {
public:
    explicit PptView(DocLinkPtr link) : m_link(std::move(link)) {}
    HRESULT get_Type(PpViewType* type) override
    {
        if (!m_link->pDoc) return E_FAIL;
        return GetValue(type, ppViewNormal);
    }
    HRESULT get_Slide(IDispatch** slide) override
    {
        if (!slide) return E_POINTER;
        *slide = nullptr;
        if (!m_link->pDoc) return E_FAIL;
        ComPtr<IDispatch> sp = MakeSlide(m_link, m_link->pDoc->CurrentSlide());
        if (!sp) return E_FAIL; // no slide shown
        return sp.CopyTo(slide);
    }
    HRESULT GotoSlide(std::int32_t index) override
    {
        if (!m_link->pDoc) return E_FAIL;
        return m_link->pDoc->SetCurrentSlide(index) ? S_OK : E_INVALIDARG;
    }

private:
    DocLinkPtr m_link;
};

class PptPane final : public DispatchObject<Pane> {
public:
    PptPane(DocLinkPtr link, int index) : m_link(std::move(link)), m_nIndex(index) {}
    HRESULT Activate() override
    {
        if (!m_link->pDoc) return E_FAIL;
        m_link->activePane = m_nIndex;
        return S_OK;
    }
    HRESULT get_Active(MsoTriState* active) override
    {
        if (!m_link->pDoc) return E_FAIL;
        return GetValue(active, m_link->activePane == m_nIndex ? msoTrue : msoFalse);
    }
    HRESULT get_ViewType(PpViewType* type) override
    {
        if (!m_link->pDoc) return E_FAIL;
        // ppViewOutline, ppViewSlide, ppViewNotesPage (2)
        static constexpr PpViewType kTypes[] = {ppViewOutline, ppViewSlide, 2};
        return GetValue(type, kTypes[m_nIndex - 1]);
    }

private:
    DocLinkPtr m_link;
    int m_nIndex;
};

class PptPanes final : public DispatchObject<Panes> {
public:
    explicit PptPanes(DocLinkPtr link) : m_link(std::move(link)) {}
    HRESULT get_Count(std::int32_t* count) override
    {
        if (!m_link->pDoc) return E_FAIL;
        return GetValue(count, 3);
    }
    HRESULT Item(std::int32_t index, Pane** pane) override
    {
        if (!pane) return E_POINTER;
        *pane = nullptr;
        if (!m_link->pDoc) return E_FAIL;
        if (index < 1 || index > 3) return E_INVALIDARG;
        ComPtr<PptPane> sp = MakeComObject<PptPane>(m_link, index);
        return ComPtr<Pane>(sp.Get()).CopyTo(pane);
    }

private:
    DocLinkPtr m_link;
};

class PptWindow final : public WindowObjectBase<DocumentWindow> {
public:
    using WindowObjectBase::WindowObjectBase;
    HRESULT get_View(View** view) override { return HandOutPart<PptView>(m_link, view); }
    HRESULT get_Panes(Panes** panes) override { return HandOutPart<PptPanes>(m_link, panes); }
    HRESULT get_Presentation(_Presentation** presentation) override { return GetDocument(presentation); }
};

class PptPresentations final : public DocumentsObjectBase<Presentations, _Presentation> {
public:
    using DocumentsObjectBase::DocumentsObjectBase;

    HRESULT Open(const std::string& fileName, MsoTriState, MsoTriState, MsoTriState,
                 _Presentation** presentation) override
    {
        return OpenDocument(fileName, presentation);
    }
    HRESULT Add(MsoTriState, _Presentation** presentation) override { return AddDocument(presentation); }
};

class PptApp final : public HostAppBase<_Application, EApplication, PptPresentation, PptWindow> {
public:
    using HostAppBase::HostAppBase;

    HRESULT get_ActivePresentation(_Presentation** presentation) override { return GetActiveDocument(presentation); }
    HRESULT get_Presentations(Presentations** presentations) override
    {
        return GetDocuments<PptPresentations>(presentations);
    }
    HRESULT get_ActiveWindow(DocumentWindow** window) override { return GetActiveWindow(window); }
    HRESULT get_Name(std::string* name) override { return GetValue(name, std::string("Microsoft PowerPoint")); }
};

} // namespace

ComPtr<IDispatch> MakePowerPointApplication(Office& model, AppCore*& pCore)
{
    return MakeHostApp<PptApp>(model, pCore);
}

ComPtr<IDispatch> MakeApplication(Office& model, AppCore*& pCore)
{
    return model.Host() == HostKind::Word ? MakeWordApplication(model, pCore) : MakePowerPointApplication(model, pCore);
}

} // namespace quillmark::officecore
