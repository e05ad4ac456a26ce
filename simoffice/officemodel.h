#pragma once
// The simulated office's documents over real files, without any COM: opening,
// creating, activating, saving and closing documents, their built-in properties
// and slides, and the application events in the order the real hosts fire them.
// The COM application objects sit on top of this and turn the events into
// connection-point calls.
#include "officecore/hostkind.h"
#include "simoffice/simdocument.h"

#include <QImage>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quillmark::simoffice {

using officecore::HostKind;
using officecore::Office;
using officecore::OfficeDocument;
using officecore::OfficeEvents;

class SlideRenderer;

class OfficeModel final : public officecore::Office {
public:
    explicit OfficeModel(HostKind host);
    ~OfficeModel();
    OfficeModel(const OfficeModel&) = delete;
    OfficeModel& operator=(const OfficeModel&) = delete;

    HostKind Host() const override { return m_host; }
    void SetEvents(OfficeEvents* pEvents) override { m_pEvents = pEvents; }
    // Receives what the user should know about a file that opens, saves or exports with
    // a limitation (properties that cannot be read from or written into it, slides that
    // cannot be rendered).
    void SetNotices(std::function<void(const std::string&)> fnNotices) override { m_fnNotices = std::move(fnNotices); }

    // Listeners called (synchronously) after anything a window shows changed: a
    // document opened, created, activated, saved or closed, or a document's
    // properties, slides or view. The id is for RemoveListener.
    int AddListener(std::function<void()> fnListener);
    void RemoveListener(int id);

    // Open documents in opening order; Item is 1-based, nullptr when out of range.
    int Count() const override { return static_cast<int>(m_vecDocs.size()); }
    SimDocument* Item(int index) const override;
    int IndexOf(const OfficeDocument* pDoc) const override; // 1-based, 0 when not open
    SimDocument* Active() const override { return m_vecZOrder.empty() ? nullptr : m_vecZOrder.front(); }
    // The open document whose FullName is `name` as given or made absolute; else the
    // first whose bare name (file name part) is `name`.
    SimDocument* Find(const std::string& name) const override;

    // Opens an existing file and reads its built-in properties from it (see docprops/);
    // a file whose properties cannot be read still opens, with a notice, and gets the
    // properties this process last saved for it. A file open already is only activated. `slides` > 0 sets
    // the slide count of a presentation; otherwise it is what this process last saved
    // for the file, else the slides the file holds (.pptx, .odp, .ppt and their kin),
    // else (another format, or a file that cannot be read as one) the default slide count.
    SimDocument* Open(const std::string& path, int slides, std::string* error) override;
    // A never-saved document named Document1, Document2... / Presentation1... (one slide).
    SimDocument* New() override;
    // Brings the document's window to the front; WindowActivate unless it is already active.
    bool Activate(OfficeDocument* pDoc) override;
    // The active document's window gets the focus back from a modal dialog the user
    // closed (the Save As dialog): WindowActivate for it.
    void RefocusActiveWindow() override;
    // Saves to the document's file, or to `path` (Save As; needed for a never-saved
    // document). Fires the before-save event, writes the file, fires the after-save event.
    // The properties are written into the file where its format has a place for them,
    // every other part kept; a file whose properties could not be read is left unchanged
    // (with a notice). The file is replaced atomically: a failed save leaves it intact.
    bool Save(OfficeDocument* pDoc, const std::string& path, std::string* error) override;
    // Closes without saving; the next window in activation order becomes active.
    bool Close(OfficeDocument* pDoc) override;

    // PowerPoint's SaveCopyAs in a picture format: Slide1.<EXT> ... into `folder`
    // (created when missing). `format`: "BMP" or "JPG". The document is not changed.
    // A slide read from a file shows that file's page as LibreOffice renders it; when
    // the file cannot be rendered a message says why and its slides are drawn, as
    // the slides made up in memory are.
    bool ExportSlides(const OfficeDocument& doc, const std::string& folder, const std::string& format,
                      std::string* error) override;
    // Saves a copy of the document's file at `path` without changing the document.
    bool SaveCopy(const OfficeDocument& doc, const std::string& path, std::string* error) override;
    // Inserts slides start..end of `file` (as last saved by this process, else as the
    // file holds them, else the default slide count) behind slide `index` (0 = at the
    // front), in memory only: the file is not touched. The number inserted, or -1.
    int InsertFromFile(OfficeDocument& doc, const std::string& file, int index, int start, int end,
                       std::string* error) override;

    // Slides of a file this process has not seen; 1 unless set.
    void SetDefaultSlideCount(int count) { m_nDefaultSlides = count > 0 ? count : 1; }
    int DefaultSlideCount() const { return m_nDefaultSlides; }

    // Size of the exported slide pictures.
    static constexpr int kSlideWidth = 640;
    static constexpr int kSlideHeight = 480;

private:
    struct SavedState {
        DocumentProperties properties;
        std::vector<Slide> slides;
    };
    void BringToFront(SimDocument* pDoc);
    void Notify() const;
    SimDocument* Adopt(std::unique_ptr<SimDocument> pNew);
    void Notice(const std::string& text) const;
    void LoadProperties(SimDocument& doc) const;
    // Writes the document's file (its bytes, or a new file) with its properties to `target`.
    // `bInFile`: the properties are in the written file; `written`: its identity.
    bool WriteDocumentFile(const SimDocument& doc, const std::string& target, bool& bInFile,
                           files::FileStamp& written, std::string* error) const;
    bool IsOpen(const OfficeDocument* pDoc) const { return IndexOf(pDoc) > 0; }
    // The model's own document behind `pDoc`; null for a document of another office.
    static SimDocument* Own(OfficeDocument* pDoc) { return dynamic_cast<SimDocument*>(pDoc); }
    static const SimDocument* Own(const OfficeDocument* pDoc) { return dynamic_cast<const SimDocument*>(pDoc); }
    std::vector<Slide> SlidesOfFile(const std::string& fullName) const;
    // The rendered picture of a slide read from a file; null when it has none or its
    // file cannot be rendered (reported once per file in `unrendered`).
    QImage RenderedPage(const Slide& slide, std::set<std::string>& unrendered);

    HostKind m_host;
    OfficeEvents* m_pEvents = nullptr;
    std::function<void(const std::string&)> m_fnNotices;
    std::vector<std::unique_ptr<SimDocument>> m_vecDocs;
    std::vector<SimDocument*> m_vecZOrder; // front = active
    std::map<std::string, SavedState> m_mapSaved; // by full name, for the process lifetime
    int m_nNewCount = 0;
    int m_nDefaultSlides = 1;
    std::map<int, std::function<void()>> m_mapListeners;
    int m_nNextListener = 0;
    std::unique_ptr<SlideRenderer> m_pRenderer;
};

} // namespace quillmark::simoffice
