#pragma once
// BrowseProgressPanel: the progress panel of the Browse Tags dialog for
// presentations, shown in place of the slide preview while a preview is made.
#include "resources/dialogtemplates.h"
#include "ui/progresspanel.h"

namespace quillmark {

class BrowseProgressPanel : public ProgressPanel {
public:
    explicit BrowseProgressPanel(QWidget* pParent) : ProgressPanel(IDD_BROWSEPROGRESS, pParent) {}
};

} // namespace quillmark
