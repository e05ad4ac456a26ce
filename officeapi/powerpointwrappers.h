#pragma once
// Wrappers of PowerPoint's interfaces (see wrapperbase.h): every call throws
// ComError on failure.
#include "officeapi/commandbarswrappers.h"
#include "officeapi/powerpoint.h"

namespace quillmark::powerpoint {

namespace wrap = office::wrap;

class _SlidePtr : public ComPtr<_Slide> {
public:
    using ComPtr::ComPtr;
    _SlidePtr(const ComPtr<_Slide>& p) : ComPtr(p) {}

    std::int32_t GetSlideIndex() const { return wrap::Get(*this, &_Slide::get_SlideIndex, "Slide.SlideIndex"); }
};

class SlidesPtr : public ComPtr<Slides> {
public:
    using ComPtr::ComPtr;
    SlidesPtr(const ComPtr<Slides>& p) : ComPtr(p) {}

    std::int32_t GetCount() const { return wrap::Get(*this, &Slides::get_Count, "Slides.Count"); }
    _SlidePtr Item(const Variant& index) const { return wrap::GetObject(*this, &Slides::Item, "Slides.Item", index); }
    std::int32_t InsertFromFile(const std::string& fileName, std::int32_t index, std::int32_t slideStart = 1,
                                std::int32_t slideEnd = -1) const
    {
        std::int32_t count = 0;
        wrap::Call(*this, &Slides::InsertFromFile, "Slides.InsertFromFile", fileName, index, slideStart, slideEnd, &count);
        return count;
    }
};

class _PresentationPtr : public ComPtr<_Presentation> {
public:
    using ComPtr::ComPtr;
    _PresentationPtr(const ComPtr<_Presentation>& p) : ComPtr(p) {}

    std::string GetFullName() const { return wrap::Get(*this, &_Presentation::get_FullName, "Presentation.FullName"); }
    std::string GetName() const { return wrap::Get(*this, &_Presentation::get_Name, "Presentation.Name"); }
    ComPtr<IDispatch> GetBuiltInDocumentProperties() const
    {
        return wrap::GetObject(*this, &_Presentation::get_BuiltInDocumentProperties,
                               "Presentation.BuiltInDocumentProperties");
    }
    SlidesPtr GetSlides() const { return wrap::GetObject(*this, &_Presentation::get_Slides, "Presentation.Slides"); }
    MsoTriState GetSaved() const { return wrap::Get(*this, &_Presentation::get_Saved, "Presentation.Saved"); }
    void PutSaved(MsoTriState v) const { wrap::Call(*this, &_Presentation::put_Saved, "Presentation.Saved", v); }
    void Save() const { wrap::Call(*this, &_Presentation::Save, "Presentation.Save"); }
    void SaveAs(const std::string& fileName, PpSaveAsFileType fileFormat = ppSaveAsDefault,
                MsoTriState embedTrueTypeFonts = office::msoFalse) const
    {
        wrap::Call(*this, &_Presentation::SaveAs, "Presentation.SaveAs", fileName, fileFormat, embedTrueTypeFonts);
    }
    void SaveCopyAs(const std::string& fileName, PpSaveAsFileType fileFormat = ppSaveAsDefault,
                    MsoTriState embedTrueTypeFonts = office::msoFalse) const
    {
        wrap::Call(*this, &_Presentation::SaveCopyAs, "Presentation.SaveCopyAs", fileName, fileFormat,
                   embedTrueTypeFonts);
    }
    void Close() const { wrap::Call(*this, &_Presentation::Close, "Presentation.Close"); }
};

class PresentationsPtr : public ComPtr<Presentations> {
public:
    using ComPtr::ComPtr;
    PresentationsPtr(const ComPtr<Presentations>& p) : ComPtr(p) {}

