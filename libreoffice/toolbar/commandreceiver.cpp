#include "libreoffice/toolbar/commandreceiver.h"

#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/unotext.h"

#include <com/sun/star/deployment/XExtensionManager.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/task/XAbortChannel.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/ucb/XProgressHandler.hpp>
#include <com/sun/star/util/URL.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase3.hxx>

namespace quillmark::libreoffice {

namespace uno = css::uno;

namespace {

constexpr const char* kBridgeService = "org.quillmark.office.Bridge";

class Listener : public cppu::WeakImplHelper1<css::frame::XDispatch> {
public:
    explicit Listener(CommandFunction fn) : m_fn(std::move(fn)) {}

    void SAL_CALL dispatch(const css::util::URL& url,
                           const uno::Sequence<css::beans::PropertyValue>& args) override
    {
        auto command = ParseCommand(ToStd(url.Complete));
        if (!command) return; // not ours: nothing to do
        uno::Reference<css::frame::XFrame> xFrame;
        for (const auto& arg : args) {
            OUString text;
            if (arg.Name == "Text" && (arg.Value >>= text)) command->strText = ToStd(text);
            else if (arg.Name == "Frame") arg.Value >>= xFrame;
        }
        try {
            m_fn(xFrame, *command);
        } catch (...) {
            // the office must never see our failures
        }
    }
    void SAL_CALL addStatusListener(const uno::Reference<css::frame::XStatusListener>&,
                                    const css::util::URL&) override
    {
    }
    void SAL_CALL removeStatusListener(const uno::Reference<css::frame::XStatusListener>&,
                                       const css::util::URL&) override
    {
    }

private:
    CommandFunction m_fn;
};

// Approves every question of the extension manager (licence, "install for user").
class Approver : public cppu::WeakImplHelper3<css::ucb::XCommandEnvironment, css::task::XInteractionHandler,
                                             css::ucb::XProgressHandler> {
public:
    uno::Reference<css::task::XInteractionHandler> SAL_CALL getInteractionHandler() override { return this; }
    uno::Reference<css::ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return this; }
    void SAL_CALL handle(const uno::Reference<css::task::XInteractionRequest>& xRequest) override
    {
        for (const auto& xContinuation : xRequest->getContinuations()) {
            uno::Reference<css::task::XInteractionApprove> xApprove(xContinuation, uno::UNO_QUERY);
            if (xApprove.is()) {
                xApprove->select();
                return;
            }
        }
    }
    void SAL_CALL push(const uno::Any&) override {}
    void SAL_CALL update(const uno::Any&) override {}
    void SAL_CALL pop() override {}
};

} // namespace

CommandReceiver::CommandReceiver(const uno::Reference<uno::XComponentContext>& xRemote,
                                 const std::vector<std::string>& modules, CommandFunction fnCommand)
{
    uno::Reference<css::frame::XDispatch> xListener(new Listener(std::move(fnCommand)));
    std::vector<uno::Any> args{uno::Any(xListener)};
    for (const std::string& module : modules) args.push_back(uno::Any(ToOU(module)));
    auto xRegistration = xRemote->getServiceManager()->createInstanceWithArgumentsAndContext(
        OUString::createFromAscii(kBridgeService), uno::Sequence<uno::Any>(args.data(), static_cast<sal_Int32>(args.size())),
        xRemote);
    m_xRegistration.set(xRegistration, uno::UNO_QUERY);
    if (!m_xRegistration.is()) throw UserError(Message(640, {kBridgeService}));
}

CommandReceiver::~CommandReceiver()
{
    try {
        m_xRegistration->dispose();
    } catch (...) {
        // the office or the bridge is gone: the registration went with it
    }
}

void AddExtensionToOffice(const uno::Reference<uno::XComponentContext>& xRemote, const std::string& oxtPath)
{
    uno::Reference<css::deployment::XExtensionManager> xManager(
        xRemote->getValueByName("/singletons/com.sun.star.deployment.ExtensionManager"), uno::UNO_QUERY_THROW);
    const OUString url = UrlOfPath(oxtPath);
    uno::Reference<css::ucb::XCommandEnvironment> xEnv(new Approver);
    xManager->addExtension(url, {}, "user", uno::Reference<css::task::XAbortChannel>(), xEnv);
    if (!OfficeHasExtension(xRemote)) throw UserError(Message(642, {oxtPath}));
}

bool OfficeHasExtension(const uno::Reference<uno::XComponentContext>& xRemote)
{
    // Made without arguments, the Bridge registers nothing.
    return xRemote->getServiceManager()
        ->createInstanceWithContext(OUString::createFromAscii(kBridgeService), xRemote)
        .is();
}

} // namespace quillmark::libreoffice
