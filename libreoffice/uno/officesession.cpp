#include "libreoffice/uno/officesession.h"

#include "docprops/docprops.h"
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/unotext.h"
#include "resources/strings.h"
#include "store/tagtext.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/frame/theGlobalEventBroadcaster.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace quillmark::libreoffice {

using css::beans::PropertyValue;
using css::frame::XModel;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

// The office's event names and ours.
constexpr std::array<std::pair<std::string_view, DocumentEventKind>, 10> kEvents = {{
    {"OnLoad", DocumentEventKind::Load},
    {"OnCreate", DocumentEventKind::New},
    {"OnNew", DocumentEventKind::New},
    {"OnSave", DocumentEventKind::Save},
    {"OnSaveDone", DocumentEventKind::SaveDone},
    {"OnSaveAs", DocumentEventKind::SaveAs},
    {"OnSaveAsDone", DocumentEventKind::SaveAsDone},
    {"OnFocus", DocumentEventKind::Focus},
    {"OnPrepareUnload", DocumentEventKind::PrepareUnload},
    {"OnUnload", DocumentEventKind::Unload},
}};

// Writes each file type by the extension of its name, per kind of document.
struct FilterRow {
    std::string_view extension;
    DocumentKind kind;
    std::string_view filter;
};
constexpr std::array<FilterRow, 15> kFilters = {{
    {"docx", DocumentKind::Text, "MS Word 2007 XML"},
    {"docm", DocumentKind::Text, "MS Word 2007 XML VBA"},
    {"dotx", DocumentKind::Text, "MS Word 2007 XML Template"},
    {"doc", DocumentKind::Text, "MS Word 97"},
    {"dot", DocumentKind::Text, "MS Word 97 Vorlage"},
    {"odt", DocumentKind::Text, "writer8"},
    {"ott", DocumentKind::Text, "writer8_template"},
    {"rtf", DocumentKind::Text, "Rich Text Format"},
    {"pptx", DocumentKind::Presentation, "Impress MS PowerPoint 2007 XML"},
    {"pptm", DocumentKind::Presentation, "Impress MS PowerPoint 2007 XML VBA"},
    {"potx", DocumentKind::Presentation, "Impress MS PowerPoint 2007 XML Template"},
    {"ppt", DocumentKind::Presentation, "MS PowerPoint 97"},
    {"pot", DocumentKind::Presentation, "MS PowerPoint 97 Vorlage"},
    {"odp", DocumentKind::Presentation, "impress8"},
    {"otp", DocumentKind::Presentation, "impress8_template"},
}};

std::string LowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string_view FilterFor(DocumentKind kind, const std::string& path)
{
    const std::string ext = LowerExtension(path);
    for (const auto& row : kFilters)
        if (row.kind == kind && row.extension == ext) return row.filter;
    return {};
}


// Files whose Keywords the office joins with blanks on writing: one element then.
bool KeywordsAsOneElement(const std::string& path)
{
    const auto format = docprops::FormatOf(path);
    return format == docprops::Format::OfficeOpenXml || format == docprops::Format::Ole2;
}

// The ways the office splits a Keywords text read from a file into a list.
std::vector<std::string> SplitOn(const std::string& text, std::string_view separators, bool bTrim)
{
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        std::string item = bTrim ? TrimTag(current) : current;
        if (!item.empty()) out.push_back(std::move(item));
        current.clear();
    };
    for (char c : text) {
        if (separators.find(c) != std::string_view::npos) flush();
        else current += c;
    }
    flush();
    return out;
}

bool MatchesFileText(const std::vector<std::string>& list, const std::string& fileText)
{
    if (list.size() == 1 && list[0] == fileText) return true;
    return list == SplitOn(fileText, " ,;:\t", false) || list == SplitOn(fileText, ",", true);
}

