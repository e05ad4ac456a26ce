#include "simoffice/officemodel.h"
#include "platform/errors/seterror.h"

#include "docprops/docprops.h"
#include "docprops/savetarget.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/imaging/image.h"
#include "simoffice/slidefile.h"
#include "simoffice/sliderenderer.h"

#include <QBuffer>
#include <QImage>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace quillmark::simoffice {

namespace {

std::string Placeholder(HostKind host)
{
    return host == HostKind::Word ? "Quillmark simulated Word document\n"
                                  : "Quillmark simulated PowerPoint presentation\n";
}

docprops::Properties ToFileProperties(const DocumentProperties& properties)
{
    docprops::Properties values;
    for (const auto& [name, value] : properties.All())
        if (std::string* pField = values.Field(name)) *pField = value;
    return values;
}

void FromFileProperties(const docprops::Properties& values, DocumentProperties& properties)
{
    for (const auto& [name, value] : properties.All()) {
        (void)value;
        if (const std::string* pField = values.Field(name)) properties.Set(name, *pField);
    }
}

} // namespace

OfficeModel::OfficeModel(HostKind host) : m_host(host) {}
OfficeModel::~OfficeModel() = default;

int OfficeModel::AddListener(std::function<void()> fnListener)
{
    m_mapListeners[++m_nNextListener] = std::move(fnListener);
    return m_nNextListener;
}

void OfficeModel::RemoveListener(int id) { m_mapListeners.erase(id); }

void OfficeModel::Notify() const
{
    auto listeners = m_mapListeners; // a listener may remove itself
    for (const auto& [id, fn] : listeners)
        if (fn) fn();
}

SimDocument* OfficeModel::Adopt(std::unique_ptr<SimDocument> pNew)
{
    pNew->m_bSaved = true;
    pNew->SetChangeHook([this] { Notify(); });
    SimDocument* pDoc = pNew.get();
    m_vecDocs.push_back(std::move(pNew));
    m_vecZOrder.insert(m_vecZOrder.begin(), pDoc);
    return pDoc;
}

SimDocument* OfficeModel::Item(int index) const
{
    if (index < 1 || index > Count()) return nullptr;
    return m_vecDocs[static_cast<size_t>(index - 1)].get();
}

int OfficeModel::IndexOf(const OfficeDocument* pDoc) const
{
    for (size_t i = 0; i < m_vecDocs.size(); ++i)
        if (m_vecDocs[i].get() == pDoc) return static_cast<int>(i + 1);
    return 0;
}

SimDocument* OfficeModel::Find(const std::string& name) const
{
    if (name.empty()) return nullptr;
    std::string full = files::MakeFullPath(name);
    for (const auto& pDoc : m_vecDocs)
        if (pDoc->FullName() == name || pDoc->FullName() == full) return pDoc.get();
    for (const auto& pDoc : m_vecDocs)
        if (pDoc->Name() == name) return pDoc.get();
    return nullptr;
}

std::vector<Slide> OfficeModel::SlidesOfFile(const std::string& fullName) const
{
    auto it = m_mapSaved.find(fullName);
    if (it != m_mapSaved.end()) return it->second.slides;
    if (SlideFileKindOf(fullName) != SlideFileKind::None) {
        // A file that cannot be read as a presentation (damaged, or not what its name
        // says) still opens, with made-up slides.
        if (auto titles = ReadSlideTitles(fullName, nullptr)) {
            std::vector<Slide> slides;
            for (size_t i = 0; i < titles->size(); ++i)
                slides.push_back({(*titles)[i], NextSlideId(), fullName, static_cast<int>(i + 1)});
            return slides;
        }
    }
    SimDocument scratch(fullName, true);
    scratch.SetSlideCount(m_nDefaultSlides);
    return scratch.Slides();
}

