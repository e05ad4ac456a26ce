#pragma once
// DialogStepRunner: runs a long step of the host wrapper (a slide export) on a
// thread of its own while the dialog's event loop keeps turning, so the window
// repaints and its progress bar moves. While the step runs the dialog cannot act:
// its controls (all but the progress panel) are disabled, and so are Escape and
// the close button; everything is as before once the step has ended.
#include "host/backgroundrunner.h"

namespace quillmark {

class ProgressPanel;
class TemplateDialog;

class DialogStepRunner final : public BackgroundRunner {
public:
    DialogStepRunner(TemplateDialog& dialog, ProgressPanel* pPanel) : m_dialog(dialog), m_pPanel(pPanel) {}

    void Run(const std::function<void()>& work) override;

private:
    TemplateDialog& m_dialog;
    ProgressPanel* m_pPanel;
};

} // namespace quillmark