class EventListener : public cppu::WeakImplHelper1<css::document::XDocumentEventListener> {
public:
    explicit EventListener(std::weak_ptr<OfficeSession> wpSession) : m_wpSession(std::move(wpSession)) {}
    void SAL_CALL documentEventOccured(const css::document::DocumentEvent& event) override
    {
        if (auto sp = m_wpSession.lock()) sp->OnDocumentEvent(event);
    }
    void SAL_CALL disposing(const css::lang::EventObject&) override {}

private:
    std::weak_ptr<OfficeSession> m_wpSession;
};

// Notices the bridge closing (the office ended or the pipe broke).
class BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeListener(std::weak_ptr<OfficeSession> wpSession) : m_wpSession(std::move(wpSession)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override
    {
        if (auto sp = m_wpSession.lock()) sp->m_bAlive = false;
    }

private:
    std::weak_ptr<OfficeSession> m_wpSession;
};

} // namespace

Reference<uno::XComponentContext> OfficeSession::LocalContext(std::string* error)
{
    static std::mutex s_mutex;
    static Reference<uno::XComponentContext> s_xLocal;
    static std::string s_strError;
    std::lock_guard lock(s_mutex);
    if (s_xLocal.is()) return s_xLocal;
    // Our own process needs the office's type and service registries; they are
    // named by its fundamentalrc, so users need not set URE_BOOTSTRAP.
    std::string programDir = QUILLMARK_LO_PROGRAM_DIR;
    if (const char* own = std::getenv("QUILLMARK_LO_PROGRAM_DIR"); own && *own) programDir = own;
    const std::string rc = programDir + "/fundamentalrc";
    if (!std::filesystem::exists(rc)) {
        if (error) *error = Message(600, {rc});
        return nullptr;
    }
    if (!std::getenv("URE_BOOTSTRAP")) ::setenv("URE_BOOTSTRAP", ("vnd.sun.star.pathname:" + rc).c_str(), 1);
    try {
        s_xLocal = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const cppu::BootstrapException& e) {
        s_strError = Message(600, {rc + " (" + ToStd(e.getMessage()) + ")"});
    } catch (...) {
        s_strError = CurrentExceptionMessage();
    }
    if (!s_xLocal.is() && error) *error = s_strError;
    return s_xLocal;
}

