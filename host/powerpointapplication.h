#pragma once
// PowerPointApplication: the host wrapper for PowerPoint. Implements the host
// operations on PowerPoint's object model, inserts a slide of another file into
// the active presentation, takes over a presentation located again under a new
// path, and offers the per-presentation tests of the event handler.
#include <memory>

#include "host/backgroundrunner.h"
#include "host/officeapplication.h"
#include "host/powerpointeventhandler.h"
#include "host/presentationpreview.h"
#include "officeapi/powerpointwrappers.h"

namespace quillmark {

class PowerPointApplication : public OfficeApplication {
public:
    PowerPointApplication();
    ~PowerPointApplication() override;

    bool AddControls() override;
    bool MergeTagsFromFile(const std::string& path) override;
    bool GetCommandBars(office::CommandBarsPtr& spCommandBars) override;
    bool ConnectApplicationEvents() override;
    bool CreateTagButton(const office::CommandBarControlsPtr& spControls) override;
    bool AddTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag) override;
    bool RemoveTagButtonHandler(TagButtonHandler* pHandler) override;
    bool OpenDocument(const std::string& path) override;
    bool InsertSlideFromFile(const std::string& path, int slideNumber) override;
    std::string GetActiveDocumentPath() override;
    TagList GetDatabaseTags(const std::string& path) override;
    bool GetEmbeddedTags(TagList& tags) override;
    bool SetEmbeddedTags(const TagList& tags) override;
    bool CanRefreshToolbar() override;

    /* 28 */ virtual bool SetApplication(const ComPtr<powerpoint::_Application>& spApplication);
    /* 29 */ virtual std::string GetFullName(const powerpoint::_PresentationPtr& spPresentation);
    /* 30 */ virtual TagList GetActiveDocumentTags();

    // Presentations.Open(path, ReadOnly false, Untitled false, WithWindow true); true.
    // `spPresentation` is empty when PowerPoint could not open the file.
    bool OpenPresentation(const std::string& path, powerpoint::_PresentationPtr& spPresentation);
    // The active presentation; empty when none is open.
    powerpoint::_PresentationPtr GetActivePresentation();
    // The tags of "Keywords"; an empty reference means the active presentation.
    TagList GetKeywords(const powerpoint::_PresentationPtr& spPresentation);
    // Writes the tags joined by ", " into "Keywords" (not saved); an empty reference
    // means the active presentation. No presentation at all: no effect.
    bool SetKeywords(const powerpoint::_PresentationPtr& spPresentation, const TagList& tags);
    bool IsSavedToFile(const powerpoint::_PresentationPtr& spPresentation);
    // The "Author" property is exactly the product author (string 134).
    bool IsAuthoredByProduct(const powerpoint::_PresentationPtr& spPresentation);

    // The slide images of the active presentation (folder: host/previewfolder.h).
    // True when images were written; false without an active presentation or
    // when the export gave none.
    // The export and the conversion run through `pRunner` (host/backgroundrunner.h).
    bool SavePresentationPreview(BackgroundRunner* pRunner = nullptr);
    // The slide images of the presentation file `path`. A presentation open
    // already is exported as it stands and left open; otherwise the file is opened
    // for the export and closed again. True when images were written.
    bool GeneratePreview(const std::string& path, BackgroundRunner* pRunner = nullptr);
    // Exports every slide of `spPresentation` as a bitmap into the preview folder
    // of `path`, then turns each bitmap into a 320 x 240 JPEG named like it
    // (Slide1.BMP gives Slide1.JPG) and deletes the bitmap, converted or not.
    // Images of slide numbers the presentation no longer has stay. False when no
    // bitmap was found or none could be converted.
    bool ExportSlideImages(const powerpoint::_PresentationPtr& spPresentation, const std::string& path,
                           BackgroundRunner* pRunner = nullptr);

    const powerpoint::_ApplicationPtr& Application() const { return m_pPPTApp; }

    // Tag click: the Tag dialog for the active presentation, if there is one.
    void OnTagClick();

private:
    powerpoint::_ApplicationPtr m_pPPTApp;
    std::unique_ptr<PowerPointEventHandler> m_pEventHandler; // subscribed by ConnectApplicationEvents
    std::unique_ptr<PreviewRequest> m_pPreviewRequest;       // the preview being made
};

} // namespace quillmark
