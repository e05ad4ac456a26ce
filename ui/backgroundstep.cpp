#include "ui/backgroundstep.h"

#include "ui/progresspanel.h"
#include "ui/templatedialog.h"

#include <QEventLoop>
#include <QPointer>
#include <QProgressBar>

#include <exception>
#include <thread>
#include <vector>

namespace quillmark {

void DialogStepRunner::Run(const std::function<void()>& work)
{
    // Nothing the person does may start another step or end the dialog meanwhile.
    const QPointer<QWidget> pFocus = m_dialog.focusWidget();
    std::vector<QPointer<QWidget>> disabled;
    for (QWidget* pChild : m_dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (pChild == m_pPanel || !pChild->isEnabled() || pChild->isWindow()) continue;
        pChild->setEnabled(false);
        disabled.emplace_back(pChild);
    }
    const bool bWasBusy = m_dialog.SetBusy(true);
    QProgressBar* pBar = m_pPanel ? m_pPanel->Bar() : nullptr;
    const int value = pBar ? pBar->value() : 0;
    if (pBar) pBar->setRange(0, 0); // a bar that moves while the step has no count to show

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    if (pBar) {
        pBar->setRange(0, 100);
        pBar->setValue(value);
    }
    m_dialog.SetBusy(bWasBusy);
    for (const QPointer<QWidget>& pChild : disabled)
        if (pChild) pChild->setEnabled(true);
    if (pFocus && pFocus->isEnabled() && pFocus->isVisible()) pFocus->setFocus(Qt::OtherFocusReason);
    if (failure) std::rethrow_exception(failure);
}

} // namespace quillmark
