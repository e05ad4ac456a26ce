#pragma once
// What Word's and PowerPoint's automation objects have in common, written once
// over each host's own interfaces: the document object's name, properties, save
// and close; the document window; the open-documents collection; and the
// application object with its command bars and event connection point.
#include "officecore/appcore.h"

#include <memory>
#include <string>

namespace quillmark::officecore {

// Hands out `sp` as interface I (the caller's reference); E_FAIL for none.
template <class I, class T>
HRESULT HandOut(const ComPtr<T>& sp, I** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!sp) return E_FAIL;
    return sp->QueryInterface(I::Iid, reinterpret_cast<void**>(out));
}

// A new object T over a document's link, as IDispatch.
template <class T>
ComPtr<IDispatch> MakeLinked(const DocLinkPtr& link)
{
    ComPtr<T> sp = MakeComObject<T>(link);
    return ComPtr<IDispatch>(sp.Get());
}

// A document's object (Word's _Document, PowerPoint's _Presentation). Every call
// fails once the document is closed.
template <class I>
class DocumentObjectBase : public DispatchObject<I> {
public:
    explicit DocumentObjectBase(DocLinkPtr link) : m_link(std::move(link)) {}

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
    HRESULT Save() override
    {
        if (!Doc()) return E_FAIL;
        return Model().Save(Doc(), {}, nullptr) ? S_OK : E_FAIL;
    }

protected:
    OfficeDocument* Doc() const { return m_link->pDoc; }
    Office& Model() const { return m_link->pApp->Model(); }

    // Saved = false marks the document changed; true changes nothing.
    HRESULT PutSaved(bool bSaved)
    {
        if (!Doc()) return E_FAIL;
        if (!bSaved) Doc()->MarkChanged();
        return S_OK;
    }
    HRESULT SaveTo(const std::string& path)
    {
        if (!Doc()) return E_FAIL;
        if (path.empty()) return E_INVALIDARG;
        return Model().Save(Doc(), path, nullptr) ? S_OK : E_FAIL;
    }
    // Closes the document, saving it first when asked and it has a file.
    HRESULT CloseDocument(bool bSaveFirst)
    {
        if (!Doc()) return E_FAIL;
        if (bSaveFirst && Doc()->HasFile() && !Model().Save(Doc(), {}, nullptr)) return E_FAIL;
        ComPtr<I> self(this); // the model lets go of this object while closing
        return Model().Close(Doc()) ? S_OK : E_FAIL;
    }

    DocLinkPtr m_link;
};

// A document's window (Word's Window, PowerPoint's DocumentWindow).
template <class I>
class WindowObjectBase : public DispatchObject<I> {
public:
    explicit WindowObjectBase(DocLinkPtr link) : m_link(std::move(link)) {}

    HRESULT Activate() override
    {
        if (!m_link->pDoc) return E_FAIL;
        return m_link->pApp->Model().Activate(m_link->pDoc) ? S_OK : E_FAIL;
    }

protected:
    // The window's document as interface D.
    template <class D>
    HRESULT GetDocument(D** document)
    {
        if (!document) return E_POINTER;
        *document = nullptr;
        if (!m_link->pDoc) return E_FAIL;
        return HandOut(m_link->pApp->DocumentObject(*m_link->pDoc), document);
    }

    DocLinkPtr m_link;
};

// The collection of open documents (Documents, Presentations) handing out D.
template <class I, class D>
class DocumentsObjectBase : public DispatchObject<I> {
public:
    DocumentsObjectBase(AppCore* pApp, IUnknown* pKeep) : m_pApp(pApp), m_spKeep(pKeep) {}

    HRESULT get_Count(std::int32_t* count) override { return GetValue(count, m_pApp->Model().Count()); }
    // By full name or by 1-based number.
    HRESULT Item(const Variant& index, D** document) override
    {
        if (!document) return E_POINTER;
        *document = nullptr;
        OfficeDocument* pDoc = nullptr;
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

protected:
    // `document` may be null when the caller wants no reference.
    HRESULT OpenDocument(const std::string& path, D** document)
    {
        if (document) *document = nullptr;
        if (path.empty()) return E_INVALIDARG;
        return Result(m_pApp->Model().Open(path, 0, nullptr), document);
    }
    HRESULT AddDocument(D** document)
    {
        if (document) *document = nullptr;
        return Result(m_pApp->Model().New(), document);
    }

private:
    HRESULT Result(OfficeDocument* pDoc, D** document)
    {
        if (!pDoc) return E_FAIL;
        if (!document) return S_OK;
        return HandOut(m_pApp->DocumentObject(*pDoc), document);
    }

    AppCore* m_pApp;
    ComPtr<IUnknown> m_spKeep; // the application, kept alive while the collection is held
};

// The application object (interface I) firing `Events`, whose documents and
// windows are DocObject and WinObject.
template <class I, class Events, class DocObject, class WinObject>
class HostAppBase : public DispatchObject<I, IConnectionPointContainer>, public AppCore {
public:
    explicit HostAppBase(Office& model)
        : AppCore(model), m_pPoints(std::make_unique<ConnectionPointList>(this))
    {
        m_pPoints->Add(Events::Iid);
    }
    ~HostAppBase() override { Shutdown(); }

    HRESULT get_CommandBars(office::CommandBars** bars) override
    {
        if (!bars) return E_POINTER;
        return ComPtr<office::CommandBars>(m_spBars.Get()).CopyTo(bars);
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

    IDispatch* AppDispatch() override { return static_cast<I*>(this); }

protected:
    // The active document (D) or its window (W); E_FAIL when no document is open.
    template <class D>
    HRESULT GetActiveDocument(D** document)
    {
        if (!document) return E_POINTER;
        *document = nullptr;
        OfficeDocument* pDoc = Model().Active();
        if (!pDoc) return E_FAIL;
        return HandOut(DocumentObject(*pDoc), document);
    }
    template <class W>
    HRESULT GetActiveWindow(W** window)
    {
        if (!window) return E_POINTER;
        *window = nullptr;
        OfficeDocument* pDoc = Model().Active();
        if (!pDoc) return E_FAIL;
        return HandOut(WindowObject(*pDoc), window);
    }
    // A new collection object C of the open documents, as interface Col.
    template <class C, class Col>
    HRESULT GetDocuments(Col** documents)
    {
        if (!documents) return E_POINTER;
        ComPtr<C> sp = MakeComObject<C>(this, static_cast<I*>(this));
        return ComPtr<Col>(sp.Get()).CopyTo(documents);
    }

    ComPtr<IDispatch> MakeDocumentObject(const DocLinkPtr& link) override { return MakeLinked<DocObject>(link); }
    ComPtr<IDispatch> MakeWindowObject(const DocLinkPtr& link) override { return MakeLinked<WinObject>(link); }
    const IID& EventIid() const override { return Events::Iid; }
    ConnectionPointList* Points() override { return m_pPoints.get(); }
    void DropEventSinks() override { m_pPoints.reset(); }

private:
    std::unique_ptr<ConnectionPointList> m_pPoints;
};

// The application object of type App as the host's IDispatch; `pCore` gets its host side.
template <class App>
ComPtr<IDispatch> MakeHostApp(Office& model, AppCore*& pCore)
{
    ComPtr<App> sp = MakeComObject<App>(model);
    pCore = sp.Get();
    return ComPtr<IDispatch>(sp->AppDispatch());
}

} // namespace quillmark::officecore
