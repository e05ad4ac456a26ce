#pragma once
// The office behind the object model: its open documents, their built-in
// properties and slides, and the application events in the order the real hosts
// fire them. The COM objects (appcore.h) sit on top of this interface and turn its
// events into connection-point calls; the simulated office (simoffice/) and
// LibreOffice (libreoffice/) implement it.
#include "officecore/hostkind.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::officecore {

// One open document (Word) or presentation (PowerPoint). The office owns it; it
// stays valid until the office's DocumentClosing event for it has returned.
class OfficeDocument {
public:
    virtual ~OfficeDocument() = default;

    // Full path of a saved file, bare name ("Document1") of a never-saved one.
    virtual const std::string& FullName() const = 0;
    // The file name part of FullName.
    std::string Name() const;
    virtual bool HasFile() const = 0;
    // No change since the last save (or the opening).
    virtual bool Saved() const = 0;
    virtual void MarkChanged() = 0;

    // The built-in properties in their fixed order ("Title", "Subject", "Author",
    // "Keywords", "Comments"); names compare without regard to ASCII case.
    virtual std::vector<std::string> PropertyNames() const = 0;
    // Nothing when the property does not exist.
    virtual std::optional<std::string> FindProperty(const std::string& name) const = 0;
    // Empty when the property does not exist.
    std::string Property(const std::string& name) const { return FindProperty(name).value_or(std::string()); }
    // False when the property does not exist or cannot be set.
    virtual bool SetProperty(const std::string& name, const std::string& value) = 0;

    // Slides of a presentation (none for a Word document); indexes are 1-based.
    virtual int SlideCount() const = 0;
    virtual std::string SlideTitle(int index) const = 0;
    // An id unique among the document's slides for as long as the slide exists, so a
    // slide object follows its slide when others are inserted before it; 0 when
    // there is no such slide.
    virtual unsigned long long SlideId(int index) const = 0;
    // Sets the number of slides: new ones are appended, extra ones dropped from the end.
    virtual void SetSlideCount(int count) = 0;
    // More slides than any real presentation holds; scripts may ask for no more.
    static constexpr int kMaxSlides = 10000;
    // The slide shown in the window, 1-based; 0 when there are no slides.
    virtual int CurrentSlide() const = 0;
    virtual bool SetCurrentSlide(int index) = 0;
};

// Receives the application events. Calls come synchronously from inside the
// office's operations or from the office's own notifications; a receiver may call
// back into the office.
class OfficeEvents {
public:
    virtual ~OfficeEvents() = default;
    // The document is already active when this fires, before the opening call returns.
    virtual void DocumentOpened(OfficeDocument&) {}
    virtual void WindowActivated(OfficeDocument&) {}
    // Before the file is written. `bSaveAsUi`: a never-saved document. Return true to cancel.
    virtual bool BeforeSave(OfficeDocument&, bool /*bSaveAsUi*/) { return false; }
    // After the file is written (PowerPoint's PresentationSave).
    virtual void AfterSave(OfficeDocument&) {}
    // The document is about to leave the office; its object must not be used afterwards.
    virtual void DocumentClosing(OfficeDocument&) {}
};

class Office {
public:
    virtual ~Office() = default;

    virtual HostKind Host() const = 0;
    virtual void SetEvents(OfficeEvents* pEvents) = 0;
    // Receives what the user should know about a file that opens, saves or exports
    // with a limitation.
    virtual void SetNotices(std::function<void(const std::string&)> fnNotices) = 0;

    // Open documents of the host's kind in opening order; Item is 1-based, nullptr
    // when out of range.
    virtual int Count() const = 0;
    virtual OfficeDocument* Item(int index) const = 0;
    virtual int IndexOf(const OfficeDocument* pDoc) const = 0; // 1-based, 0 when not open
    virtual OfficeDocument* Active() const = 0;
    // The open document whose FullName is `name` as given or made absolute; else the
    // first whose bare name (file name part) is `name`.
    virtual OfficeDocument* Find(const std::string& name) const = 0;

    // Opens an existing file (a file open already is only activated). `slides` > 0
    // sets the slide count of a presentation where the office allows it.
    virtual OfficeDocument* Open(const std::string& path, int slides, std::string* error) = 0;
    // A never-saved document.
    virtual OfficeDocument* New() = 0;
    // Brings the document's window to the front; WindowActivate unless it is already active.
    virtual bool Activate(OfficeDocument* pDoc) = 0;
    // The active document's window gets the focus back from a modal dialog the user
    // closed (the Save As dialog): WindowActivate for it.
    virtual void RefocusActiveWindow() = 0;
    // Saves to the document's file, or to `path` (Save As; needed for a never-saved
    // document): the before-save event, the file written, the after-save event.
    virtual bool Save(OfficeDocument* pDoc, const std::string& path, std::string* error) = 0;
    // Closes without saving; the next window in activation order becomes active.
    virtual bool Close(OfficeDocument* pDoc) = 0;

    // PowerPoint's SaveCopyAs in a picture format: Slide1.<EXT> ... into `folder`
    // (created when missing). `format`: "BMP" or "JPG". The document is not changed.
    virtual bool ExportSlides(const OfficeDocument& doc, const std::string& folder, const std::string& format,
                              std::string* error) = 0;
    // Saves a copy of the document at `path` without changing the document.
    virtual bool SaveCopy(const OfficeDocument& doc, const std::string& path, std::string* error) = 0;
    // Inserts slides start..end of `file` behind slide `index` (0 = at the front).
    // The number inserted, or -1.
    virtual int InsertFromFile(OfficeDocument& doc, const std::string& file, int index, int start, int end,
                               std::string* error) = 0;
};

} // namespace quillmark::officecore
