#include "ui/controls/editcontrol.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QItemSelectionModel>
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

namespace {

// The open suggestion list of `pEdit`, or null.
QAbstractItemView* OpenSuggestions(const QLineEdit* pEdit)
{
    for (const QCompleter* pCompleter : pEdit->findChildren<QCompleter*>())
        if (pCompleter->popup() && pCompleter->popup()->isVisible()) return pCompleter->popup();
    return nullptr;
}

} // namespace

bool EditControl::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (!m_pEdit) return false;
    const QEvent::Type type = pEvent->type();
    if (pWatched == m_pEdit && (type == QEvent::FocusIn || type == QEvent::KeyPress)) {
        // While the suggestions are open the keyboard goes to their list, whose
        // completer hands the keys to the edit past this filter: watch the list
        // too, ahead of the completer (the filter installed last runs first).
        for (QCompleter* pCompleter : m_pEdit->findChildren<QCompleter*>())
            if (pCompleter->popup()) pCompleter->popup()->installEventFilter(this);
    }
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
    QAbstractItemView* pSuggestions = OpenSuggestions(m_pEdit);
    if (pWatched != m_pEdit && (!pSuggestions || pWatched != pSuggestions)) return false;
    auto* pKey = static_cast<QKeyEvent*>(pEvent);
    const int key = pKey->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Tab) return false;
    if (pKey->modifiers() & ~Qt::KeypadModifier) return false;
    if (pSuggestions) {
        // A suggestion the person moved to is the list's to take. Otherwise the
        // list only shows what matches the typed text: it closes, and the key
        // does what it does without it.
        const QModelIndex current = pSuggestions->currentIndex();
        if (current.isValid() && pSuggestions->selectionModel() &&
            pSuggestions->selectionModel()->isSelected(current))
            return false;
    }
    if (type == QEvent::ShortcutOverride) {
        pEvent->accept(); // no shortcut (a default button) sees the key
        return true;
    }
    if (pSuggestions) pSuggestions->hide();
    QWidget* pNext = m_pEdit->nextInFocusChain();
    while (pNext && pNext != m_pEdit &&
           (!(pNext->focusPolicy() & Qt::TabFocus) || !pNext->isEnabled() || !pNext->isVisible() ||
            (m_pOwner && !m_pOwner->isAncestorOf(pNext))))
        pNext = pNext->nextInFocusChain();
    if (pNext && pNext != m_pEdit) pNext->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace quillmark
