#pragma once
// EditControl: the search edit of the browse dialogs. Enter and Tab typed in it
// both move the focus to the next control of its dialog (Enter never presses the
// dialog's default button); every other key is the edit's own. It keeps the
// dialog's tag autocomplete source and unbinds it when it goes.
#include "platform/com/com.h"
#include "ui/controls/customautocomplete.h"

#include <QObject>
#include <QPointer>

class QLineEdit;
class QWidget;

namespace quillmark {

class EditControl final : public QObject {
public:
    EditControl() = default;
    ~EditControl() override;

    // Takes the keys of `pEdit` for the dialog `pOwner`.
    void Subclass(QWidget* pOwner, QLineEdit* pEdit);
    QLineEdit* Edit() const { return m_pEdit; }

    void SetAutoComplete(ComPtr<CustomAutoComplete> spAutoComplete) { m_spAutoComplete = std::move(spAutoComplete); }
    CustomAutoComplete* AutoComplete() const { return m_spAutoComplete.Get(); }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QPointer<QWidget> m_pOwner;
    QPointer<QLineEdit> m_pEdit;
    ComPtr<CustomAutoComplete> m_spAutoComplete;
};

} // namespace quillmark
