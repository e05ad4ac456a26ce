#include "ui/progresspanel.h"

#include "officeapi/scripthooks.h"
#include "ui/controls/desktop.h"
#include "ui/controls/label.h"

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
    if (automation::ScriptHooks* pHooks = HostScriptHooks()) pHooks->Status(position, text);
}

} // namespace quillmark
