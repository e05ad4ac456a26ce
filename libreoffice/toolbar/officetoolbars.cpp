#include "libreoffice/toolbar/officetoolbars.h"

#include "libreoffice/toolbar/commandreceiver.h"
#include "libreoffice/toolbar/frametoolbar.h"
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/officesession.h"

#include <mutex>

namespace quillmark::libreoffice {

namespace uno = css::uno;

class OfficeToolBars::Impl {
public:
    explicit Impl(OfficeConnection& office) : m_office(office) {}

    // Runs `fn` with the frame of document `id` inside a call into the office.
    template <class Fn>
    bool WithFrame(DocumentId id, Fn fn, std::string* error)
    {
        return m_office.RunOnSession(
            [id, fn = std::move(fn)](OfficeSession& session) {
                auto xFrame = FrameOf(session.ModelOf(id));
                if (!xFrame.is()) throw UserError(Message(641));
                fn(xFrame);
            },
            error);
    }

    OfficeConnection& m_office;
    // Shared with the calls, which may outlive a timed-out caller.
    std::shared_ptr<std::unique_ptr<CommandReceiver>> m_spReceiver = std::make_shared<std::unique_ptr<CommandReceiver>>();
};

OfficeToolBars::OfficeToolBars(OfficeConnection& office) : m_pImpl(std::make_unique<Impl>(office)) {}

OfficeToolBars::~OfficeToolBars()
{
    if (!*m_pImpl->m_spReceiver) return;
    std::string ignored;
    m_pImpl->m_office.RunOnSession([sp = m_pImpl->m_spReceiver](OfficeSession&) { sp->reset(); }, &ignored);
}

bool OfficeToolBars::Show(DocumentId id, const ToolBar& toolBar, std::string* error)
{
    return m_pImpl->WithFrame(id, [toolBar](const auto& xFrame) { ShowFrameToolBar(xFrame, toolBar); }, error);
}

std::optional<ToolBar> OfficeToolBars::Read(DocumentId id, std::string* error)
{
    auto spOut = std::make_shared<std::optional<ToolBar>>();
    if (error) error->clear();
    if (!m_pImpl->WithFrame(id, [spOut](const auto& xFrame) { *spOut = ReadFrameToolBar(xFrame); }, error))
        return std::nullopt;
    return *spOut;
}

bool OfficeToolBars::Remove(DocumentId id, std::string* error)
{
    return m_pImpl->WithFrame(id, [](const auto& xFrame) { RemoveFrameToolBar(xFrame); }, error);
}

bool OfficeToolBars::AddExtension(const std::string& oxtPath, std::string* error)
{
    return m_pImpl->m_office.RunOnSession(
        [oxtPath](OfficeSession& session) {
            if (!OfficeHasExtension(session.Remote())) AddExtensionToOffice(session.Remote(), oxtPath);
        },
        error);
}

bool OfficeToolBars::ReceiveCommands(std::vector<DocumentKind> kinds,
                                     std::function<void(DocumentId, const ForwardedCommand&)> fnCommand,
                                     std::string* error)
{
    std::vector<std::string> modules;
    for (DocumentKind kind : kinds) {
        if (kind == DocumentKind::Text) modules.emplace_back(kWriterModule);
        if (kind == DocumentKind::Presentation) modules.emplace_back(kImpressModule);
    }
    OfficeConnection* pOffice = &m_pImpl->m_office;
    auto spFn = std::make_shared<std::function<void(DocumentId, const ForwardedCommand&)>>(std::move(fnCommand));
    return pOffice->RunOnSession(
        [sp = m_pImpl->m_spReceiver, modules, pOffice, spFn](OfficeSession& session) {
            // The session outlives every call made through it; the frame's document
            // is named on the main thread, where the command is handled.
            std::weak_ptr<OfficeSession> wpSession = session.weak_from_this();
            sp->reset();
            *sp = std::make_unique<CommandReceiver>(
                session.Remote(), modules,
                [wpSession, pOffice, spFn](const uno::Reference<css::frame::XFrame>& xFrame,
                                           const ForwardedCommand& command) {
                    auto spSession = wpSession.lock();
                    if (!spSession) return;
                    pOffice->PostToMain([pOffice, spFn, xFrame, command] {
                        auto spId = std::make_shared<DocumentId>(0);
                        std::string ignored;
                        if (xFrame.is())
                            pOffice->RunOnSession(
                                [spId, xFrame](OfficeSession& s) {
                                    auto xController = xFrame->getController();
                                    if (xController.is()) *spId = s.IdOf(xController->getModel());
                                },
                                &ignored);
                        (*spFn)(*spId, command);
                    });
                });
        },
        error);
}

} // namespace quillmark::libreoffice
