#pragma once
// The office interface over a running LibreOffice: Writer documents are the Word
// host's documents, Impress presentations PowerPoint's. Documents are the ones open
// in the office of the host's kind, whoever opened them; the office's document
// events become the application events in the hosts' order:
//   OnLoad -> DocumentOpened + WindowActivated, OnNew -> WindowActivated,
//   OnFocus -> WindowActivated, OnSave/OnSaveAs -> BeforeSave (run in place, before
//   the file is written), OnSaveDone/OnSaveAsDone -> AfterSave,
//   OnPrepareUnload/OnUnload -> DocumentClosing.
// Calls made from here wait for the office at most the connection's call time-out.
#include "libreoffice/uno/officeconnection.h"
#include "officecore/office.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillmark::libreoffice {

class LibreOfficeModel;

// One Writer document or Impress presentation open in the office.
class LibreOfficeDocument final : public officecore::OfficeDocument {
public:
    LibreOfficeDocument(LibreOfficeModel& model, const DocumentInfo& info);

    DocumentId Id() const { return m_nId; }
    const std::string& FullName() const override { return m_strFullName; }
    bool HasFile() const override { return m_bHasFile; }
    bool Saved() const override;
    void MarkChanged() override { m_bChanged = true; }

    std::vector<std::string> PropertyNames() const override;
    std::optional<std::string> FindProperty(const std::string& name) const override;
    bool SetProperty(const std::string& name, const std::string& value) override;

    int SlideCount() const override;
    std::string SlideTitle(int index) const override;
    unsigned long long SlideId(int index) const override;
    // The office decides a presentation's slides; only a count it has already is accepted.
    void SetSlideCount(int count) override;
    int CurrentSlide() const override;
    bool SetCurrentSlide(int index) override;

    // Takes the office's facts (path, title) again, after a save under a new name.
    void Update(const DocumentInfo& info);
    // Slide ids follow the slides through insertions made through this object.
    void SlidesInserted(int index, int count);

private:
    friend class LibreOfficeModel;
    void SyncSlideIds() const;

    LibreOfficeModel& m_model;
    DocumentId m_nId;
    std::string m_strFullName;
    bool m_bHasFile = false;
    bool m_bChanged = false;
    bool m_bAnnounced = false; // DocumentOpened (or the first WindowActivated) fired
    bool m_bClosing = false;   // DocumentClosing fired
    int m_nCurrentSlide = 1;
    mutable std::vector<unsigned long long> m_vecSlideIds;
};

class LibreOfficeModel final : public officecore::Office {
public:
    // `connection` must outlive the model. The office's document events reach the
    // model through OnEvent (one connection serves the models of both hosts).
    LibreOfficeModel(OfficeConnection& connection, officecore::HostKind host);
    ~LibreOfficeModel() override;

    OfficeConnection& Connection() { return m_connection; }
    DocumentKind Kind() const { return m_kind; }
    // Called with the document after it joined the model (opened here or elsewhere)
    // and before it leaves it, for what follows the documents (the tool bars).
    void SetDocumentHooks(std::function<void(LibreOfficeDocument&)> fnJoined,
                          std::function<void(LibreOfficeDocument&)> fnLeaving);
    // The open document with office id `id`; null when it is not one of ours.
    LibreOfficeDocument* ById(DocumentId id) const;
    // Documents opened through this model (Open, New) and still open.
    std::vector<LibreOfficeDocument*> OpenedHere() const;

    officecore::HostKind Host() const override { return m_host; }
    void SetEvents(officecore::OfficeEvents* pEvents) override { m_pEvents = pEvents; }
    void SetNotices(std::function<void(const std::string&)> fnNotices) override { m_fnNotices = std::move(fnNotices); }

    int Count() const override;
    LibreOfficeDocument* Item(int index) const override;
    int IndexOf(const officecore::OfficeDocument* pDoc) const override;
    LibreOfficeDocument* Active() const override;
    LibreOfficeDocument* Find(const std::string& name) const override;

    LibreOfficeDocument* Open(const std::string& path, int slides, std::string* error) override;
    LibreOfficeDocument* New() override;
    bool Activate(officecore::OfficeDocument* pDoc) override;
    void RefocusActiveWindow() override;
    bool Save(officecore::OfficeDocument* pDoc, const std::string& path, std::string* error) override;
    bool Close(officecore::OfficeDocument* pDoc) override;
    bool ExportSlides(const officecore::OfficeDocument& doc, const std::string& folder, const std::string& format,
                      std::string* error) override;
    bool SaveCopy(const officecore::OfficeDocument& doc, const std::string& path, std::string* error) override;
    int InsertFromFile(officecore::OfficeDocument& doc, const std::string& file, int index, int start, int end,
                       std::string* error) override;

    // Size of the exported slide pictures: the previews' size, so the office does the scaling.
    static constexpr int kSlideWidth = 320;
    static constexpr int kSlideHeight = 240;

    // Brings the model's list in line with the office's: documents opened elsewhere
    // join (announced as opened), documents closed elsewhere leave.
    void Refresh() const;

    // One of the office's document events; those of another kind of document are ignored.
    void OnEvent(const DocumentEvent& event);
    // Takes the documents open in the office now as they are, without events (a host
    // that starts finds them open, as Word's add-ins do).
    void AdoptOpenDocuments();
    // True when `path` names a file of the host's kind (.docx, .odt... / .pptx, .odp...).
    bool Accepts(const std::string& path) const;

private:
    friend class LibreOfficeDocument;
    LibreOfficeDocument* Adopt(const DocumentInfo& info) const;
    void Announce(LibreOfficeDocument& doc, bool bOpened);
    void BringToFront(LibreOfficeDocument* pDoc) const;
    // Fires DocumentClosing once and drops the document.
    void Drop(LibreOfficeDocument* pDoc);
    void Notice(const std::string& text) const;
    LibreOfficeDocument* Own(const officecore::OfficeDocument* pDoc) const;

    OfficeConnection& m_connection;
    officecore::HostKind m_host;
    DocumentKind m_kind;
    officecore::OfficeEvents* m_pEvents = nullptr;
    std::function<void(const std::string&)> m_fnNotices;
    std::function<void(LibreOfficeDocument&)> m_fnJoined;
    std::function<void(LibreOfficeDocument&)> m_fnLeaving;
    mutable std::vector<std::unique_ptr<LibreOfficeDocument>> m_vecDocs;
    mutable std::vector<LibreOfficeDocument*> m_vecZOrder; // front = active
    std::vector<DocumentId> m_vecOpenedHere;
    mutable bool m_bRefreshing = false;
};

} // namespace quillmark::libreoffice
