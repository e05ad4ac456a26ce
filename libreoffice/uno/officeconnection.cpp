#include "libreoffice/uno/officeconnection.h"

#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/officeprocess.h"
#include "libreoffice/uno/officesession.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include <unistd.h>

namespace quillmark::libreoffice {

class OfficeConnection::Impl {
public:
    Impl() : m_spSession(std::make_shared<OfficeSession>()), m_runner(m_spSession->m_baton) {}
    ~Impl()
    {
        auto sp = m_spSession;
        const bool bOurs = m_process.Pid() > 0;
        std::string ignored;
        m_runner.Run([sp, bOurs] { sp->Shut(bOurs); }, std::chrono::milliseconds(5000), &ignored);
        m_process.End();
        if (!m_strOwnRoot.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_strOwnRoot, ec);
        }
    }

    // Runs `fn` on the session with the time limit; false (with `error`) when the
    // office is gone, does not answer, or the call failed.
    template <class Fn>
    bool Run(Fn fn, std::string* error)
    {
        if (!m_spSession->m_bAlive) {
            if (error) *error = Message(603);
            return false;
        }
        // Events still waiting for the main thread come before anything this call causes.
        if (!CallRunner::InPlaceThread() && !CallRunner::ServingCallback()) m_spSession->DeliverPending();
        return m_runner.Run([sp = m_spSession, fn = std::move(fn)] { fn(*sp); }, error);
    }

    bool Open(const std::string& connect, std::chrono::milliseconds timeout, std::string* error)
    {
        auto xLocal = OfficeSession::LocalContext(error);
        if (!xLocal.is()) return false;
        m_strConnect = connect;
        return m_runner.Run([sp = m_spSession, xLocal, connect] { sp->Open(xLocal, connect); }, timeout, error);
    }

    std::shared_ptr<OfficeSession> m_spSession;
    CallRunner m_runner;
    OfficeProcess m_process;
    std::string m_strConnect;
    std::string m_strOwnRoot;
};

OfficeConnection::OfficeConnection(std::unique_ptr<Impl> pImpl) : m_pImpl(std::move(pImpl)) {}

OfficeConnection::~OfficeConnection() = default;

std::unique_ptr<OfficeConnection> OfficeConnection::Connect(const std::string& connect, std::string* error)
{
    auto pImpl = std::make_unique<Impl>();
    if (!pImpl->Open(connect, std::chrono::milliseconds(30000), error)) return nullptr;
    return std::unique_ptr<OfficeConnection>(new OfficeConnection(std::move(pImpl)));
}

