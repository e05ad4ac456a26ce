#include "simoffice/wordobjects.h"

#include "officeapi/word.h"

namespace quillmark::simoffice {

using namespace quillmark::word;

namespace {

template <class I, class T>
HRESULT HandOut(const ComPtr<T>& sp, I** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!sp) return E_FAIL;
    return sp->QueryInterface(I::Iid, reinterpret_cast<void**>(out));
}

class WordDocument final : public DispatchObject<_Document> {
public:
    explicit WordDocument(DocLinkPtr link) : m_link(std::move(link)) {}

    HRESULT get_FullName(std::string* fullName) override
    {
        if (!fullName) return E_POINTER;
        if (!Doc()) return E_FAIL;
        *fullName = Doc()->FullName();
        return S_OK;
    }
    HRESULT get_Name(std::string* name) override
    {
        if (!name) return E_POINTER;
        if (!Doc()) return E_FAIL;
        *name = Doc()->Name();
        return S_OK;
    }
    HRESULT get_BuiltInDocumentProperties(IDispatch** properties) override
    {
        if (!properties) return E_POINTER;
        *properties = nullptr;
        if (!Doc()) return E_FAIL;
        return MakePropertiesObject(m_link).CopyTo(properties);
    }
    HRESULT get_Saved(VARIANT_BOOL* saved) override
    {
        if (!saved) return E_POINTER;
        if (!Doc()) return E_FAIL;
        *saved = Doc()->Saved() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT put_Saved(VARIANT_BOOL saved) override
    {
        if (!Doc()) return E_FAIL;
        if (saved == VARIANT_FALSE) Doc()->MarkChanged();
        return S_OK;
    }
    HRESULT Save() override
    {
        if (!Doc()) return E_FAIL;
        return m_link->pApp->Model().Save(Doc(), {}, nullptr) ? S_OK : E_FAIL;
    }
    HRESULT SaveAs(const Variant& fileName) override
    {
        if (!Doc()) return E_FAIL;
        std::string path;
        if (!ArgText(fileName, path)) path = Doc()->HasFile() ? Doc()->FullName() : std::string();
        if (path.empty()) return E_INVALIDARG;
        return m_link->pApp->Model().Save(Doc(), path, nullptr) ? S_OK : E_FAIL;
    }
    HRESULT Activate() override
    {
        if (!Doc()) return E_FAIL;
        return m_link->pApp->Model().Activate(Doc()) ? S_OK : E_FAIL;
    }
    HRESULT Close(const Variant& saveChanges, const Variant&, const Variant&) override
    {
        if (!Doc()) return E_FAIL;
        // wdSaveChanges (-1) saves first; anything else closes without saving.
        Variant number;
        if (!saveChanges.IsMissing() && SUCCEEDED(saveChanges.ConvertTo(VT_I4, number)) && number.I4Val() == -1 &&
            Doc()->HasFile()) {
            if (!m_link->pApp->Model().Save(Doc(), {}, nullptr)) return E_FAIL;
        }
        ComPtr<_Document> self(this);
        return m_link->pApp->Model().Close(Doc()) ? S_OK : E_FAIL;
    }

private:
    SimDocument* Doc() const { return m_link->pDoc; }
    DocLinkPtr m_link;
};

class WordWindow final : public DispatchObject<Window> {
public:
    explicit WordWindow(DocLinkPtr link) : m_link(std::move(link)) {}
    HRESULT get_Document(_Document** document) override
    {
        if (!document) return E_POINTER;
        *document = nullptr;
        if (!m_link->pDoc) return E_FAIL;
        return HandOut(m_link->pApp->DocumentObject(*m_link->pDoc), document);
    }
    HRESULT Activate() override
    {
        if (!m_link->pDoc) return E_FAIL;
        return m_link->pApp->Model().Activate(m_link->pDoc) ? S_OK : E_FAIL;
    }

private:
    DocLinkPtr m_link;
};

class WordDocuments final : public DispatchObject<Documents> {
public:
    WordDocuments(AppCore* pApp, IUnknown* pKeep) : m_pApp(pApp), m_spKeep(pKeep) {}

