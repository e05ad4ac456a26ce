#include "ui/controls/editcontrol.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace quillmark {

EditControl::~EditControl()
{
    if (m_pEdit) m_pEdit->removeEventFilter(this);
    if (m_spAutoComplete) m_spAutoComplete->Unbind();
}

void EditControl::Subclass(QWidget* pOwner, QLineEdit* pEdit)
{
    if (m_pEdit) m_pEdit->removeEventFilter(this);
    m_pOwner = pOwner;
    m_pEdit = pEdit;
    if (m_pEdit) m_pEdit->installEventFilter(this);
}

bool EditControl::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched != m_pEdit) return false;
    const QEvent::Type type = pEvent->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
    auto* pKey = static_cast<QKeyEvent*>(pEvent);
    const int key = pKey->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Tab) return false;
    if (pKey->modifiers() & ~Qt::KeypadModifier) return false;
    // A suggestion list that is open takes Enter itself (it picks the suggestion).
    for (const QCompleter* pCompleter : m_pEdit->findChildren<QCompleter*>())
        if (pCompleter->popup() && pCompleter->popup()->isVisible()) return false;
    if (type == QEvent::ShortcutOverride) {
        pEvent->accept(); // no shortcut (a default button) sees the key
        return true;
    }
    QWidget* pNext = m_pEdit->nextInFocusChain();
    while (pNext && pNext != m_pEdit &&
           (!(pNext->focusPolicy() & Qt::TabFocus) || !pNext->isEnabled() || !pNext->isVisible() ||
            (m_pOwner && !m_pOwner->isAncestorOf(pNext))))
        pNext = pNext->nextInFocusChain();
    if (pNext && pNext != m_pEdit) pNext->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace quillmark
