#include "officecore/wordobjects.h"

#include "officeapi/word.h"
#include "officecore/hostobjects.h"

namespace quillmark::officecore {

using namespace quillmark::word;

namespace {

class WordDocument final : public DocumentObjectBase<_Document> {
public:
    using DocumentObjectBase::DocumentObjectBase;

    HRESULT get_Saved(VARIANT_BOOL* saved) override
    {
        if (!saved) return E_POINTER;
        if (!Doc()) return E_FAIL;
        *saved = Doc()->Saved() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT put_Saved(VARIANT_BOOL saved) override { return PutSaved(saved != VARIANT_FALSE); }
    HRESULT SaveAs(const Variant& fileName) override
    {
        if (!Doc()) return E_FAIL;
        std::string path;
        if (!ArgText(fileName, path)) path = Doc()->HasFile() ? Doc()->FullName() : std::string();
        return SaveTo(path);
    }
    HRESULT Activate() override
    {
        if (!Doc()) return E_FAIL;
        return Model().Activate(Doc()) ? S_OK : E_FAIL;
    }
    HRESULT Close(const Variant& saveChanges, const Variant&, const Variant&) override
    {
        // wdSaveChanges (-1) saves first; anything else closes without saving.
        Variant number;
        const bool bSave = !saveChanges.IsMissing() && SUCCEEDED(saveChanges.ConvertTo(VT_I4, number)) &&
                           number.I4Val() == -1;
        return CloseDocument(bSave);
    }
};

class WordWindow final : public WindowObjectBase<Window> {
public:
    using WindowObjectBase::WindowObjectBase;
    HRESULT get_Document(_Document** document) override { return GetDocument(document); }
};

class WordDocuments final : public DocumentsObjectBase<Documents, _Document> {
public:
    using DocumentsObjectBase::DocumentsObjectBase;

    HRESULT Open(const Variant& fileName, const Variant&, const Variant&, const Variant&, const Variant&,
                 const Variant&, const Variant&, const Variant&, const Variant&, const Variant&, const Variant&,
                 const Variant&, const Variant&, const Variant&, const Variant&, const Variant&,
                 _Document** document) override
    {
        std::string path;
        if (!ArgText(fileName, path)) path.clear();
        return OpenDocument(path, document);
    }
    HRESULT Add(const Variant&, const Variant&, const Variant&, const Variant&, _Document** document) override
    {
        return AddDocument(document);
    }
};

class WordApp final : public HostAppBase<_Application, ApplicationEvents, WordDocument, WordWindow> {
public:
    using HostAppBase::HostAppBase;

    HRESULT get_ActiveDocument(_Document** document) override { return GetActiveDocument(document); }
    HRESULT get_Documents(Documents** documents) override { return GetDocuments<WordDocuments>(documents); }
    HRESULT get_ActiveWindow(Window** window) override { return GetActiveWindow(window); }
    HRESULT get_Name(std::string* name) override { return GetValue(name, std::string("Microsoft Word")); }
};

} // namespace

ComPtr<IDispatch> MakeWordApplication(Office& model, AppCore*& pCore)
{
    return MakeHostApp<WordApp>(model, pCore);
}

} // namespace quillmark::officecore
