#pragma once
// The UNO side of an office connection: the bridge, the desktop, the documents
// by id and the event listener. Everything here runs inside CallRunner calls
// (or office callbacks) and throws on failure: UserError with a message for the
// user, UNO exceptions for the rest. Shared by the calls and the listeners, so
// that a call left behind after a timeout never outlives what it uses.
#include "libreoffice/uno/handoff.h"
#include "libreoffice/uno/officeconnection.h"
#include "libreoffice/uno/unotext.h"

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/document/XDocumentEventBroadcaster.hpp>
#include <com/sun/star/document/XDocumentEventListener.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillmark::libreoffice {

namespace uno = css::uno;

class OfficeSession : public std::enable_shared_from_this<OfficeSession> {
public:
    OfficeSession() = default;

    // The local UNO context (bootstrapped once per process from the office's
    // fundamentalrc); null with `error` when LibreOffice is not installed.
    static uno::Reference<uno::XComponentContext> LocalContext(std::string* error);

    // Connects the bridge and starts listening to the document events.
    void Open(const uno::Reference<uno::XComponentContext>& xLocal, const std::string& connect);
    // Stops listening; asks an office of ours to end; closes the bridge.
    void Shut(bool bTerminateOffice);

    std::vector<DocumentInfo> Documents(std::optional<DocumentKind> kind);
    DocumentInfo Info(DocumentId id);
    DocumentId Load(const std::string& path, bool bHidden);
    DocumentId New(DocumentKind kind, bool bHidden);
    void Store(DocumentId id, const std::string& path, bool bCopy);
    void Close(DocumentId id);
    void Activate(DocumentId id);
    std::string GetProperty(DocumentId id, const std::string& name);
    void SetProperty(DocumentId id, const std::string& name, const std::string& value);

    int SlideCount(DocumentId id);
    std::vector<std::string> SlideTitles(DocumentId id);
    void ExportSlides(DocumentId id, const std::string& folder, const std::string& format, int width,
                      int height);
    int InsertSlides(DocumentId id, const std::string& file, int index, int start, int end);

    // Events (see OfficeConnection::SetEventHandler).
    void SetHandler(std::function<void(const DocumentEvent&)> fnHandler, std::set<DocumentEventKind> inPlace);
    void SetPoster(std::function<void(std::function<void()>)> fnPoster);
    void Post(std::function<void()> fnWork);
    void OnDocumentEvent(const css::document::DocumentEvent& event);
    // Delivers the events waiting for the main thread, in the office's order. Run
    // on the main thread (with the baton) before each call of ours and when the
    // posted work runs, so that no later event overtakes them. Not re-entered.
    void DeliverPending();
    void SetCallTimeout(std::chrono::milliseconds timeout) { m_nTimeoutMs = timeout.count(); }

    Baton m_baton;
    MainQueue m_queue;
    std::atomic<bool> m_bAlive{false};

    // The id of a document (made on first sight) and back; ModelOf throws
    // UserError for an id that is not open.
    DocumentId IdOf(const uno::Reference<css::frame::XModel>& xModel);
    uno::Reference<css::frame::XModel> ModelOf(DocumentId id);
    // The office's component context (null before Open).
    const uno::Reference<uno::XComponentContext>& Remote() const { return m_xRemote; }

private:
    struct Entry {
        DocumentId id = 0;
        uno::Reference<css::frame::XModel> xModel;
        DocumentKind kind = DocumentKind::Other;
        // Keywords as the file held them when the office's list came from it
        // (OOXML, OLE2): the office splits them on blanks when it loads.
        std::optional<std::string> strFileKeywords;
        bool bFileKeywordsRead = false;
        // The file a save of ours is writing (its format decides the Keywords'
        // form for handlers that set them during the save).
        std::string strStoreTarget;
        bool bOpenSent = false;    // the office says OnCreate and, for some, OnNew; OnLoad comes late
        bool bPrepareSent = false; // closing through the API gives no OnPrepareUnload
    };

    DocumentKind KindOf(DocumentId id);
    void Forget(DocumentId id);
    // Runs `fnChange` on the entry of `id` under the lock; false when it is not known.
    bool WithEntry(DocumentId id, const std::function<void(Entry&)>& fnChange);
    // The path whose format decides how the Keywords are kept.
    std::string KeywordsPath(DocumentId id, const uno::Reference<css::frame::XModel>& xModel);
    // Delivers one of our events as the threads allow (see SetEventHandler).
    void Dispatch(const DocumentEvent& event);
    void Deliver(const DocumentEvent& event, const std::function<void(const DocumentEvent&)>& handler,
                 bool bInPlace);
    DocumentInfo InfoOf(DocumentId id, const uno::Reference<css::frame::XModel>& xModel);
    std::string KeywordsText(DocumentId id, const uno::Reference<css::frame::XModel>& xModel);
    // Rewrites the Keywords as the format of `path` keeps them.
    void WriteKeywords(const uno::Reference<css::frame::XModel>& xModel, const std::string& path,
                       const std::string& text);

    uno::Reference<uno::XComponentContext> m_xRemote;
    uno::Reference<css::bridge::XBridge> m_xBridge;
    uno::Reference<css::frame::XDesktop2> m_xDesktop;
    uno::Reference<css::document::XDocumentEventBroadcaster> m_xBroadcaster;
    uno::Reference<css::document::XDocumentEventListener> m_xListener;

    std::mutex m_mutex; // guards what follows
    std::vector<Entry> m_vecDocs;
    DocumentId m_nNextId = 1;
    std::function<void(const DocumentEvent&)> m_fnHandler;
    std::set<DocumentEventKind> m_setInPlace;
    std::function<void(std::function<void()>)> m_fnPoster;
    std::deque<DocumentEvent> m_pending; // for the main thread, oldest first
    std::atomic<long long> m_nTimeoutMs{30000};
};

} // namespace quillmark::libreoffice