void OfficeSession::Open(const Reference<uno::XComponentContext>& xLocal, const std::string& connect)
{
    Reference<css::connection::XConnection> xConnection;
    try {
        xConnection = css::connection::Connector::create(xLocal)->connect(ToOU(connect));
    } catch (const css::connection::NoConnectException&) {
        throw UserError(Message(601, {connect, connect}));
    }
    auto xFactory = css::bridge::BridgeFactory::create(xLocal);
    m_xBridge = xFactory->createBridge(OUString(), "urp", xConnection, nullptr);
    Reference<css::lang::XComponent>(m_xBridge, UNO_QUERY_THROW)
        ->addEventListener(new BridgeListener(weak_from_this()));
    m_xRemote.set(m_xBridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
    m_xDesktop = css::frame::Desktop::create(m_xRemote);
    m_xBroadcaster.set(css::frame::theGlobalEventBroadcaster::get(m_xRemote), UNO_QUERY_THROW);
    m_xListener = new EventListener(weak_from_this());
    m_xBroadcaster->addDocumentEventListener(m_xListener);
    m_bAlive = true;
}

void OfficeSession::Shut(bool bTerminateOffice)
{
    {
        std::lock_guard lock(m_mutex);
        m_fnHandler = nullptr;
    }
    if (m_bAlive) {
        try {
            if (m_xBroadcaster.is() && m_xListener.is()) m_xBroadcaster->removeDocumentEventListener(m_xListener);
            if (bTerminateOffice && m_xDesktop.is()) m_xDesktop->terminate();
        } catch (...) {
            // The office may be gone already, or end while it answers.
        }
    }
    if (Reference<css::lang::XComponent> xBridge{m_xBridge, UNO_QUERY}; xBridge.is()) {
        try {
            xBridge->dispose();
        } catch (...) {
        }
    }
    m_bAlive = false;
}

namespace {
Reference<css::document::XDocumentProperties> PropertiesOf(const Reference<XModel>& xModel);
}

// ---- documents by id

DocumentId OfficeSession::IdOf(const Reference<XModel>& xModel)
{
    {
        std::lock_guard lock(m_mutex);
        for (const auto& entry : m_vecDocs)
            if (entry.xModel == xModel) return entry.id;
    }
    // Asked outside the lock: it is a call into the office.
    DocumentKind kind = DocumentKind::Other;
    if (Reference<css::lang::XServiceInfo> xInfo{xModel, UNO_QUERY}; xInfo.is()) {
        if (xInfo->supportsService("com.sun.star.text.TextDocument")) kind = DocumentKind::Text;
        else if (xInfo->supportsService("com.sun.star.presentation.PresentationDocument"))
            kind = DocumentKind::Presentation;
    }
    std::lock_guard lock(m_mutex);
    for (const auto& entry : m_vecDocs)
        if (entry.xModel == xModel) return entry.id;
    Entry entry;
    entry.id = m_nNextId++;
    entry.xModel = xModel;
    entry.kind = kind;
    m_vecDocs.push_back(std::move(entry));
    return m_vecDocs.back().id;
}

Reference<XModel> OfficeSession::ModelOf(DocumentId id)
{
    std::lock_guard lock(m_mutex);
    for (const auto& entry : m_vecDocs)
        if (entry.id == id) return entry.xModel;
    throw UserError(Message(605));
}

DocumentKind OfficeSession::KindOf(DocumentId id)
{
    std::lock_guard lock(m_mutex);
    for (const auto& entry : m_vecDocs)
        if (entry.id == id) return entry.kind;
    return DocumentKind::Other;
}

void OfficeSession::Forget(DocumentId id)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_vecDocs, [&](const Entry& entry) { return entry.id == id; });
}

bool OfficeSession::WithEntry(DocumentId id, const std::function<void(Entry&)>& fnChange)
{
    std::lock_guard lock(m_mutex);
    for (auto& entry : m_vecDocs)
        if (entry.id == id) {
            fnChange(entry);
            return true;
        }
    return false;
}

std::string OfficeSession::KeywordsPath(DocumentId id, const Reference<XModel>& xModel)
{
    std::string target;
    WithEntry(id, [&](Entry& entry) { target = entry.strStoreTarget; });
    return target.empty() ? PathOfUrl(xModel->getURL()) : target;
}

DocumentInfo OfficeSession::InfoOf(DocumentId id, const Reference<XModel>& xModel)
{
    DocumentInfo info;
    info.id = id;
    info.kind = KindOf(id);
    info.strPath = PathOfUrl(xModel->getURL());
    if (Reference<css::frame::XTitle> xTitle{xModel, UNO_QUERY}; xTitle.is()) info.strTitle = ToStd(xTitle->getTitle());
    if (Reference<css::util::XModifiable> xModifiable{xModel, UNO_QUERY}; xModifiable.is()) info.bModified = xModifiable->isModified();
    return info;
}

std::vector<DocumentInfo> OfficeSession::Documents(std::optional<DocumentKind> kind)
{
    std::vector<DocumentInfo> out;
    auto xEnum = m_xDesktop->getComponents()->createEnumeration();
    std::vector<DocumentId> seen;
    while (xEnum->hasMoreElements()) {
        Reference<XModel> xModel{xEnum->nextElement(), UNO_QUERY};
        if (!xModel.is()) continue;
        const DocumentId id = IdOf(xModel);
        seen.push_back(id);
        if (kind && KindOf(id) != *kind) continue;
        out.push_back(InfoOf(id, xModel));
    }
    // Documents that left the office without our noticing lose their ids.
    std::lock_guard lock(m_mutex);
    std::erase_if(m_vecDocs, [&](const Entry& entry) { return std::find(seen.begin(), seen.end(), entry.id) == seen.end(); });
    return out;
}

