#pragma once
// WordEventHandler: receives Word's application events and keeps the tag
// database, the documents' "Keywords" property and the tag buttons in step:
// - DocumentOpen: the "Keywords" tags the database lacks, and the file-name tag,
//   are added to the document's record (the property is not changed);
// - DocumentBeforeSave: the database wins over what it holds (MergedDocuments):
//   "Keywords" is overwritten with the stored tags and the record is written
//   again from it at once; a document without a file yet is recorded when its
//   window is next activated;
// - WindowActivate: the tag buttons are rebuilt for the document;
// - DocumentBeforeClose: the document leaves the pending set; when it is the last
//   one, the tag buttons go.
// Templates and documents in temporary folders stay out of the database.
//
// The Word wrapper creates it, owns it and subscribes it in
// ConnectApplicationEvents; it counts no references of its own.
#include <cstdint>
#include <vector>

#include "host/applicationeventsink.h"
#include "host/mergeddocuments.h"
#include "officeapi/wordwrappers.h"

namespace quillmark {

class WordApplication;

class WordEventHandler final : public ApplicationEventSink<word::ApplicationEvents> {
public:
    WordEventHandler();

    // Owned by the wrapper, not by its references.
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    // The events, by their host names. `pDoc` is the event's document; the other
    // arguments are not used, and no handler cancels a save.
    void OnDocumentOpen(IDispatch* pDoc);
    void OnDocumentBeforeSave(IDispatch* pDoc, const Variant* pSaveAsUI, const Variant* pCancel);
    void OnWindowActivate(IDispatch* pDoc, IDispatch* pWindow);
    // A closing document no longer waits to be recorded; the last one takes its
    // tag buttons with it.
    void OnDocumentBeforeClose(IDispatch* pDoc);

    // 1 while a saved document still has to be recorded at its next window
    // activation (a document saved for the first time, a template, a file in a
    // temporary folder); 0 after construction.
    std::int32_t m_bSyncPending = 0;

private:
    WordApplication& Application() const;
    // Marks the document (by its identity) for recording at its next activation.
    void AddPending(const ComPtr<IUnknown>& spIdentity);
    // The pending entry of the document, or end().
    std::vector<ComPtr<IUnknown>>::iterator FindPending(const ComPtr<IUnknown>& spIdentity);

    // The documents m_bSyncPending stands for. Each waits for its own window:
    // another document's activation must not record that one in its place.
    std::vector<ComPtr<IUnknown>> m_pendingDocs;
    // The documents whose Keywords the database holds.
    MergedDocuments m_merged;
};

} // namespace quillmark
