#pragma once
// PowerPointEventHandler: receives PowerPoint's application events and keeps the
// tag database, the presentations' "Keywords" property and the tag buttons in step:
// - PresentationOpen: the "Keywords" tags the database lacks, and the file-name
//   tag, are added to the presentation's record (the property is not changed);
// - PresentationBeforeSave: the database wins over what it holds
//   (MergedDocuments): "Keywords" is overwritten with the stored tags, so that
//   the saved file carries them;
// - PresentationSave: the record is written from "Keywords" plus the file-name
//   tag, and the tag buttons are rebuilt (the "&Tag" button stays);
// - WindowActivate: the tag buttons are rebuilt for the presentation.
// Presentations authored by the product are neither recorded on opening nor
// overwritten before saving; files in temporary folders are never recorded.
//
// The PowerPoint wrapper creates it, owns it and subscribes it in
// ConnectApplicationEvents; it counts no references of its own.
#include "host/applicationeventsink.h"
#include "host/mergeddocuments.h"
#include "officeapi/powerpointwrappers.h"

namespace quillmark {

class PowerPointApplication;

class PowerPointEventHandler final : public ApplicationEventSink<powerpoint::EApplication> {
public:
    PowerPointEventHandler();

    // Owned by the wrapper, not by its references.
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    // The events, by their host names. `pPres` is the event's presentation; the
    // other arguments are not used, and no handler cancels a save.
    void OnPresentationOpen(IDispatch* pPres);
    void OnPresentationBeforeSave(IDispatch* pPres, const Variant* pCancel);
    void OnPresentationSave(IDispatch* pPres);
    void OnWindowActivate(IDispatch* pPres, IDispatch* pWindow);
    // The last presentation to close takes its tag buttons with it.
    void OnPresentationClose(IDispatch* pPres);

private:
    PowerPointApplication& Application() const;

    // The presentations whose Keywords the database holds.
    MergedDocuments m_merged;
};

} // namespace quillmark