DocumentInfo OfficeSession::Info(DocumentId id)
{
    return InfoOf(id, ModelOf(id));
}

DocumentId OfficeSession::Load(const std::string& path, bool bHidden)
{
    std::error_code ec;
    const std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec || !std::filesystem::is_regular_file(full, ec)) {
        char text[1024];
        std::snprintf(text, sizeof text, LoadResString(154).c_str(), path.c_str());
        throw UserError(text);
    }
    const OUString url = UrlOfPath(full);
    // A document open already is found, not opened a second time.
    auto xEnum = m_xDesktop->getComponents()->createEnumeration();
    while (xEnum->hasMoreElements()) {
        Reference<XModel> xModel{xEnum->nextElement(), UNO_QUERY};
        if (xModel.is() && xModel->getURL() == url) return IdOf(xModel);
    }
    const auto args = Args({Prop("Hidden", uno::Any(bHidden))});
    Reference<css::lang::XComponent> xDoc;
    try {
        xDoc = m_xDesktop->loadComponentFromURL(url, "_blank", 0, args);
    } catch (const css::uno::Exception& e) {
        throw UserError(Message(606, {full, ToStd(e.Message)}));
    }
    Reference<XModel> xModel{xDoc, UNO_QUERY};
    if (!xModel.is()) throw UserError(Message(606, {full, "not a document it can read"}));
    const DocumentId id = IdOf(xModel);
    // The office says OnLoad only later, on its own: the document is announced
    // before this call returns (its later OnLoad is then passed over).
    DocumentEvent loaded;
    loaded.kind = DocumentEventKind::Load;
    loaded.id = id;
    loaded.docKind = KindOf(id);
    Dispatch(loaded);
    return id;
}

DocumentId OfficeSession::New(DocumentKind kind, bool bHidden)
{
    const OUString factory = kind == DocumentKind::Presentation ? OUString("private:factory/simpress")
                                                                  : OUString("private:factory/swriter");
    const auto args = Args({Prop("Hidden", uno::Any(bHidden))});
    Reference<XModel> xModel{m_xDesktop->loadComponentFromURL(factory, "_blank", 0, args), UNO_QUERY_THROW};
    return IdOf(xModel);
}

void OfficeSession::Store(DocumentId id, const std::string& path, bool bCopy)
{
    const Reference<XModel> xModel = ModelOf(id);
    const std::string current = PathOfUrl(xModel->getURL());
    std::string target = current;
    if (!path.empty()) {
        std::error_code ec;
        target = std::filesystem::absolute(path, ec).lexically_normal().string();
    }
    if (target.empty()) throw UserError(Message(612));
    const bool bOwnFile = !current.empty() && target == current;
    std::string_view filter = FilterFor(KindOf(id), target);
    if (!bOwnFile && filter.empty()) throw UserError(Message(607, {target}));

    // The Keywords go into the file in the form its format keeps them in; a
    // handler that sets them while the office saves gets the same form.
    const std::string keywords = KeywordsText(id, xModel);
    Reference<css::document::XDocumentProperties> xProps = PropertiesOf(xModel);
    const uno::Sequence<OUString> before = xProps->getKeywords();
    Reference<css::util::XModifiable> xModifiable{xModel, UNO_QUERY};
    const bool bWasModified = xModifiable.is() && xModifiable->isModified();
    WriteKeywords(xModel, target, keywords);
    struct PendingTarget {
        OfficeSession& session;
        DocumentId id;
        ~PendingTarget()
        {
            session.WithEntry(id, [](Entry& entry) { entry.strStoreTarget.clear(); });
        }
    } pending{*this, id};
    WithEntry(id, [&](Entry& entry) { entry.strStoreTarget = target; });

    Reference<css::frame::XStorable> xStorable{xModel, UNO_QUERY_THROW};
    if (bOwnFile && !bCopy) {
        xStorable->store(); // in the format the file was opened in
    } else {
        OUString filterName = OUString::createFromAscii(std::string(filter).c_str());
        if (filter.empty()) {
            // A copy onto its own file name: the format it was opened in.
            for (const auto& arg : xModel->getArgs())
                if (arg.Name == "FilterName") arg.Value >>= filterName;
            if (filterName.isEmpty()) throw UserError(Message(607, {target}));
        }
        const auto props = Args({Prop("FilterName", uno::Any(filterName)), Prop("Overwrite", uno::Any(true))});
        if (bCopy) {
            // The document itself stays as it was.
            struct Restore {
                Reference<css::document::XDocumentProperties> xProps;
                uno::Sequence<OUString> before;
                Reference<css::util::XModifiable> xModifiable;
                bool bWasModified;
                ~Restore()
                {
                    try {
                        if (xProps->getKeywords() != before) xProps->setKeywords(before);
                        if (xModifiable.is() && xModifiable->isModified() != bWasModified)
                            xModifiable->setModified(bWasModified);
                    } catch (...) {
                    }
                }
            } restore{xProps, before, xModifiable, bWasModified};
            xStorable->storeToURL(UrlOfPath(target), props);
            return;
        }
        xStorable->storeAsURL(UrlOfPath(target), props);
    }
    std::lock_guard lock(m_mutex);
    for (auto& entry : m_vecDocs)
        if (entry.id == id) {
            // The office's list is now what was written.
            entry.strFileKeywords.reset();
            entry.bFileKeywordsRead = true;
        }
}

