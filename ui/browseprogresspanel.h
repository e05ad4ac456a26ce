#pragma once
// BrowseProgressPanel: the progress panel of the Browse Tags dialog for
// presentations, shown in place of the slide preview while a preview is made.
#include "ui/templatedialog.h"

#include <string>

class QProgressBar;

namespace quillmark {

class Label;


class BrowseProgressPanel : public TemplatePanel {
public:
    explicit BrowseProgressPanel(QWidget* pParent);

    // Sets the bar to `position`, then the status line to `text`; both are on
    // screen when the call returns, and a scripting host hears of it.
    void SetStatus(int position, const std::string& text);

    Label* Status() const { return m_pStatus; }
    QProgressBar* Bar() const { return m_pBar; }

private:
    Label* m_pStatus = nullptr;
    QProgressBar* m_pBar = nullptr;
};

} // namespace quillmark
