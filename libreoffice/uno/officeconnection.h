#pragma once
// A connection to a running LibreOffice over UNO, in plain C++: no UNO type
// appears here, so that the office core never includes the SDK.
//
// Documents are named by ids of our own (DocumentId), stable while the document is
// open in the office, whoever opened it. Every call into the office has a time
// limit (CallTimeout): an office blocked by a modal dialog makes the call fail
// with a message, it never hangs us. Calls return false / -1 / empty with a reason
// in `error` on failure; nothing here throws.
//
// Threading: see handoff.h. Calls may be made from the main thread (holding the
// baton; it is released while the call waits for the office) and from inside an
// event handler, on whatever thread the handler runs.
#include "libreoffice/uno/handoff.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quillmark::libreoffice {

// 0 names no document.
using DocumentId = std::uint64_t;

enum class DocumentKind {
    Text,         // Writer: the word processor's documents
    Presentation, // Impress
    Other,        // Calc, Draw, the start centre...
};

struct DocumentInfo {
    DocumentId id = 0;
    DocumentKind kind = DocumentKind::Other;
    std::string strPath;  // local file path; "" for a never-saved document
    std::string strTitle; // what the office shows as the window title
    bool bModified = false;
};

enum class DocumentEventKind {
    Load,          // OnLoad: a file opened
    New,           // OnNew: a new document made
    Save,          // OnSave: before the file is written
    SaveDone,      // OnSaveDone: after it was written
    SaveAs,        // OnSaveAs: before a save under a new name
    SaveAsDone,    // OnSaveAsDone
    Focus,         // OnFocus: its window got the focus
    PrepareUnload, // OnPrepareUnload: about to close; the document is still usable
    Unload,        // OnUnload: closing; the id stops working after the handler
};

struct DocumentEvent {
    DocumentEventKind kind = DocumentEventKind::Load;
    DocumentId id = 0;
    DocumentKind docKind = DocumentKind::Other;
};

struct StartOptions {
    // Headless when asked, and always when there is no display ($DISPLAY and
    // $WAYLAND_DISPLAY unset).
    bool bHeadless = false;
    // The profile (user installation) folder; "" makes a fresh one in the
    // temporary folder, removed when the connection ends.
    std::string strProfileDir;
    // The soffice to start; "" finds it ($QUILLMARK_SOFFICE, then the PATH, then
    // /usr/lib/libreoffice/program/soffice).
    std::string strSoffice;
    // Files the office opens as it starts (with a display this is how a user sees them).
    std::vector<std::string> vecFiles;
    // How long the office may take to accept the connection.
    std::chrono::milliseconds startTimeout{60000};
};

class OfficeSession;

class OfficeConnection {
public:
    // Connects to an office that accepts UNO connections at `connect` (the
    // connection part of a UNO URL, "pipe,name=NAME" or "socket,host=...,port=...").
    // Null with a clear message when LibreOffice is not installed or nothing listens.
    static std::unique_ptr<OfficeConnection> Connect(const std::string& connect, std::string* error);
    // Starts a private office (own profile, own pipe) and connects to it. The office
    // is ended (its whole process group) when the connection is destroyed.
    static std::unique_ptr<OfficeConnection> Start(const StartOptions& options, std::string* error);

    // Stops the listeners; ends an office this connection started; leaves one it
    // only connected to running with every document open.
    ~OfficeConnection();
    OfficeConnection(const OfficeConnection&) = delete;
    OfficeConnection& operator=(const OfficeConnection&) = delete;

    // "pipe,name=..." of this office (for a second process to reach it).
    const std::string& ConnectString() const;
    // Pid of the office this connection started; 0 for one it connected to.
    int OfficePid() const;
    // False once the office went away (ended, crashed, the pipe closed).
    bool Alive() const;
    // Time limit of each call into the office (default 30 s).
    void SetCallTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds CallTimeout() const;

    // ---- threads (see handoff.h)
    Baton& GetBaton();
    // The queue used when no poster is set; the owner runs it on its main thread.
    MainQueue& GetMainQueue();
    // How work is handed to the main thread (replaces the MainQueue).
    void SetPoster(std::function<void(std::function<void()>)> fnPoster);
    // Runs `fnWork` on the main thread (through the poster).
    void PostToMain(std::function<void()> fnWork);

