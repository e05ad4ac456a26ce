#pragma once
// Wrappers of Word's interfaces (see wrapperbase.h): every call throws
// ComError on failure.
#include "officeapi/commandbarswrappers.h"
#include "officeapi/word.h"

namespace quillmark::word {

namespace wrap = office::wrap;

class _DocumentPtr : public ComPtr<_Document> {
public:
    using ComPtr::ComPtr;
    _DocumentPtr(const ComPtr<_Document>& p) : ComPtr(p) {}

    std::string GetFullName() const { return wrap::Get(*this, &_Document::get_FullName, "Document.FullName"); }
    std::string GetName() const { return wrap::Get(*this, &_Document::get_Name, "Document.Name"); }
    ComPtr<IDispatch> GetBuiltInDocumentProperties() const
    {
        return wrap::GetObject(*this, &_Document::get_BuiltInDocumentProperties, "Document.BuiltInDocumentProperties");
    }
    bool GetSaved() const { return wrap::GetBool(*this, &_Document::get_Saved, "Document.Saved"); }
    void PutSaved(bool v) const { wrap::Call(*this, &_Document::put_Saved, "Document.Saved", wrap::ToVariantBool(v)); }
    void Save() const { wrap::Call(*this, &_Document::Save, "Document.Save"); }
    void SaveAs(const Variant& fileName) const { wrap::Call(*this, &_Document::SaveAs, "Document.SaveAs", fileName); }
    void Activate() const { wrap::Call(*this, &_Document::Activate, "Document.Activate"); }
    void Close(const Variant& saveChanges = Variant::Missing(), const Variant& originalFormat = Variant::Missing(),
               const Variant& routeDocument = Variant::Missing()) const
    {
        wrap::Call(*this, &_Document::Close, "Document.Close", saveChanges, originalFormat, routeDocument);
    }
};

class DocumentsPtr : public ComPtr<Documents> {
public:
    using ComPtr::ComPtr;
    DocumentsPtr(const ComPtr<Documents>& p) : ComPtr(p) {}

    std::int32_t GetCount() const { return wrap::Get(*this, &Documents::get_Count, "Documents.Count"); }
    _DocumentPtr Item(const Variant& index) const { return wrap::GetObject(*this, &Documents::Item, "Documents.Item", index); }
    // The sixteen arguments of Documents.Open; all but the file name default to missing.
    _DocumentPtr Open(const Variant& fileName, const Variant& confirmConversions = Variant::Missing(),
                      const Variant& readOnly = Variant::Missing(), const Variant& addToRecentFiles = Variant::Missing(),
                      const Variant& passwordDocument = Variant::Missing(),
                      const Variant& passwordTemplate = Variant::Missing(), const Variant& revert = Variant::Missing(),
                      const Variant& writePasswordDocument = Variant::Missing(),
                      const Variant& writePasswordTemplate = Variant::Missing(),
                      const Variant& format = Variant::Missing(), const Variant& encoding = Variant::Missing(),
                      const Variant& visible = Variant::Missing(), const Variant& openAndRepair = Variant::Missing(),
                      const Variant& documentDirection = Variant::Missing(),
                      const Variant& noEncodingDialog = Variant::Missing(),
                      const Variant& xmlTransform = Variant::Missing()) const
    {
        return wrap::GetObject(*this, &Documents::Open, "Documents.Open", fileName, confirmConversions, readOnly,
                               addToRecentFiles, passwordDocument, passwordTemplate, revert, writePasswordDocument,
                               writePasswordTemplate, format, encoding, visible, openAndRepair, documentDirection,
                               noEncodingDialog, xmlTransform);
    }
    _DocumentPtr Add(const Variant& templateName = Variant::Missing(), const Variant& newTemplate = Variant::Missing(),
                     const Variant& documentType = Variant::Missing(), const Variant& visible = Variant::Missing()) const
    {
        return wrap::GetObject(*this, &Documents::Add, "Documents.Add", templateName, newTemplate, documentType, visible);
    }
};

class WindowPtr : public ComPtr<Window> {
public:
    using ComPtr::ComPtr;
    WindowPtr(const ComPtr<Window>& p) : ComPtr(p) {}

    _DocumentPtr GetDocument() const { return wrap::GetObject(*this, &Window::get_Document, "Window.Document"); }
    void Activate() const { wrap::Call(*this, &Window::Activate, "Window.Activate"); }
};

class _ApplicationPtr : public ComPtr<_Application> {
public:
    using ComPtr::ComPtr;
    _ApplicationPtr(const ComPtr<_Application>& p) : ComPtr(p) {}

    office::CommandBarsPtr GetCommandBars() const
    {
        return wrap::GetObject(*this, &_Application::get_CommandBars, "Application.CommandBars");
    }
    _DocumentPtr GetActiveDocument() const
    {
        return wrap::GetObject(*this, &_Application::get_ActiveDocument, "Application.ActiveDocument");
    }
    DocumentsPtr GetDocuments() const { return wrap::GetObject(*this, &_Application::get_Documents, "Application.Documents"); }
    WindowPtr GetActiveWindow() const
    {
        return wrap::GetObject(*this, &_Application::get_ActiveWindow, "Application.ActiveWindow");
    }
    std::string GetName() const { return wrap::Get(*this, &_Application::get_Name, "Application.Name"); }
};

} // namespace quillmark::word