void OfficeSession::Close(DocumentId id)
{
    const Reference<XModel> xModel = ModelOf(id);
    if (Reference<css::util::XModifiable> xModifiable{xModel, UNO_QUERY}; xModifiable.is()) xModifiable->setModified(false);
    if (Reference<css::util::XCloseable> xCloseable{xModel, UNO_QUERY}; xCloseable.is()) xCloseable->close(true);
    else Reference<css::lang::XComponent>(xModel, UNO_QUERY_THROW)->dispose();
    Forget(id);
}

void OfficeSession::Activate(DocumentId id)
{
    const Reference<XModel> xModel = ModelOf(id);
    auto xController = xModel->getCurrentController();
    if (!xController.is()) return;
    auto xFrame = xController->getFrame();
    if (!xFrame.is()) return;
    xFrame->activate();
    if (auto xWindow = xFrame->getContainerWindow(); xWindow.is()) xWindow->setFocus();
}

// ---- properties

namespace {

using Getter = OUString (css::document::XDocumentProperties::*)();
using Setter = void (css::document::XDocumentProperties::*)(const OUString&);
struct PropertyRow {
    std::string_view name;
    Getter get;
    Setter set;
};
const std::array<PropertyRow, 4> kTextProperties = {{
    {"Title", &css::document::XDocumentProperties::getTitle, &css::document::XDocumentProperties::setTitle},
    {"Subject", &css::document::XDocumentProperties::getSubject, &css::document::XDocumentProperties::setSubject},
    {"Author", &css::document::XDocumentProperties::getAuthor, &css::document::XDocumentProperties::setAuthor},
    {"Comments", &css::document::XDocumentProperties::getDescription,
     &css::document::XDocumentProperties::setDescription},
}};

bool SameAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

Reference<css::document::XDocumentProperties> PropertiesOf(const Reference<XModel>& xModel)
{
    Reference<css::document::XDocumentPropertiesSupplier> xSupplier{xModel, UNO_QUERY_THROW};
    return xSupplier->getDocumentProperties();
}

std::vector<std::string> ToVector(const uno::Sequence<OUString>& seq)
{
    std::vector<std::string> out;
    for (const auto& s : seq) out.push_back(ToStd(s));
    return out;
}

} // namespace