    HRESULT get_Count(std::int32_t* count) override
    {
        if (!count) return E_POINTER;
        *count = m_pApp->Model().Count();
        return S_OK;
    }
    HRESULT Item(const Variant& index, _Document** document) override
    {
        if (!document) return E_POINTER;
        *document = nullptr;
        SimDocument* pDoc = nullptr;
        if (index.Type() == VT_BSTR) {
            pDoc = m_pApp->Model().Find(index.StrVal());
        } else {
            Variant number;
            if (FAILED(index.ConvertTo(VT_I4, number))) return DISP_E_TYPEMISMATCH;
            pDoc = m_pApp->Model().Item(number.I4Val());
        }
        if (!pDoc) return E_INVALIDARG;
        return HandOut(m_pApp->DocumentObject(*pDoc), document);
    }
    HRESULT Open(const Variant& fileName, const Variant&, const Variant&, const Variant&, const Variant&,
                 const Variant&, const Variant&, const Variant&, const Variant&, const Variant&, const Variant&,
                 const Variant&, const Variant&, const Variant&, const Variant&, const Variant&,
                 _Document** document) override
    {
        if (document) *document = nullptr;
        std::string path;
        if (!ArgText(fileName, path) || path.empty()) return E_INVALIDARG;
        SimDocument* pDoc = m_pApp->Model().Open(path, 0, nullptr);
        if (!pDoc) return E_FAIL;
        if (!document) return S_OK;
        return HandOut(m_pApp->DocumentObject(*pDoc), document);
    }
    HRESULT Add(const Variant&, const Variant&, const Variant&, const Variant&, _Document** document) override
    {
        if (document) *document = nullptr;
        SimDocument* pDoc = m_pApp->Model().New();
        if (!pDoc) return E_FAIL;
        if (!document) return S_OK;
        return HandOut(m_pApp->DocumentObject(*pDoc), document);
    }

private:
    AppCore* m_pApp;
    ComPtr<IUnknown> m_spKeep; // the application, kept alive while the collection is held
};

class WordApp final : public DispatchObject<_Application, IConnectionPointContainer>, public AppCore {
public:
    explicit WordApp(OfficeModel& model) : AppCore(model), m_pPoints(std::make_unique<ConnectionPointList>(this))
    {
        m_pPoints->Add(ApplicationEvents::Iid);
    }
    ~WordApp() override { Shutdown(); }

    HRESULT get_CommandBars(office::CommandBars** bars) override
    {
        if (!bars) return E_POINTER;
        return ComPtr<office::CommandBars>(m_spBars.Get()).CopyTo(bars);
    }
    HRESULT get_ActiveDocument(_Document** document) override
    {
        if (!document) return E_POINTER;
        *document = nullptr;
        SimDocument* pDoc = Model().Active();
        if (!pDoc) return E_FAIL; // "no document is open"
        return HandOut(DocumentObject(*pDoc), document);
    }
    HRESULT get_Documents(Documents** documents) override
    {
        if (!documents) return E_POINTER;
        ComPtr<WordDocuments> sp = MakeComObject<WordDocuments>(this, static_cast<_Application*>(this));
        return ComPtr<Documents>(sp.Get()).CopyTo(documents);
    }
    HRESULT get_ActiveWindow(Window** window) override
    {
        if (!window) return E_POINTER;
        *window = nullptr;
        SimDocument* pDoc = Model().Active();
        if (!pDoc) return E_FAIL;
        return HandOut(WindowObject(*pDoc), window);
    }
    HRESULT get_Name(std::string* name) override
    {
        if (!name) return E_POINTER;
        *name = "Microsoft Word";
        return S_OK;
    }

    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override
    {
        if (ppEnum) *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override
    {
        if (!m_pPoints) {
            if (ppCP) *ppCP = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        return m_pPoints->Find(riid, ppCP);
    }

    IDispatch* AppDispatch() override { return static_cast<_Application*>(this); }

protected:
    ComPtr<IDispatch> MakeDocumentObject(const DocLinkPtr& link) override
    {
        ComPtr<WordDocument> sp = MakeComObject<WordDocument>(link);
        return ComPtr<IDispatch>(sp.Get());
    }
    ComPtr<IDispatch> MakeWindowObject(const DocLinkPtr& link) override
    {
        ComPtr<WordWindow> sp = MakeComObject<WordWindow>(link);
        return ComPtr<IDispatch>(sp.Get());
    }
    const IID& EventIid() const override { return ApplicationEvents::Iid; }
    ConnectionPointList* Points() override { return m_pPoints.get(); }
    void DropEventSinks() override { m_pPoints.reset(); }

private:
    std::unique_ptr<ConnectionPointList> m_pPoints;
};

} // namespace

ComPtr<IDispatch> MakeWordApplication(OfficeModel& model, AppCore*& pCore)
{
    ComPtr<WordApp> sp = MakeComObject<WordApp>(model);
    pCore = sp.Get();
    return ComPtr<IDispatch>(static_cast<_Application*>(sp.Get()));
}

} // namespace quillmark::simoffice
