#include "host/wordeventhandler.h"

#include <stdexcept>

#include "store/tagunion.h"
#include "host/wordapplication.h"
#include "store/taggingdatabase.h"

namespace quillmark {

namespace {

// The event's document as Word's _Document; empty when the argument is none.
word::_DocumentPtr DocumentOf(IDispatch* pDoc)
{
    word::_DocumentPtr spDocument;
    if (pDoc) spDocument.QueryFrom(pDoc);
    return spDocument;
}

// The object's identity, which stays the same for every reference to it.
ComPtr<IUnknown> IdentityOf(IDispatch* pDoc)
{
    ComPtr<IUnknown> spIdentity;
    if (pDoc) spIdentity.QueryFrom(pDoc);
    return spIdentity;
}

} // namespace

WordEventHandler::WordEventHandler()
{
    // Word's application events that matter here, by dispatch id; every other
    // event is accepted and ignored.
    m_eventTable.Add("DocumentOpen", word::DISPID_Word_DocumentOpen, [this](std::uint16_t, DispParams& params, Variant*) {
        OnDocumentOpen(EventObjectArgument(params, 0));
        return S_OK;
    });
    m_eventTable.Add("DocumentBeforeSave", word::DISPID_Word_DocumentBeforeSave,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnDocumentBeforeSave(EventObjectArgument(params, 0), params.Positional(1), params.Positional(2));
                         return S_OK;
                     });
    m_eventTable.Add("DocumentBeforeClose", word::DISPID_Word_DocumentBeforeClose,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnDocumentBeforeClose(EventObjectArgument(params, 0));
                         return S_OK;
                     });
    m_eventTable.Add("WindowActivate", word::DISPID_Word_WindowActivate,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnWindowActivate(EventObjectArgument(params, 0), EventObjectArgument(params, 1));
                         return S_OK;
                     });
}

WordApplication& WordEventHandler::Application() const
{
    if (!m_pOfficeApp) throw std::logic_error("m_pOfficeApp != 0");
    return *static_cast<WordApplication*>(m_pOfficeApp);
}

void WordEventHandler::OnDocumentOpen(IDispatch* pDoc)
{
    WordApplication& app = Application();
    const word::_DocumentPtr spDocument = DocumentOf(pDoc);
    if (!spDocument) return;
    const std::string fullName = spDocument.GetFullName();

    m_merged.NoteOpenedFromFile(IdentityOf(pDoc));
    // Templates and temporary files stay out of the database.
    if (app.IsInTemporaryFolder(fullName) || app.IsTemplate(spDocument)) return;
    // The database keeps its tags and their order; what only the document holds
    // is appended, and the file-name tag after it. Nothing new: nothing is
    // written, and the activation that follows the opening rebuilds the tag buttons.
    bool bChanged = false;
    m_merged.Merge(DatabaseOf(app), IdentityOf(pDoc), fullName, app.GetKeywords(spDocument), bChanged);
    if (bChanged) app.RefreshTagToolbar(fullName, true);
}

void WordEventHandler::OnDocumentBeforeSave(IDispatch* pDoc, const Variant*, const Variant*)
{
    WordApplication& app = Application();
    const word::_DocumentPtr spDocument = DocumentOf(pDoc);
    if (!spDocument) return;
    const std::string fullName = spDocument.GetFullName();
    const ComPtr<IUnknown> spIdentity = IdentityOf(pDoc);

    if (app.IsSavedToFile(spDocument) && !app.IsTemplate(spDocument) && !app.IsInTemporaryFolder(fullName)) {
        // The database wins over what it holds: the saved file carries the stored
        // tags (none at all when the record holds none). Keywords the database has
        // not taken stay as they are. Then the record is written from them.
        if (const auto stored = m_merged.TagsForSave(DatabaseOf(app), spIdentity, fullName, app.GetKeywords(spDocument)))
            app.SetKeywords(spDocument, *stored);
        AddPending(spIdentity);
        OnWindowActivate(pDoc, nullptr);
    } else {
        // No file yet (or a template, or a temporary file): the document is
        // recorded at its next activation, under the name it has by then.
        AddPending(spIdentity);
    }
}

void WordEventHandler::OnWindowActivate(IDispatch* pDoc, IDispatch*)
{
    WordApplication& app = Application();
    const word::_DocumentPtr spDocument = DocumentOf(pDoc);
    if (!spDocument) return;
    const std::string fullName = spDocument.GetFullName();

    if (m_bSyncPending == 1) {
        const ComPtr<IUnknown> spIdentity = IdentityOf(pDoc);
        if (FindPending(spIdentity) != m_pendingDocs.end()) {
            // A document whose save was given up still has no file: there is
            // nothing to record under its bare name.
            if (app.IsSavedToFile(spDocument)) {
                const TagList keywords = app.GetKeywords(spDocument);
                const TagUnion unionTags =
                    TagUnion::ForSavedDocument(keywords, OfficeApplication::GetFileNameTag(fullName));
                if (!app.IsInTemporaryFolder(fullName))
                    m_merged.RecordSaved(DatabaseOf(app), spIdentity, fullName, keywords, unionTags.Tags());
            }
            // Done with, whether or not the tags were written.
            auto it = FindPending(spIdentity);
            if (it != m_pendingDocs.end()) m_pendingDocs.erase(it);
            m_bSyncPending = m_pendingDocs.empty() ? 0 : 1;
        }
    }

    app.RefreshTagToolbar(fullName, true);
}

void WordEventHandler::OnDocumentBeforeClose(IDispatch* pDoc)
{
    WordApplication& app = Application();
    m_merged.Forget(IdentityOf(pDoc));
    auto it = FindPending(IdentityOf(pDoc));
    if (it != m_pendingDocs.end()) {
        m_pendingDocs.erase(it);
        m_bSyncPending = m_pendingDocs.empty() ? 0 : 1;
    }
    // The closing document still counts: after it, none is left for "&Tag".
    if (app.Application().GetDocuments().GetCount() <= 1) {
        app.RemoveTagButtons(false);
        app.EnableTagButton(false);
    }
}

void WordEventHandler::AddPending(const ComPtr<IUnknown>& spIdentity)
{
    if (!spIdentity) return;
    if (FindPending(spIdentity) == m_pendingDocs.end()) m_pendingDocs.push_back(spIdentity);
    m_bSyncPending = 1;
}

std::vector<ComPtr<IUnknown>>::iterator WordEventHandler::FindPending(const ComPtr<IUnknown>& spIdentity)
{
    for (auto it = m_pendingDocs.begin(); it != m_pendingDocs.end(); ++it)
        if (it->Get() == spIdentity.Get()) return it;
    return m_pendingDocs.end();
}

} // namespace quillmark