SimDocument* OfficeModel::Open(const std::string& path, int slides, std::string* error)
{
    if (path.empty()) {
        SetError(error, "no file name given");
        return nullptr;
    }
    std::string full = files::MakeFullPath(path);
    for (const auto& pDoc : m_vecDocs) {
        if (pDoc->FullName() == full) {
            SimDocument* pOpen = pDoc.get();
            if (m_host == HostKind::PowerPoint && slides > 0) pOpen->SetSlideCount(slides);
            Activate(pOpen);
            Notify();
            return IsOpen(pOpen) ? pOpen : nullptr;
        }
    }
    if (!files::Exists(full) || files::IsDirectory(full)) {
        SetError(error, full + ": no such file");
        return nullptr;
    }
    // A device or a pipe would be read without end (or wait forever) at the next save.
    if (!files::IsRegularFile(full)) {
        SetError(error, full + ": not a regular file");
        return nullptr;
    }
    auto pNew = std::make_unique<SimDocument>(full, true);
    LoadProperties(*pNew);
    if (m_host == HostKind::PowerPoint) {
        pNew->m_vecSlides = SlidesOfFile(full);
        if (slides > 0) pNew->SetSlideCount(slides);
    }
    SimDocument* pDoc = Adopt(std::move(pNew));
    Notify();
    if (m_pEvents) m_pEvents->DocumentOpened(*pDoc);
    if (IsOpen(pDoc) && m_pEvents) m_pEvents->WindowActivated(*pDoc);
    if (!IsOpen(pDoc)) {
        SetError(error, full + ": closed while it was being opened");
        return nullptr;
    }
    return pDoc;
}

SimDocument* OfficeModel::New()
{
    std::string name = (m_host == HostKind::Word ? "Document" : "Presentation") + std::to_string(++m_nNewCount);
    auto pNew = std::make_unique<SimDocument>(name, false);
    if (m_host == HostKind::PowerPoint) pNew->SetSlideCount(1);
    SimDocument* pDoc = Adopt(std::move(pNew));
    Notify();
    if (m_pEvents) m_pEvents->WindowActivated(*pDoc);
    return IsOpen(pDoc) ? pDoc : nullptr;
}

void OfficeModel::BringToFront(SimDocument* pDoc)
{
    std::erase(m_vecZOrder, pDoc);
    m_vecZOrder.insert(m_vecZOrder.begin(), pDoc);
}

bool OfficeModel::Activate(OfficeDocument* pOfficeDoc)
{
    SimDocument* pDoc = Own(pOfficeDoc);
    if (!IsOpen(pDoc)) return false;
    if (Active() == pDoc) return true;
    BringToFront(pDoc);
    Notify();
    if (m_pEvents) m_pEvents->WindowActivated(*pDoc);
    return true;
}

bool OfficeModel::Save(OfficeDocument* pOfficeDoc, const std::string& path, std::string* error)
{
    SimDocument* pDoc = Own(pOfficeDoc);
    if (!IsOpen(pDoc)) {
        SetError(error, "the document is not open");
        return false;
    }
    std::string target = path.empty() ? (pDoc->HasFile() ? pDoc->FullName() : std::string())
                                      : files::MakeFullPath(path);
    if (target.empty()) {
        SetError(error, pDoc->FullName() + " has never been saved: give a file name");
        return false;
    }
    if (SimDocument* pOther = Find(target); pOther && pOther != pDoc && pOther->FullName() == target) {
        SetError(error, target + " is open in another window");
        return false;
    }
    if (files::IsDirectory(target)) {
        SetError(error, target + " is a folder");
        return false;
    }
    if (m_pEvents && m_pEvents->BeforeSave(*pDoc, !pDoc->HasFile())) {
        SetError(error, "the save was cancelled");
        return false;
    }
    if (!IsOpen(pDoc)) {
        SetError(error, "the document was closed before it was saved");
        return false;
    }
    bool bInFile = false;
    files::FileStamp written;
    if (!WriteDocumentFile(*pDoc, target, bInFile, written, error)) return false;
    pDoc->m_bPropertiesInFile = bInFile;
    pDoc->m_stampRead = written;
    pDoc->m_strFullName = target;
    pDoc->m_bHasFile = true;
    pDoc->m_bSaved = true;
    m_mapSaved[target] = SavedState{pDoc->m_properties, pDoc->m_vecSlides};
    Notify();
    if (m_pEvents) m_pEvents->AfterSave(*pDoc);
    return true;
}

void OfficeModel::Notice(const std::string& text) const
{
    if (m_fnNotices) m_fnNotices(text);
}

void OfficeModel::LoadProperties(SimDocument& doc) const
{
    const std::string& path = doc.m_strFullName;
    doc.m_bPropertiesInFile = false;
    if (docprops::FormatOf(path) != docprops::Format::Other) {
        std::string why;
        if (std::optional<docprops::Properties> values = docprops::Read(path, &why, &doc.m_stampRead)) {
            FromFileProperties(*values, doc.m_properties);
            doc.m_bPropertiesInFile = true;
            return;
        }
        Notice(path + ": the document properties cannot be read: " + why +
               ". Saving will not write into this file; its properties are kept only while the host runs.");
    }
    // Without a place in the file they live as long as the host.
    auto it = m_mapSaved.find(path);
    if (it != m_mapSaved.end()) doc.m_properties = it->second.properties;
}