std::string OfficeSession::KeywordsText(DocumentId id, const Reference<XModel>& xModel)
{
    const std::vector<std::string> list = ToVector(PropertiesOf(xModel)->getKeywords());
    const std::string path = PathOfUrl(xModel->getURL());
    if (!path.empty() && KeywordsAsOneElement(path)) {
        std::optional<std::string> fileText;
        bool bRead = false;
        {
            std::lock_guard lock(m_mutex);
            for (const auto& entry : m_vecDocs)
                if (entry.id == id) {
                    fileText = entry.strFileKeywords;
                    bRead = entry.bFileKeywordsRead;
                }
        }
        if (!bRead) {
            // The text as the file holds it: the office's list lost the commas.
            if (auto props = docprops::Read(path)) fileText = props->keywords;
            std::lock_guard lock(m_mutex);
            for (auto& entry : m_vecDocs)
                if (entry.id == id) {
                    entry.strFileKeywords = fileText;
                    entry.bFileKeywordsRead = true;
                }
        }
        if (fileText && MatchesFileText(list, *fileText)) return *fileText;
    }
    return JoinTags(list);
}

void OfficeSession::WriteKeywords(const Reference<XModel>& xModel, const std::string& path, const std::string& text)
{
    uno::Sequence<OUString> seq;
    if (KeywordsAsOneElement(path)) {
        if (!text.empty()) {
            const OUString one = ToOU(text);
            seq = uno::Sequence<OUString>(&one, 1);
        }
    } else {
        const TagList tags = SplitTags(text);
        seq.realloc(static_cast<sal_Int32>(tags.size()));
        auto* p = seq.getArray();
        for (std::size_t i = 0; i < tags.size(); ++i) p[i] = ToOU(tags[i]);
    }
    auto xProps = PropertiesOf(xModel);
    if (xProps->getKeywords() != seq) xProps->setKeywords(seq);
}

std::string OfficeSession::GetProperty(DocumentId id, const std::string& name)
{
    const Reference<XModel> xModel = ModelOf(id);
    if (SameAsciiNoCase(name, "Keywords")) return KeywordsText(id, xModel);
    for (const auto& row : kTextProperties)
        if (SameAsciiNoCase(name, row.name)) return ToStd((PropertiesOf(xModel).get()->*row.get)());
    throw UserError(Message(608, {name}));
}

void OfficeSession::SetProperty(DocumentId id, const std::string& name, const std::string& value)
{
    const Reference<XModel> xModel = ModelOf(id);
    if (SameAsciiNoCase(name, "Keywords")) {
        WriteKeywords(xModel, KeywordsPath(id, xModel), value);
        std::lock_guard lock(m_mutex);
        for (auto& entry : m_vecDocs)
            if (entry.id == id) {
                entry.strFileKeywords.reset();
                entry.bFileKeywordsRead = true;
            }
        return;
    }
    for (const auto& row : kTextProperties)
        if (SameAsciiNoCase(name, row.name)) {
            (PropertiesOf(xModel).get()->*row.set)(ToOU(value));
            return;
        }
    throw UserError(Message(608, {name}));
}

// ---- events

void OfficeSession::SetHandler(std::function<void(const DocumentEvent&)> fnHandler, std::set<DocumentEventKind> inPlace)
{
    std::lock_guard lock(m_mutex);
    m_fnHandler = std::move(fnHandler);
    m_setInPlace = std::move(inPlace);
}

void OfficeSession::SetPoster(std::function<void(std::function<void()>)> fnPoster)
{
    std::lock_guard lock(m_mutex);
    m_fnPoster = std::move(fnPoster);
}

void OfficeSession::Post(std::function<void()> fnWork)
{
    std::function<void(std::function<void()>)> poster;
    {
        std::lock_guard lock(m_mutex);
        poster = m_fnPoster;
    }
    if (poster) poster(std::move(fnWork));
    else m_queue.Post(std::move(fnWork));
}

