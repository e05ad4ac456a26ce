#include "ui/templatedialog.h"

#include "ui/dialogbuilder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace quillmark {

namespace {

const DialogTemplate& RequireTemplate(int templateId)
{
    const DialogTemplate* pTemplate = FindDialogTemplate(templateId);
    if (!pTemplate) throw std::logic_error("no dialog template " + std::to_string(templateId));
    return *pTemplate;
}

} // namespace

TemplatePanel::TemplatePanel(int templateId, QWidget* pParent) : QWidget(pParent)
{
    m_controls = BuildControls(RequireTemplate(templateId), this);
    m_templateSize = size();
    for (const auto& [id, pWidget] : m_controls) m_templateGeometry[id] = pWidget->geometry();
}

void TemplatePanel::Stretch(int dx, int dy)
{
    dx = std::max(0, dx);
    dy = std::max(0, dy);
    setFixedSize(m_templateSize.width() + dx, m_templateSize.height() + dy);
    OnStretch(dx, dy);
}

void TemplatePanel::PlaceControl(int id, int moveX, int moveY, int growX, int growY)
{
    auto it = m_templateGeometry.find(id);
    QWidget* pWidget = Control(id);
    if (it == m_templateGeometry.end() || !pWidget) return;
    const QRect& r = it->second;
    pWidget->setGeometry(r.x() + moveX, r.y() + moveY, r.width() + growX, r.height() + growY);
}

TemplateDialog::TemplateDialog(int templateId, QWidget* pOwner)
    : QDialog(pOwner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_nTemplateId(templateId)
{
    const DialogTemplate& dialogTemplate = RequireTemplate(templateId);
    setWindowTitle(QString::fromStdString(dialogTemplate.caption));
    m_controls = BuildControls(dialogTemplate, this);
    for (const auto& [id, pWidget] : m_controls) {
        if (auto* pButton = dynamic_cast<QPushButton*>(pWidget)) {
            const int commandId = id;
            QObject::connect(pButton, &QAbstractButton::clicked, this, [this, commandId] { Command(commandId); });
        }
    }
}

void TemplateDialog::Initialise()
{
    if (m_bInitialised) return;
    m_bInitialised = true;
    OnInitDialog();
}

int TemplateDialog::DoModal()
{
    if (!parentWidget()) {
        if (QWidget* pOwner = QApplication::activeWindow(); pOwner && pOwner != this)
            setParent(pOwner, windowFlags());
    }
    setWindowModality(Qt::ApplicationModal);
    Initialise();
    CentreOverOwner();
    const int result = exec();
    if (m_pendingException) std::rethrow_exception(std::exchange(m_pendingException, nullptr));
    return result;
}

void TemplateDialog::Command(int id)
{
    // Nothing may leave through Qt's event loop: the exception waits for DoModal.
    try {
        OnCommand(id);
    } catch (...) {
        m_pendingException = std::current_exception();
        done(IDCANCEL);
    }
}

void TemplateDialog::CentreOverOwner()
{
    QRect area;
    if (QWidget* pOwner = parentWidget()) area = pOwner->window()->frameGeometry();
    else if (QScreen* pScreen = QApplication::primaryScreen()) area = pScreen->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void TemplateDialog::PlacePanel(TemplatePanel& panel, int placeholderId)
{
    panel.hide();
    if (QWidget* pPlaceholder = Control(placeholderId)) panel.move(pPlaceholder->geometry().topLeft());
}

void TemplateDialog::OnCommand(int id)
{
    if (id == IDOK || id == IDCANCEL) EndDialog(id);
}

void TemplateDialog::reject()
{
    if (m_bBusy) return;
    Command(IDCANCEL);
}

void TemplateDialog::keyPressEvent(QKeyEvent* pEvent)
{
    if (m_bBusy) {
        pEvent->accept();
        return;
    }
    if (pEvent->modifiers() == Qt::NoModifier || pEvent->modifiers() == Qt::KeypadModifier) {
        if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
            // A focused button is pressed; else the default button, else IDOK, as a
            // Windows dialog does.
            if (auto* pFocused = qobject_cast<QPushButton*>(focusWidget());
                pFocused && isAncestorOf(pFocused) && pFocused->isEnabled() && pFocused->isVisible()) {
                pFocused->click();
                pEvent->accept();
                return;
            }
            QPushButton* pDefault = nullptr;
            for (const auto& [id, pWidget] : m_controls)
                if (auto* pButton = dynamic_cast<QPushButton*>(pWidget); pButton && pButton->isDefault()) pDefault = pButton;
            if (!pDefault) pDefault = Control<QPushButton>(IDOK);
            if (pDefault && pDefault->isEnabled() && pDefault->isVisible()) pDefault->click();
            pEvent->accept();
            return;
        }
        if (pEvent->key() == Qt::Key_Escape) {
            Command(IDCANCEL);
            pEvent->accept();
            return;
        }
    }
    QDialog::keyPressEvent(pEvent);
}

} // namespace quillmark