bool OfficeModel::WriteDocumentFile(const SimDocument& doc, const std::string& target, bool& bInFile,
                                    files::FileStamp& written, std::string* error) const
{
    bInFile = false;
    written = {};
    const docprops::Format format = docprops::FormatOf(target);
    if (format != docprops::Format::Other) {
        // A new document becomes a file of the target's kind; a document read from a file of
        // that kind gets its properties written into a copy of it.
        const bool bFromFile = doc.HasFile() && doc.m_bPropertiesInFile && docprops::FormatOf(doc.FullName()) == format;
        if (!doc.HasFile() || bFromFile) {
            std::string why;
            const files::FileStamp* pAsRead = bFromFile && doc.m_stampRead.exists ? &doc.m_stampRead : nullptr;
            if (!docprops::Write(bFromFile ? doc.FullName() : std::string(), target,
                                 ToFileProperties(doc.m_properties), &why, pAsRead, &written)) {
                SetError(error, "cannot save " + target + ": " + why);
                return false;
            }
            bInFile = true;
            return true;
        }
        // A file that is not what its name says is never turned into something else.
        if (doc.FullName() == target) {
            Notice(target + " was left unchanged: its document properties cannot be written into it "
                            "(it is not " + docprops::FormatName(format) + " as its name says, or a damaged one). "
                            "They are kept only while the host runs.");
            return true;
        }
        Notice(target + ": saved as a copy of " + doc.FullName() + ", which is not " + docprops::FormatName(format) +
               "; its document properties are kept only while the host runs.");
    }
    // Keep the bytes of the document's own file; a document without one gets a placeholder.
    std::string content = Placeholder(m_host);
    if (doc.HasFile()) {
        std::string readError;
        std::optional<std::string> bytes = files::ReadFile(doc.FullName(), &readError);
        if (!bytes) {
            SetError(error, "cannot save " + target + ": " + readError);
            return false;
        }
        content = std::move(*bytes);
    }
    // Links written through, read-only files refused, hard links kept, as for any document.
    docprops::SaveTarget saveTarget;
    std::string writeError;
    if (!saveTarget.Prepare(target, &writeError) || !saveTarget.Write(content, 0644, nullptr, &writeError)) {
        SetError(error, "cannot save " + target + ": " + writeError);
        return false;
    }
    return true;
}

void OfficeModel::RefocusActiveWindow()
{
    if (Active() && m_pEvents) m_pEvents->WindowActivated(*Active());
}

bool OfficeModel::Close(OfficeDocument* pOfficeDoc)
{
    SimDocument* pDoc = Own(pOfficeDoc);
    if (!IsOpen(pDoc)) return false;
    bool bWasActive = Active() == pDoc;
    if (m_pEvents) m_pEvents->DocumentClosing(*pDoc);
    int index = IndexOf(pDoc); // a receiver may have closed other documents meanwhile
    if (index == 0) return true;
    std::erase(m_vecZOrder, pDoc);
    m_vecDocs.erase(m_vecDocs.begin() + (index - 1));
    Notify();
    if (bWasActive && Active() && m_pEvents) m_pEvents->WindowActivated(*Active());
    return true;
}

bool OfficeModel::ExportSlides(const OfficeDocument& officeDoc, const std::string& folder,
                               const std::string& format, std::string* error)
{
    const SimDocument* pDoc = Own(&officeDoc);
    if (!pDoc) {
        SetError(error, "not a document of this office");
        return false;
    }
    const SimDocument& doc = *pDoc;
    if (folder.empty()) {
        SetError(error, "no folder given");
        return false;
    }
    std::string dir = files::MakeFullPath(folder);
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    std::string mkError;
    if (!files::IsDirectory(dir) && !files::MakeDirectories(dir, &mkError)) {
        SetError(error, "cannot create " + dir + ": " + mkError);
        return false;
    }
    const auto& slides = doc.Slides();
    std::set<std::string> unrendered; // sources already reported
    for (size_t i = 0; i < slides.size(); ++i) {
        int number = static_cast<int>(i + 1);
        QImage picture = RenderedPage(slides[i], unrendered);
        std::string file = dir + "/Slide" + std::to_string(number) + "." + format;
        std::string saveError;
        bool bOk = false;
        if (!picture.isNull()) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            bOk = buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, format == "JPG" ? "JPG" : "BMP", 90) &&
                  files::AtomicReplace(file, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                                       0644, &saveError);
            if (!bOk && saveError.empty()) saveError = "cannot encode the picture of slide " + std::to_string(number);
        } else {
            std::string drawError;
            imaging::Image drawn = imaging::DrawSlidePicture(number, slides[i].text, kSlideWidth, kSlideHeight,
                                                             &drawError);
            if (drawn.IsNull()) {
                SetError(error, "slide " + std::to_string(number) + ": " + drawError);
                return false;
            }
            bOk = format == "JPG" ? drawn.SaveJpeg(file, 90, &saveError) : drawn.SaveBmp(file, &saveError);
        }
        if (!bOk) {
            SetError(error, saveError);
            return false;
        }
    }
    return true;
}

