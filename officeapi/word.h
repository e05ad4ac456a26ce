#pragma once
// The part of Word's object model the add-in uses: the application, its
// documents and windows, and the application events. Interface ids are those
// of Word's type library.
#include <cstdint>
#include <string>

#include "officeapi/commandbars.h"
#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

namespace quillmark::word {

struct _Document;
struct Documents;
struct Window;

struct _Application : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{00020970-0000-0000-C000-000000000046}");

    virtual HRESULT get_CommandBars(office::CommandBars** bars) = 0;
    // Fails (and gives null) when no document is open.
    virtual HRESULT get_ActiveDocument(_Document** document) = 0;
    virtual HRESULT get_Documents(Documents** documents) = 0;
    // Fails (and gives null) when no document window is open.
    virtual HRESULT get_ActiveWindow(Window** window) = 0;
    virtual HRESULT get_Name(std::string* name) = 0;
};

struct Documents : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{0002096C-0000-0000-C000-000000000046}");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    // By 1-based index or by name / full name.
    virtual HRESULT Item(const Variant& index, _Document** document) = 0;
    // Opens a file; it becomes the active document. Only FileName is required,
    // every other argument may be missing.
    virtual HRESULT Open(const Variant& fileName, const Variant& confirmConversions, const Variant& readOnly,
                         const Variant& addToRecentFiles, const Variant& passwordDocument,
                         const Variant& passwordTemplate, const Variant& revert,
                         const Variant& writePasswordDocument, const Variant& writePasswordTemplate,
                         const Variant& format, const Variant& encoding, const Variant& visible,
                         const Variant& openAndRepair, const Variant& documentDirection,
                         const Variant& noEncodingDialog, const Variant& xmlTransform, _Document** document) = 0;
    // A new, never-saved document ("Document1", ...). Arguments may be missing.
    virtual HRESULT Add(const Variant& templateName, const Variant& newTemplate, const Variant& documentType,
                        const Variant& visible, _Document** document) = 0;
};

struct _Document : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{0002096B-0000-0000-C000-000000000046}");

    // Full path of a saved document; the bare name of one never saved.
    virtual HRESULT get_FullName(std::string* fullName) = 0;
    virtual HRESULT get_Name(std::string* name) = 0;
    // The built-in properties collection, reached late-bound: Item(name) gives a
    // property object whose Value is read and written.
    virtual HRESULT get_BuiltInDocumentProperties(IDispatch** properties) = 0;
    virtual HRESULT get_Saved(VARIANT_BOOL* saved) = 0;
    virtual HRESULT put_Saved(VARIANT_BOOL saved) = 0;
    virtual HRESULT Save() = 0;
    virtual HRESULT SaveAs(const Variant& fileName) = 0;
    virtual HRESULT Activate() = 0;
    // Arguments may be missing.
    virtual HRESULT Close(const Variant& saveChanges, const Variant& originalFormat,
                          const Variant& routeDocument) = 0;
};

struct Window : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{00020962-0000-0000-C000-000000000046}");

    virtual HRESULT get_Document(_Document** document) = 0;
    virtual HRESULT Activate() = 0;
};

// Word's application events (a dispinterface). Arguments arrive last-first.
struct ApplicationEvents : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{00020A00-0000-0000-C000-000000000046}");
};
inline constexpr DISPID DISPID_Word_DocumentOpen = 4;        // (Doc)
inline constexpr DISPID DISPID_Word_DocumentBeforeClose = 6; // (Doc, Cancel byref bool)
inline constexpr DISPID DISPID_Word_DocumentBeforeSave = 8;  // (Doc, SaveAsUI byref bool, Cancel byref bool)
inline constexpr DISPID DISPID_Word_WindowActivate = 10;     // (Doc, Wn)

} // namespace quillmark::word