void OfficeSession::OnDocumentEvent(const css::document::DocumentEvent& event)
{
    // Calls back into the office from here must leave from this very thread.
    CallbackScope scope;
    const std::string name = ToStd(event.EventName);
    const auto row = std::find_if(kEvents.begin(), kEvents.end(), [&](const auto& r) { return r.first == name; });
    if (row == kEvents.end()) return;
    Reference<XModel> xModel{event.Source, UNO_QUERY};
    if (!xModel.is()) return;

    DocumentEvent ours;
    ours.kind = row->second;
    try {
        ours.id = IdOf(xModel);
    } catch (...) {
        return; // the document went while we asked about it
    }
    ours.docKind = KindOf(ours.id);

    Dispatch(ours);
}

void OfficeSession::Dispatch(const DocumentEvent& ours)
{
    // One opening event (New or Load) per document; a PrepareUnload before every Unload.
    bool bSkip = false, bPrepareFirst = false;
    WithEntry(ours.id, [&](Entry& entry) {
        if (ours.kind == DocumentEventKind::New || ours.kind == DocumentEventKind::Load) {
            bSkip = entry.bOpenSent;
            entry.bOpenSent = true;
        }
        if (ours.kind == DocumentEventKind::PrepareUnload) entry.bPrepareSent = true;
        if (ours.kind == DocumentEventKind::Unload && !entry.bPrepareSent) {
            bPrepareFirst = true;
            entry.bPrepareSent = true;
        }
    });
    if (bSkip) return;

    std::function<void(const DocumentEvent&)> handler;
    std::set<DocumentEventKind> inPlace;
    {
        std::lock_guard lock(m_mutex);
        handler = m_fnHandler;
        inPlace = m_setInPlace;
    }
    if (!handler) {
        if (ours.kind == DocumentEventKind::Unload) Forget(ours.id);
        return;
    }
    std::vector<DocumentEvent> events;
    if (bPrepareFirst) {
        events.push_back(ours);
        events.back().kind = DocumentEventKind::PrepareUnload;
    }
    events.push_back(ours);
    // Caused by a call of ours: the thread that made it runs the handler now, so
    // the add-in sees the events in the office's order, on its own thread.
    const bool bRanOnCaller = CallRunner::RunOnCaller([&] {
        DeliverPending();
        for (const auto& event : events) {
            try {
                handler(event);
            } catch (...) {
            }
        }
    });
    if (bRanOnCaller) {
        if (ours.kind == DocumentEventKind::Unload) Forget(ours.id);
        return;
    }
    for (const auto& event : events) Deliver(event, handler, inPlace.count(event.kind) > 0);
}

void OfficeSession::Deliver(const DocumentEvent& event, const std::function<void(const DocumentEvent&)>& handler,
                            bool bInPlace)
{
    const bool bGone = event.kind == DocumentEventKind::Unload;
    if (bInPlace) {
        // The office waits for us: the add-in's code runs here, with the baton,
        // unless our main thread keeps it longer than any call may take.
        if (m_baton.TryEnterFor(std::chrono::milliseconds(m_nTimeoutMs.load()))) {
            try {
                handler(event);
            } catch (...) {
            }
            m_baton.Leave();
        }
        if (bGone) Forget(event.id);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(event);
    }
    Post([wp = weak_from_this()] {
        if (auto sp = wp.lock()) sp->DeliverPending();
    });
}

void OfficeSession::DeliverPending()
{
    thread_local bool t_bDelivering = false;
    if (t_bDelivering) return;
    t_bDelivering = true;
    for (;;) {
        DocumentEvent event;
        std::function<void(const DocumentEvent&)> handler;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty()) break;
            event = m_pending.front();
            m_pending.pop_front();
            handler = m_fnHandler;
        }
        if (handler) {
            try {
                handler(event);
            } catch (...) {
            }
        }
        if (event.kind == DocumentEventKind::Unload) Forget(event.id);
    }
    t_bDelivering = false;
}

} // namespace quillmark::libreoffice
