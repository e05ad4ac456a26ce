#include "ui/controls/desktop.h"

#include "officeapi/scripthooks.h"
#include "platform/shell/opener.h"

#include <QCoreApplication>
#include <QVariant>

namespace quillmark {

automation::ScriptHooks* HostScriptHooks()
{
    const QCoreApplication* pApp = QCoreApplication::instance();
    if (!pApp) return nullptr;
    const QVariant value = pApp->property(automation::kScriptHooksProperty);
    return value.isValid() ? reinterpret_cast<automation::ScriptHooks*>(value.value<quintptr>()) : nullptr;
}

bool ShellOpen(const std::string& target)
{
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) {
        pHooks->Shell("open", target);
        return true;
    }
    return shell::OpenUrl(target);
}

} // namespace quillmark
