#pragma once
// ProgressPanel: a status line (label 218) over a progress bar (216), built from a
// panel template; the Tag dialog and the presentation Browse dialog each show one
// in place of their form while a long step runs.
#include "ui/templatedialog.h"

#include <string>

class QProgressBar;

namespace quillmark {

class Label;

class ProgressPanel : public TemplatePanel {
public:
    ProgressPanel(int templateId, QWidget* pParent);

    // Sets the bar to `position`, then the status line to `text`; both are on
    // screen when the call returns, and a scripting host hears of it.
    void SetStatus(int position, const std::string& text);

    Label* Status() const { return m_pStatus; }
    QProgressBar* Bar() const { return m_pBar; }

protected:
    // The line and the bar widen, and stay in the middle of the height.
    void OnStretch(int dx, int dy) override;

private:
    Label* m_pStatus = nullptr;
    QProgressBar* m_pBar = nullptr;
};

} // namespace quillmark