QImage OfficeModel::RenderedPage(const Slide& slide, std::set<std::string>& unrendered)
{
    if (slide.source.empty() || slide.page < 1 || unrendered.count(slide.source)) return {};
    if (!m_pRenderer) m_pRenderer = std::make_unique<SlideRenderer>();
    std::string error;
    const std::vector<QImage>* pages = m_pRenderer->Pages(slide.source, kSlideWidth, &error);
    if (pages && slide.page <= static_cast<int>(pages->size())) return (*pages)[static_cast<size_t>(slide.page - 1)];
    if (pages) error = "LibreOffice made " + std::to_string(pages->size()) + " pages of it, not " +
                       std::to_string(slide.page) + " or more";
    unrendered.insert(slide.source);
    Notice("cannot render the slides of " + slide.source + ": " + error + "; they are drawn instead");
    return {};
}

bool OfficeModel::SaveCopy(const OfficeDocument& officeDoc, const std::string& path, std::string* error)
{
    const SimDocument* pDoc = Own(&officeDoc);
    if (!pDoc) {
        SetError(error, "not a document of this office");
        return false;
    }
    const SimDocument& doc = *pDoc;
    std::string target = files::MakeFullPath(path);
    if (target.empty()) {
        SetError(error, "no file name given");
        return false;
    }
    bool bInFile = false;
    files::FileStamp written;
    if (!WriteDocumentFile(doc, target, bInFile, written, error)) return false;
    // A copy over the document's own file is that file's content now.
    if (doc.HasFile() && files::ResolveLinks(target) == files::ResolveLinks(doc.FullName()))
        for (const auto& pOpen : m_vecDocs)
            if (pOpen.get() == &doc) pOpen->m_stampRead = written;
    m_mapSaved[target] = SavedState{doc.m_properties, doc.m_vecSlides};
    return true;
}

int OfficeModel::InsertFromFile(OfficeDocument& officeDoc, const std::string& file, int index, int start,
                                int end, std::string* error)
{
    SimDocument* pDoc = Own(&officeDoc);
    if (!pDoc) {
        SetError(error, "not a document of this office");
        return -1;
    }
    SimDocument& doc = *pDoc;
    std::string full = files::MakeFullPath(file);
    if (!files::Exists(full) || files::IsDirectory(full)) {
        SetError(error, full + ": no such file");
        return -1;
    }
    std::vector<Slide> source = SlidesOfFile(full);
    int count = static_cast<int>(source.size());
    if (end < 0) end = count; // -1: to the last slide
    if (start < 1 || start > end || end > count) {
        SetError(error, "slides " + std::to_string(start) + " to " + std::to_string(end) + " are not in " +
                            full + " (" + std::to_string(count) + " slides)");
        return -1;
    }
    auto& slides = doc.m_vecSlides;
    if (index < 0 || index > static_cast<int>(slides.size())) {
        SetError(error, "index " + std::to_string(index) + " is outside the presentation (" +
                            std::to_string(slides.size()) + " slides)");
        return -1;
    }
    if (slides.size() + static_cast<std::size_t>(end - start + 1) > SimDocument::kMaxSlides) {
        SetError(error, "inserting " + std::to_string(end - start + 1) + " slides would give the presentation more than " +
                            std::to_string(SimDocument::kMaxSlides));
        return -1;
    }
    std::vector<Slide> inserted(source.begin() + (start - 1), source.begin() + end);
    for (Slide& slide : inserted) slide.id = NextSlideId();
    slides.insert(slides.begin() + index, inserted.begin(), inserted.end());
    // The view keeps showing the slide it showed.
    if (index < doc.m_nCurrentSlide) doc.m_nCurrentSlide += end - start + 1;
    doc.MarkChanged();
    return end - start + 1;
}

} // namespace quillmark::simoffice