    // ---- events from the office's global event broadcaster
    // `fnHandler` receives the document events of every document, with the baton.
    // Events caused by a call of ours run on the thread that made the call, before
    // the call returns, in the office's order. Events the office raises on its own
    // (the user's doing, another client's): kinds in `inPlace` (default: Save and
    // SaveAs) run on the thread that received them before the office goes on (so a
    // before-save handler's changes are in the saved file); the handler must not
    // touch widgets then. The other kinds are posted to the main thread and
    // delivered there in order, at the latest before our next call. One New or
    // Load per document (the office says OnCreate and sometimes OnNew too; a Load
    // of ours announces the document before it returns), and PrepareUnload before
    // every Unload (closing through the API gives none).
    // Replaces an earlier handler; an empty function stops delivery.
    void SetEventHandler(std::function<void(const DocumentEvent&)> fnHandler,
                         std::set<DocumentEventKind> inPlace = {DocumentEventKind::Save,
                                                                DocumentEventKind::SaveAs});

    // ---- documents
    // Every document open in the office (of `kind` only, unless Other is given
    // for all), in the office's order, whoever opened it.
    std::vector<DocumentInfo> Documents(DocumentKind kind, std::string* error);
    std::vector<DocumentInfo> AllDocuments(std::string* error);
    // The facts of one open document; id 0 when it is not open.
    DocumentInfo Info(DocumentId id, std::string* error);
    // Opens `path` in the office (its own format kept), or finds it when it is open
    // already. `bHidden`: no window. 0 on failure (a missing or damaged file, a
    // format the office cannot read), the file left as it was.
    DocumentId Load(const std::string& path, bool bHidden, std::string* error);
    // A new Writer or Impress document.
    DocumentId New(DocumentKind kind, bool bHidden, std::string* error);
    // Saves to the document's own file in the format it has, or (`path` given) to
    // `path` in the format its extension names (.docx, .doc, .odt, .pptx, .ppt,
    // .odp...); the document then belongs to that file. A never-saved document
    // needs a path. The office's save events fire.
    bool Store(DocumentId id, const std::string& path, std::string* error);
    // Writes a copy to `path` (format from its extension); the document is unchanged.
    bool StoreCopy(DocumentId id, const std::string& path, std::string* error);
    // Closes without saving; changes are dropped.
    bool Close(DocumentId id, std::string* error);
    // Brings the document's window to the front.
    bool Activate(DocumentId id, std::string* error);

    // ---- built-in properties: Title, Subject, Author, Comments, Keywords
    // (ASCII case ignored). Keywords is one text: the tags joined by ", ".
    // Stored as one element "a, b, c" for OOXML and OLE2 files (the office joins a
    // list with blanks there and splits on blank, comma and semicolon on loading)
    // and as one keyword per tag for OpenDocument and never-saved documents.
    bool GetProperty(DocumentId id, const std::string& name, std::string* value, std::string* error);
    bool SetProperty(DocumentId id, const std::string& name, const std::string& value, std::string* error);

    // ---- presentations
    // -1 on failure.
    int SlideCount(DocumentId id, std::string* error);
    // The title text of each slide ("" for a slide without a title).
    std::vector<std::string> SlideTitles(DocumentId id, std::string* error);
    // Slide1.<format> ... Slide<n>.<format> into `folder` (created when missing), each
    // slide exported by the office at width x height. `format`: "JPG", "PNG" or "BMP"
    // (any case; the file name keeps it as given). The document is not changed.
    bool ExportSlides(DocumentId id, const std::string& folder, const std::string& format, int width,
                      int height, std::string* error);
    // Inserts slides `start`..`end` (1-based, inclusive; end -1 = the last) of the
    // presentation file `file` behind slide `index` (0 = at the front), without a
    // window and without the clipboard. The number inserted, or -1 (then nothing
    // was inserted and `file` is left as it was).
    int InsertSlides(DocumentId id, const std::string& file, int index, int start, int end,
                     std::string* error);

    // For the rest of this layer (the tool bars): runs `fnCall` on the UNO session
    // (officesession.h) inside a call with the time limit, like the calls above.
    bool RunOnSession(std::function<void(OfficeSession&)> fnCall, std::string* error);

    class Impl;

private:
    explicit OfficeConnection(std::unique_ptr<Impl> pImpl);
    std::unique_ptr<Impl> m_pImpl;
};

} // namespace quillmark::libreoffice
