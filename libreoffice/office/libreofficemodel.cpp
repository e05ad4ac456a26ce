#include "libreoffice/office/libreofficemodel.h"
#include "platform/errors/seterror.h"

#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/registry/regmodel.h"

#include <algorithm>

namespace quillmark::libreoffice {

using officecore::HostKind;
using officecore::OfficeDocument;

namespace {

const char* const kPropertyNames[] = {"Title", "Subject", "Author", "Keywords", "Comments"};

unsigned long long NextSlideId()
{
    static unsigned long long s_nNext = 0;
    return ++s_nNext;
}

} // namespace

// ---- LibreOfficeDocument

LibreOfficeDocument::LibreOfficeDocument(LibreOfficeModel& model, const DocumentInfo& info)
    : m_model(model), m_nId(info.id)
{
    Update(info);
}

void LibreOfficeDocument::Update(const DocumentInfo& info)
{
    m_bHasFile = !info.strPath.empty();
    m_strFullName = m_bHasFile ? info.strPath : info.strTitle;
}

bool LibreOfficeDocument::Saved() const
{
    if (m_bChanged) return false;
    DocumentInfo info = m_model.m_connection.Info(m_nId, nullptr);
    return info.id == 0 || !info.bModified;
}

std::vector<std::string> LibreOfficeDocument::PropertyNames() const
{
    return {std::begin(kPropertyNames), std::end(kPropertyNames)};
}

std::optional<std::string> LibreOfficeDocument::FindProperty(const std::string& name) const
{
    const auto it = std::find_if(std::begin(kPropertyNames), std::end(kPropertyNames),
                                 [&](const char* known) { return registry::EqualNoCase(known, name); });
    if (it == std::end(kPropertyNames)) return std::nullopt;
    std::string value, error;
    if (!m_model.m_connection.GetProperty(m_nId, *it, &value, &error)) {
        m_model.Notice("cannot read " + std::string(*it) + " of " + m_strFullName + ": " + error);
        return std::string();
    }
    return value;
}

bool LibreOfficeDocument::SetProperty(const std::string& name, const std::string& value)
{
    const auto it = std::find_if(std::begin(kPropertyNames), std::end(kPropertyNames),
                                 [&](const char* known) { return registry::EqualNoCase(known, name); });
    if (it == std::end(kPropertyNames)) return false;
    std::string error;
    if (!m_model.m_connection.SetProperty(m_nId, *it, value, &error)) {
        m_model.Notice("cannot set " + std::string(*it) + " of " + m_strFullName + ": " + error);
        return false;
    }
    m_bChanged = true;
    return true;
}

void LibreOfficeDocument::SyncSlideIds() const
{
    const int count = std::max(0, m_model.m_connection.SlideCount(m_nId, nullptr));
    // Slides added or removed behind our back are taken at the end.
    while (static_cast<int>(m_vecSlideIds.size()) < count) m_vecSlideIds.push_back(NextSlideId());
    m_vecSlideIds.resize(static_cast<size_t>(count));
}

int LibreOfficeDocument::SlideCount() const
{
    if (m_model.Host() != HostKind::PowerPoint) return 0;
    SyncSlideIds();
    return static_cast<int>(m_vecSlideIds.size());
}

std::string LibreOfficeDocument::SlideTitle(int index) const
{
    std::vector<std::string> titles = m_model.m_connection.SlideTitles(m_nId, nullptr);
    if (index < 1 || index > static_cast<int>(titles.size())) return {};
    return titles[static_cast<size_t>(index - 1)];
}

unsigned long long LibreOfficeDocument::SlideId(int index) const
{
    if (index < 1 || index > SlideCount()) return 0;
    return m_vecSlideIds[static_cast<size_t>(index - 1)];
}

void LibreOfficeDocument::SlidesInserted(int index, int count)
{
    SyncSlideIds();
    // The ids taken at the end for the new slides belong at `index`.
    const int total = static_cast<int>(m_vecSlideIds.size());
    if (count <= 0 || index < 0 || index + count > total) return;
    std::rotate(m_vecSlideIds.begin() + index, m_vecSlideIds.end() - count, m_vecSlideIds.end());
    if (index < m_nCurrentSlide) m_nCurrentSlide += count;
}

void LibreOfficeDocument::SetSlideCount(int count)
{
    if (count != SlideCount())
        m_model.Notice("LibreOffice keeps the slides of " + m_strFullName + " (" + std::to_string(SlideCount()) + ")");
}

int LibreOfficeDocument::CurrentSlide() const
{
    const int count = SlideCount();
    return count == 0 ? 0 : std::clamp(m_nCurrentSlide, 1, count);
}

bool LibreOfficeDocument::SetCurrentSlide(int index)
{
    if (index < 1 || index > SlideCount()) return false;
    m_nCurrentSlide = index;
    return true;
}

// ---- LibreOfficeModel

LibreOfficeModel::LibreOfficeModel(OfficeConnection& connection, HostKind host)
    : m_connection(connection), m_host(host),
      m_kind(host == HostKind::Word ? DocumentKind::Text : DocumentKind::Presentation)
{
}

LibreOfficeModel::~LibreOfficeModel() = default;

void LibreOfficeModel::AdoptOpenDocuments()
{
    Refresh();
    for (const auto& pDoc : m_vecDocs) pDoc->m_bAnnounced = true;
}

bool LibreOfficeModel::Accepts(const std::string& path) const
{
    static const std::vector<std::string> kWord = {".doc", ".docx", ".docm", ".dot", ".dotx",
                                                   ".odt", ".ott",  ".fodt", ".rtf"};
    static const std::vector<std::string> kPowerPoint = {".ppt", ".pptx", ".pptm", ".pot",
                                                         ".potx", ".odp", ".otp", ".fodp"};
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return false;
    const std::string extension = path.substr(dot);
    const auto& known = m_host == HostKind::Word ? kWord : kPowerPoint;
    return std::any_of(known.begin(), known.end(), [&](const std::string& k) { return registry::EqualNoCase(k, extension); });
}

void LibreOfficeModel::SetDocumentHooks(std::function<void(LibreOfficeDocument&)> fnJoined,
                                        std::function<void(LibreOfficeDocument&)> fnLeaving)
{
    m_fnJoined = std::move(fnJoined);
    m_fnLeaving = std::move(fnLeaving);
}

void LibreOfficeModel::Notice(const std::string& text) const
{
    if (m_fnNotices) m_fnNotices(text);
}

LibreOfficeDocument* LibreOfficeModel::ById(DocumentId id) const
{
    for (const auto& pDoc : m_vecDocs)
        if (pDoc->Id() == id) return pDoc.get();
    return nullptr;
}

LibreOfficeDocument* LibreOfficeModel::Own(const OfficeDocument* pDoc) const
{
    for (const auto& pOwn : m_vecDocs)
        if (pOwn.get() == pDoc) return pOwn.get();
    return nullptr;
}

std::vector<LibreOfficeDocument*> LibreOfficeModel::OpenedHere() const
{
    std::vector<LibreOfficeDocument*> docs;
    for (DocumentId id : m_vecOpenedHere)
        if (LibreOfficeDocument* pDoc = ById(id)) docs.push_back(pDoc);
    return docs;
}

LibreOfficeDocument* LibreOfficeModel::Adopt(const DocumentInfo& info) const
{
    if (LibreOfficeDocument* pDoc = ById(info.id)) return pDoc;
    auto pNew = std::make_unique<LibreOfficeDocument>(const_cast<LibreOfficeModel&>(*this), info);
    LibreOfficeDocument* pDoc = pNew.get();
    m_vecDocs.push_back(std::move(pNew));
    m_vecZOrder.push_back(pDoc); // behind the documents known already
    if (m_fnJoined) m_fnJoined(*pDoc);
    return pDoc;
}

void LibreOfficeModel::Refresh() const
{
    if (m_bRefreshing) return;
    m_bRefreshing = true;
    std::string error;
    std::vector<DocumentInfo> infos = m_connection.Documents(m_kind, &error);
    if (error.empty()) {
        for (const DocumentInfo& info : infos) Adopt(info);
        // Documents the office no longer has left without an event we saw.
        std::vector<LibreOfficeDocument*> gone;
        for (const auto& pDoc : m_vecDocs)
            if (std::none_of(infos.begin(), infos.end(), [&](const DocumentInfo& i) { return i.id == pDoc->Id(); }))
                gone.push_back(pDoc.get());
        for (LibreOfficeDocument* pDoc : gone) const_cast<LibreOfficeModel*>(this)->Drop(pDoc);
    }
    m_bRefreshing = false;
}

int LibreOfficeModel::Count() const
{
    Refresh();
    return static_cast<int>(m_vecDocs.size());
}

LibreOfficeDocument* LibreOfficeModel::Item(int index) const
{
    if (index < 1 || index > Count()) return nullptr;
    return m_vecDocs[static_cast<size_t>(index - 1)].get();
}

int LibreOfficeModel::IndexOf(const OfficeDocument* pDoc) const
{
    for (size_t i = 0; i < m_vecDocs.size(); ++i)
        if (m_vecDocs[i].get() == pDoc) return static_cast<int>(i + 1);
    return 0;
}

LibreOfficeDocument* LibreOfficeModel::Active() const
{
    Refresh();
    return m_vecZOrder.empty() ? nullptr : m_vecZOrder.front();
}

LibreOfficeDocument* LibreOfficeModel::Find(const std::string& name) const
{
    if (name.empty()) return nullptr;
    Refresh();
    const std::string full = files::MakeFullPath(name);
    for (const auto& pDoc : m_vecDocs)
        if (pDoc->FullName() == name || pDoc->FullName() == full) return pDoc.get();
    for (const auto& pDoc : m_vecDocs)
        if (pDoc->Name() == name) return pDoc.get();
    return nullptr;
}

void LibreOfficeModel::BringToFront(LibreOfficeDocument* pDoc) const
{
    std::erase(m_vecZOrder, pDoc);
    m_vecZOrder.insert(m_vecZOrder.begin(), pDoc);
}

void LibreOfficeModel::Announce(LibreOfficeDocument& doc, bool bOpened)
{
    if (doc.m_bAnnounced) return;
    doc.m_bAnnounced = true;
    BringToFront(&doc);
    const DocumentId id = doc.Id();
    if (bOpened && m_pEvents) m_pEvents->DocumentOpened(doc);
    // A handler may have closed it.
    if (LibreOfficeDocument* pDoc = ById(id); pDoc && m_pEvents) m_pEvents->WindowActivated(*pDoc);
}

void LibreOfficeModel::Drop(LibreOfficeDocument* pDoc)
{
    if (!Own(pDoc)) return;
    if (!pDoc->m_bClosing) {
        pDoc->m_bClosing = true;
        if (m_pEvents && pDoc->m_bAnnounced) m_pEvents->DocumentClosing(*pDoc);
    }
    if (!Own(pDoc)) return;
    if (m_fnLeaving) m_fnLeaving(*pDoc);
    std::erase(m_vecZOrder, pDoc);
    std::erase(m_vecOpenedHere, pDoc->Id());
    std::erase_if(m_vecDocs, [&](const auto& p) { return p.get() == pDoc; });
}

void LibreOfficeModel::OnEvent(const DocumentEvent& event)
{
    if (event.docKind != m_kind) return;
    LibreOfficeDocument* pDoc = ById(event.id);
    switch (event.kind) {
    case DocumentEventKind::Load:
    case DocumentEventKind::New: {
        if (!pDoc) {
            DocumentInfo info = m_connection.Info(event.id, nullptr);
            if (info.id == 0) return;
            pDoc = Adopt(info);
        }
        Announce(*pDoc, event.kind == DocumentEventKind::Load);
        break;
    }
    case DocumentEventKind::Focus:
        if (!pDoc) return;
        if (!pDoc->m_bAnnounced) {
            Announce(*pDoc, true);
        } else if (Active() != pDoc) {
            BringToFront(pDoc);
            if (m_pEvents) m_pEvents->WindowActivated(*pDoc);
        }
        break;
    case DocumentEventKind::Save:
    case DocumentEventKind::SaveAs:
        if (pDoc && m_pEvents) m_pEvents->BeforeSave(*pDoc, !pDoc->HasFile());
        break;
    case DocumentEventKind::SaveDone:
    case DocumentEventKind::SaveAsDone:
        if (!pDoc) return;
        if (DocumentInfo info = m_connection.Info(event.id, nullptr); info.id != 0) pDoc->Update(info);
        pDoc->m_bChanged = false;
        if (m_pEvents) m_pEvents->AfterSave(*pDoc);
        break;
    case DocumentEventKind::PrepareUnload:
    case DocumentEventKind::Unload:
        if (pDoc) Drop(pDoc);
        break;
    }
}

LibreOfficeDocument* LibreOfficeModel::Open(const std::string& path, int, std::string* error)
{
    if (path.empty()) {
        SetError(error, "no file name given");
        return nullptr;
    }
    const std::string full = files::MakeFullPath(path);
    if (!files::Exists(full) || files::IsDirectory(full)) {
        SetError(error, full + ": no such file");
        return nullptr;
    }
    if (LibreOfficeDocument* pOpen = Find(full); pOpen && pOpen->FullName() == full) {
        Activate(pOpen);
        return pOpen;
    }
    std::string loadError;
    const DocumentId id = m_connection.Load(full, false, &loadError);
    if (id == 0) {
        SetError(error, loadError);
        return nullptr;
    }
    DocumentInfo info = m_connection.Info(id, &loadError);
    if (info.id == 0) {
        SetError(error, loadError);
        return nullptr;
    }
    if (info.kind != m_kind) {
        m_connection.Close(id, nullptr);
        SetError(error, full + " is not a " + std::string(m_host == HostKind::Word ? "text document" : "presentation"));
        return nullptr;
    }
    LibreOfficeDocument* pDoc = Adopt(info);
    m_vecOpenedHere.push_back(id);
    Announce(*pDoc, true);
    return ById(id);
}

LibreOfficeDocument* LibreOfficeModel::New()
{
    std::string error;
    const DocumentId id = m_connection.New(m_kind, false, &error);
    if (id == 0) {
        Notice("cannot make a new document: " + error);
        return nullptr;
    }
    DocumentInfo info = m_connection.Info(id, &error);
    if (info.id == 0) return nullptr;
    LibreOfficeDocument* pDoc = Adopt(info);
    m_vecOpenedHere.push_back(id);
    Announce(*pDoc, false);
    return ById(id);
}

bool LibreOfficeModel::Activate(OfficeDocument* pOfficeDoc)
{
    LibreOfficeDocument* pDoc = Own(pOfficeDoc);
    if (!pDoc) return false;
    if (Active() == pDoc) return true;
    m_connection.Activate(pDoc->Id(), nullptr);
    if (!Own(pDoc) || Active() == pDoc) return Own(pDoc) != nullptr; // its OnFocus came meanwhile
    BringToFront(pDoc);
    if (m_pEvents) m_pEvents->WindowActivated(*pDoc);
    return true;
}

void LibreOfficeModel::RefocusActiveWindow()
{
    if (LibreOfficeDocument* pDoc = Active(); pDoc && m_pEvents) m_pEvents->WindowActivated(*pDoc);
}

bool LibreOfficeModel::Save(OfficeDocument* pOfficeDoc, const std::string& path, std::string* error)
{
    LibreOfficeDocument* pDoc = Own(pOfficeDoc);
    if (!pDoc) {
        SetError(error, "the document is not open");
        return false;
    }
    const std::string target = path.empty() ? std::string() : files::MakeFullPath(path);
    if (target.empty() && !pDoc->HasFile()) {
        SetError(error, pDoc->FullName() + " has never been saved: give a file name");
        return false;
    }
    if (!target.empty() && files::IsDirectory(target)) {
        SetError(error, target + " is a folder");
        return false;
    }
    // The office fires OnSave (handled in place, before the file is written) and
    // OnSaveDone (posted) itself.
    return m_connection.Store(pDoc->Id(), target, error);
}

bool LibreOfficeModel::Close(OfficeDocument* pOfficeDoc)
{
    LibreOfficeDocument* pDoc = Own(pOfficeDoc);
    if (!pDoc) return false;
    const DocumentId id = pDoc->Id();
    const bool bWasActive = Active() == pDoc;
    Drop(pDoc); // the close events in the hosts' order, before the office lets go
    std::string error;
    if (!m_connection.Close(id, &error)) Notice("LibreOffice did not close the document: " + error);
    if (bWasActive && Active() && m_pEvents) m_pEvents->WindowActivated(*Active());
    return true;
}

bool LibreOfficeModel::ExportSlides(const OfficeDocument& officeDoc, const std::string& folder,
                                    const std::string& format, std::string* error)
{
    const LibreOfficeDocument* pDoc = Own(&officeDoc);
    if (!pDoc) {
        SetError(error, "the presentation is not open");
        return false;
    }
    if (folder.empty()) {
        SetError(error, "no folder given");
        return false;
    }
    return m_connection.ExportSlides(pDoc->Id(), files::MakeFullPath(folder), format, kSlideWidth, kSlideHeight,
                                     error);
}

bool LibreOfficeModel::SaveCopy(const OfficeDocument& officeDoc, const std::string& path, std::string* error)
{
    const LibreOfficeDocument* pDoc = Own(&officeDoc);
    if (!pDoc) {
        SetError(error, "the document is not open");
        return false;
    }
    if (path.empty()) {
        SetError(error, "no file name given");
        return false;
    }
    return m_connection.StoreCopy(pDoc->Id(), files::MakeFullPath(path), error);
}

int LibreOfficeModel::InsertFromFile(OfficeDocument& officeDoc, const std::string& file, int index, int start,
                                     int end, std::string* error)
{
    LibreOfficeDocument* pDoc = Own(&officeDoc);
    if (!pDoc) {
        SetError(error, "the presentation is not open");
        return -1;
    }
    const std::string full = files::MakeFullPath(file);
    if (!files::Exists(full) || files::IsDirectory(full)) {
        SetError(error, full + ": no such file");
        return -1;
    }
    pDoc->SyncSlideIds();
    const int inserted = m_connection.InsertSlides(pDoc->Id(), full, index, start, end, error);
    if (inserted > 0) {
        pDoc->SlidesInserted(index, inserted);
        pDoc->MarkChanged();
    }
    return inserted;
}

} // namespace quillmark::libreoffice
