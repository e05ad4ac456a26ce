#include "ui/progresspanel.h"

#include "ui/controls/label.h"
#include "ui/prompts.h"

#include <QProgressBar>

namespace quillmark {

ProgressPanel::ProgressPanel(int templateId, QWidget* pParent) : TemplatePanel(templateId, pParent)
{
    m_pStatus = Control<Label>(218);
    m_pBar = Control<QProgressBar>(216);
    m_pBar->setRange(0, 100);
}

void ProgressPanel::SetStatus(int position, const std::string& text)
{
    m_pBar->setValue(position);
    m_pBar->repaint();
    m_pStatus->SetText(text);
    CurrentPrompts().Status(position, text);
}

} // namespace quillmark

namespace quillmark {

void ProgressPanel::OnStretch(int dx, int dy)
{
    PlaceControl(218, 0, dy / 2, dx, 0);
    PlaceControl(216, 0, dy / 2, dx, 0);
}

} // namespace quillmark