    std::int32_t GetCount() const { return wrap::Get(*this, &Presentations::get_Count, "Presentations.Count"); }
    _PresentationPtr Item(const Variant& index) const
    {
        return wrap::GetObject(*this, &Presentations::Item, "Presentations.Item", index);
    }
    _PresentationPtr Open(const std::string& fileName, MsoTriState readOnly = office::msoFalse,
                          MsoTriState untitled = office::msoFalse, MsoTriState withWindow = office::msoTrue) const
    {
        return wrap::GetObject(*this, &Presentations::Open, "Presentations.Open", fileName, readOnly, untitled,
                               withWindow);
    }
    _PresentationPtr Add(MsoTriState withWindow = office::msoTrue) const
    {
        return wrap::GetObject(*this, &Presentations::Add, "Presentations.Add", withWindow);
    }
};

class PanePtr : public ComPtr<Pane> {
public:
    using ComPtr::ComPtr;
    PanePtr(const ComPtr<Pane>& p) : ComPtr(p) {}

    void Activate() const { wrap::Call(*this, &Pane::Activate, "Pane.Activate"); }
    MsoTriState GetActive() const { return wrap::Get(*this, &Pane::get_Active, "Pane.Active"); }
    PpViewType GetViewType() const { return wrap::Get(*this, &Pane::get_ViewType, "Pane.ViewType"); }
};

class PanesPtr : public ComPtr<Panes> {
public:
    using ComPtr::ComPtr;
    PanesPtr(const ComPtr<Panes>& p) : ComPtr(p) {}

    std::int32_t GetCount() const { return wrap::Get(*this, &Panes::get_Count, "Panes.Count"); }
    PanePtr Item(std::int32_t index) const { return wrap::GetObject(*this, &Panes::Item, "Panes.Item", index); }
};

class ViewPtr : public ComPtr<View> {
public:
    using ComPtr::ComPtr;
    ViewPtr(const ComPtr<View>& p) : ComPtr(p) {}

    PpViewType GetType() const { return wrap::Get(*this, &View::get_Type, "View.Type"); }
    ComPtr<IDispatch> GetSlide() const { return wrap::GetObject(*this, &View::get_Slide, "View.Slide"); }
    void GotoSlide(std::int32_t index) const { wrap::Call(*this, &View::GotoSlide, "View.GotoSlide", index); }
};

class DocumentWindowPtr : public ComPtr<DocumentWindow> {
public:
    using ComPtr::ComPtr;
    DocumentWindowPtr(const ComPtr<DocumentWindow>& p) : ComPtr(p) {}

    ViewPtr GetView() const { return wrap::GetObject(*this, &DocumentWindow::get_View, "DocumentWindow.View"); }
    PanesPtr GetPanes() const { return wrap::GetObject(*this, &DocumentWindow::get_Panes, "DocumentWindow.Panes"); }
    _PresentationPtr GetPresentation() const
    {
        return wrap::GetObject(*this, &DocumentWindow::get_Presentation, "DocumentWindow.Presentation");
    }
    void Activate() const { wrap::Call(*this, &DocumentWindow::Activate, "DocumentWindow.Activate"); }
};

class _ApplicationPtr : public ComPtr<_Application> {
public:
    using ComPtr::ComPtr;
    _ApplicationPtr(const ComPtr<_Application>& p) : ComPtr(p) {}

    office::CommandBarsPtr GetCommandBars() const
    {
        return wrap::GetObject(*this, &_Application::get_CommandBars, "Application.CommandBars");
    }
    _PresentationPtr GetActivePresentation() const
    {
        return wrap::GetObject(*this, &_Application::get_ActivePresentation, "Application.ActivePresentation");
    }
    PresentationsPtr GetPresentations() const
    {
        return wrap::GetObject(*this, &_Application::get_Presentations, "Application.Presentations");
    }
    DocumentWindowPtr GetActiveWindow() const
    {
        return wrap::GetObject(*this, &_Application::get_ActiveWindow, "Application.ActiveWindow");
    }
    std::string GetName() const { return wrap::Get(*this, &_Application::get_Name, "Application.Name"); }
};

} // namespace quillmark::powerpoint