std::unique_ptr<OfficeConnection> OfficeConnection::Start(const StartOptions& options, std::string* error)
{
    if (!OfficeSession::LocalContext(error).is()) return nullptr;
    const std::string soffice = options.strSoffice.empty() ? OfficeProcess::FindSoffice() : options.strSoffice;
    if (soffice.empty() || ::access(soffice.c_str(), X_OK) != 0) {
        if (error) *error = Message(600, {soffice.empty() ? std::string("soffice") : soffice});
        return nullptr;
    }
    auto pImpl = std::make_unique<Impl>();
    // A private folder for the office's temporary files, and for its profile
    // unless one is given; removed when the connection ends.
    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillmark-office-XXXXXX";
    if (!::mkdtemp(root.data())) {
        if (error) *error = Message(604, {root + ": " + std::strerror(errno)});
        return nullptr;
    }
    pImpl->m_strOwnRoot = root;
    std::error_code ec;
    std::filesystem::create_directory(root + "/tmp", ec);
    std::string profile = options.strProfileDir.empty() ? root + "/profile" : options.strProfileDir;
    profile = std::filesystem::absolute(profile, ec).lexically_normal().string();

    static std::atomic<int> s_nPipe{0};
    const std::string pipe = "quillmark-" + std::to_string(::getpid()) + "-" + std::to_string(++s_nPipe) + "-" +
                             std::filesystem::path(root).filename().string();
    const bool bHeadless = options.bHeadless || (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"));
    std::string why;
    if (!pImpl->m_process.Start(soffice, pipe, profile, root + "/tmp", bHeadless, options.vecFiles, &why)) {
        if (error) *error = Message(604, {why});
        return nullptr;
    }
    const std::string connect = "pipe,name=" + pipe;
    const auto deadline = std::chrono::steady_clock::now() + options.startTimeout;
    std::string last;
    for (;;) {
        if (!pImpl->m_process.Running()) {
            if (error) *error = Message(604, {"soffice " + pImpl->m_process.ExitText()});
            return nullptr;
        }
        if (pImpl->Open(connect, std::chrono::milliseconds(20000), &last)) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            if (error) *error = Message(614, {std::to_string(options.startTimeout.count() / 1000)}) + " " + last;
            return nullptr; // Impl's end ends the process
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::unique_ptr<OfficeConnection>(new OfficeConnection(std::move(pImpl)));
}

const std::string& OfficeConnection::ConnectString() const { return m_pImpl->m_strConnect; }
int OfficeConnection::OfficePid() const { return m_pImpl->m_process.Pid(); }
bool OfficeConnection::Alive() const { return m_pImpl->m_spSession->m_bAlive; }

void OfficeConnection::SetCallTimeout(std::chrono::milliseconds timeout)
{
    m_pImpl->m_runner.SetTimeout(timeout);
    m_pImpl->m_spSession->SetCallTimeout(timeout);
}

std::chrono::milliseconds OfficeConnection::CallTimeout() const { return m_pImpl->m_runner.Timeout(); }
Baton& OfficeConnection::GetBaton() { return m_pImpl->m_spSession->m_baton; }
MainQueue& OfficeConnection::GetMainQueue() { return m_pImpl->m_spSession->m_queue; }

void OfficeConnection::SetPoster(std::function<void(std::function<void()>)> fnPoster)
{
    m_pImpl->m_spSession->SetPoster(std::move(fnPoster));
}

void OfficeConnection::PostToMain(std::function<void()> fnWork) { m_pImpl->m_spSession->Post(std::move(fnWork)); }

void OfficeConnection::SetEventHandler(std::function<void(const DocumentEvent&)> fnHandler,
                                       std::set<DocumentEventKind> inPlace)
{
    m_pImpl->m_spSession->SetHandler(std::move(fnHandler), std::move(inPlace));
}

std::vector<DocumentInfo> OfficeConnection::Documents(DocumentKind kind, std::string* error)
{
    auto out = std::make_shared<std::vector<DocumentInfo>>();
    std::optional<DocumentKind> filter;
    if (kind != DocumentKind::Other) filter = kind;
    if (!m_pImpl->Run([out, filter](OfficeSession& s) { *out = s.Documents(filter); }, error)) return {};
    return *out;
}

std::vector<DocumentInfo> OfficeConnection::AllDocuments(std::string* error)
{
    auto out = std::make_shared<std::vector<DocumentInfo>>();
    if (!m_pImpl->Run([out](OfficeSession& s) { *out = s.Documents(std::nullopt); }, error)) return {};
    return *out;
}

DocumentInfo OfficeConnection::Info(DocumentId id, std::string* error)
{
    auto out = std::make_shared<DocumentInfo>();
    if (!m_pImpl->Run([out, id](OfficeSession& s) { *out = s.Info(id); }, error)) return {};
    return *out;
}

DocumentId OfficeConnection::Load(const std::string& path, bool bHidden, std::string* error)
{
    auto out = std::make_shared<DocumentId>(0);
    if (!m_pImpl->Run([out, path, bHidden](OfficeSession& s) { *out = s.Load(path, bHidden); }, error)) return 0;
    return *out;
}

DocumentId OfficeConnection::New(DocumentKind kind, bool bHidden, std::string* error)
{
    auto out = std::make_shared<DocumentId>(0);
    if (!m_pImpl->Run([out, kind, bHidden](OfficeSession& s) { *out = s.New(kind, bHidden); }, error)) return 0;
    return *out;
}

bool OfficeConnection::Store(DocumentId id, const std::string& path, std::string* error)
{
    return m_pImpl->Run([id, path](OfficeSession& s) { s.Store(id, path, false); }, error);
}

bool OfficeConnection::StoreCopy(DocumentId id, const std::string& path, std::string* error)
{
    return m_pImpl->Run([id, path](OfficeSession& s) { s.Store(id, path, true); }, error);
}

bool OfficeConnection::Close(DocumentId id, std::string* error)
{
    return m_pImpl->Run([id](OfficeSession& s) { s.Close(id); }, error);
}

bool OfficeConnection::Activate(DocumentId id, std::string* error)
{
    return m_pImpl->Run([id](OfficeSession& s) { s.Activate(id); }, error);
}

bool OfficeConnection::GetProperty(DocumentId id, const std::string& name, std::string* value, std::string* error)
{
    auto out = std::make_shared<std::string>();
    if (!m_pImpl->Run([out, id, name](OfficeSession& s) { *out = s.GetProperty(id, name); }, error)) return false;
    if (value) *value = *out;
    return true;
}

bool OfficeConnection::RunOnSession(std::function<void(OfficeSession&)> fnCall, std::string* error)
{
    return m_pImpl->Run([fn = std::move(fnCall)](OfficeSession& s) { fn(s); }, error);
}

bool OfficeConnection::SetProperty(DocumentId id, const std::string& name, const std::string& value,
                                   std::string* error)
{
    return m_pImpl->Run([id, name, value](OfficeSession& s) { s.SetProperty(id, name, value); }, error);
}

int OfficeConnection::SlideCount(DocumentId id, std::string* error)
{
    auto out = std::make_shared<int>(-1);
    if (!m_pImpl->Run([out, id](OfficeSession& s) { *out = s.SlideCount(id); }, error)) return -1;
    return *out;
}

std::vector<std::string> OfficeConnection::SlideTitles(DocumentId id, std::string* error)
{
    auto out = std::make_shared<std::vector<std::string>>();
    if (!m_pImpl->Run([out, id](OfficeSession& s) { *out = s.SlideTitles(id); }, error)) return {};
    return *out;
}

bool OfficeConnection::ExportSlides(DocumentId id, const std::string& folder, const std::string& format, int width,
                                    int height, std::string* error)
{
    return m_pImpl->Run([=](OfficeSession& s) { s.ExportSlides(id, folder, format, width, height); }, error);
}

int OfficeConnection::InsertSlides(DocumentId id, const std::string& file, int index, int start, int end,
                                   std::string* error)
{
    auto out = std::make_shared<int>(-1);
    if (!m_pImpl->Run([=](OfficeSession& s) { *out = s.InsertSlides(id, file, index, start, end); }, error))
        return -1;
    return *out;
}

} // namespace quillmark::libreoffice
