#pragma once
// The receiving end of the vnd.quillmark: commands that the extension inside the
// office forwards (UNO level, for this layer only).
//
// The receiver registers an XDispatch of ours with the extension's Bridge service
// for the given document modules; the newest registration for a module wins, so a
// new process takes over from one that died. The office calls us on a bridge
// thread and does not wait for us (the extension forwards from a thread of its
// own); `fnCommand` runs on that thread and should only hand the work on.
#include "libreoffice/toolbar/toolbarmodel.h"

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <functional>
#include <string>
#include <vector>

namespace quillmark::libreoffice {

// Module names of the office's document kinds.
inline constexpr const char* kWriterModule = "com.sun.star.text.TextDocument";
inline constexpr const char* kImpressModule = "com.sun.star.presentation.PresentationDocument";

using CommandFunction =
    std::function<void(const css::uno::Reference<css::frame::XFrame>& xFrame, const ForwardedCommand& command)>;

class CommandReceiver {
public:
    // Registers; throws UserError when the office lacks the extension.
    CommandReceiver(const css::uno::Reference<css::uno::XComponentContext>& xRemote,
                    const std::vector<std::string>& modules, CommandFunction fnCommand);
    // Ends the registration (quietly when the office is gone).
    ~CommandReceiver();
    CommandReceiver(const CommandReceiver&) = delete;
    CommandReceiver& operator=(const CommandReceiver&) = delete;

private:
    css::uno::Reference<css::lang::XComponent> m_xRegistration;
};

// Adds the extension `oxtPath` to the running office for its user (the extension
// manager, every question approved); the office uses it at once.
void AddExtensionToOffice(const css::uno::Reference<css::uno::XComponentContext>& xRemote, const std::string& oxtPath);
// True when the office has the extension's Bridge service.
bool OfficeHasExtension(const css::uno::Reference<css::uno::XComponentContext>& xRemote);

} // namespace quillmark::libreoffice
