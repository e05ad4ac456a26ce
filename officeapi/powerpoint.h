#pragma once
// The part of PowerPoint's object model the add-in uses: the application,
// presentations and their slides, document windows with their view and panes,
// and the application events. Interface ids are those of PowerPoint's type library.
#include <cstdint>
#include <string>

#include "officeapi/commandbars.h"
#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

namespace quillmark::powerpoint {

using office::MsoTriState;

using PpSaveAsFileType = std::int32_t;
inline constexpr PpSaveAsFileType ppSaveAsPresentation = 1;
inline constexpr PpSaveAsFileType ppSaveAsDefault = 11;
inline constexpr PpSaveAsFileType ppSaveAsJPG = 17;
inline constexpr PpSaveAsFileType ppSaveAsPNG = 18;
inline constexpr PpSaveAsFileType ppSaveAsBMP = 19;  // one bitmap per slide: Slide1.BMP, Slide2.BMP, ...

using PpViewType = std::int32_t;
inline constexpr PpViewType ppViewSlide = 1;
inline constexpr PpViewType ppViewOutline = 6;
inline constexpr PpViewType ppViewSlideSorter = 7;
inline constexpr PpViewType ppViewNormal = 9;

struct _Presentation;
struct Presentations;
struct DocumentWindow;
struct Slides;
struct _Slide;
struct View;
struct Panes;
struct Pane;

struct _Application : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{91493442-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_CommandBars(office::CommandBars** bars) = 0;
    // Fails (and gives null) when no presentation is open.
    virtual HRESULT get_ActivePresentation(_Presentation** presentation) = 0;
    virtual HRESULT get_Presentations(Presentations** presentations) = 0;
    // Fails (and gives null) when no document window is open.
    virtual HRESULT get_ActiveWindow(DocumentWindow** window) = 0;
    virtual HRESULT get_Name(std::string* name) = 0;
};

struct Presentations : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{91493462-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT Item(const Variant& index, _Presentation** presentation) = 0;
    // Opens a file; with WithWindow true it gets a window and becomes active.
    virtual HRESULT Open(const std::string& fileName, MsoTriState readOnly, MsoTriState untitled,
                         MsoTriState withWindow, _Presentation** presentation) = 0;
    // A new, never-saved presentation ("Presentation1", ...) with one slide.
    virtual HRESULT Add(MsoTriState withWindow, _Presentation** presentation) = 0;
};

struct _Presentation : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{9149349D-5A91-11CF-8700-00AA0060263B}");

    // Full path of a saved presentation; the bare name of one never saved.
    virtual HRESULT get_FullName(std::string* fullName) = 0;
    virtual HRESULT get_Name(std::string* name) = 0;
    // Reached late-bound, as for Word documents (Item(name), Value).
    virtual HRESULT get_BuiltInDocumentProperties(IDispatch** properties) = 0;
    virtual HRESULT get_Slides(Slides** slides) = 0;
    virtual HRESULT get_Saved(MsoTriState* saved) = 0;
    virtual HRESULT put_Saved(MsoTriState saved) = 0;
    virtual HRESULT Save() = 0;
    virtual HRESULT SaveAs(const std::string& fileName, PpSaveAsFileType fileFormat,
                           MsoTriState embedTrueTypeFonts) = 0;
    // Writes a copy; the presentation keeps its own name and saved state. With
    // ppSaveAsBMP, `fileName` is a folder that receives one bitmap per slide.
    virtual HRESULT SaveCopyAs(const std::string& fileName, PpSaveAsFileType fileFormat,
                               MsoTriState embedTrueTypeFonts) = 0;
    // Closes without asking.
    virtual HRESULT Close() = 0;
};

struct Slides : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{91493469-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT Item(const Variant& index, _Slide** slide) = 0;
    // Inserts slides slideStart..slideEnd (1-based, inclusive) of the file behind
    // slide `index` (0 = at the front); *count receives how many were inserted.
    virtual HRESULT InsertFromFile(const std::string& fileName, std::int32_t index, std::int32_t slideStart,
                                   std::int32_t slideEnd, std::int32_t* count) = 0;
};

struct _Slide : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{9149346A-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_SlideIndex(std::int32_t* index) = 0;  // 1-based position in the presentation
};

struct DocumentWindow : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{91493457-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_View(View** view) = 0;
    virtual HRESULT get_Panes(Panes** panes) = 0;
    virtual HRESULT get_Presentation(_Presentation** presentation) = 0;
    virtual HRESULT Activate() = 0;
};

struct View : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{91493458-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_Type(PpViewType* type) = 0;
    // The slide shown, as an object to be queried for _Slide; fails when none is.
    virtual HRESULT get_Slide(IDispatch** slide) = 0;
    virtual HRESULT GotoSlide(std::int32_t index) = 0;
};

struct Panes : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{914934CB-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT Item(std::int32_t index, Pane** pane) = 0;  // 1-based
};

struct Pane : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{914934CC-5A91-11CF-8700-00AA0060263B}");

    virtual HRESULT Activate() = 0;
    virtual HRESULT get_Active(MsoTriState* active) = 0;
    virtual HRESULT get_ViewType(PpViewType* type) = 0;
};

// PowerPoint's application events (a dispinterface). Arguments arrive last-first.
struct EApplication : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{914934C2-5A91-11CF-8700-00AA0060263B}");
};
inline constexpr DISPID DISPID_PowerPoint_PresentationClose = 2004;       // (Pres), before it goes
inline constexpr DISPID DISPID_PowerPoint_PresentationSave = 2005;        // (Pres)
inline constexpr DISPID DISPID_PowerPoint_PresentationOpen = 2006;        // (Pres)
inline constexpr DISPID DISPID_PowerPoint_WindowActivate = 2009;          // (Pres, Wn)
inline constexpr DISPID DISPID_PowerPoint_PresentationBeforeSave = 2018;  // (Pres, Cancel byref bool)

} // namespace quillmark::powerpoint
