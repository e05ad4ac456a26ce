#pragma once
// The dialog runtime: a modal dialog or a child panel built from a template, whose
// class finds its controls by id.
//
// How a new dialog is added:
//  1. Its template goes into resources/dialogtemplates.cpp (controls in tab order).
//  2. Its class derives from TemplateDialog, passes the template id, and overrides
//     OnInitDialog (fill the controls; runs once, before the dialog is shown) and
//     OnCommand (a button was clicked; the base ends the dialog for IDOK/IDCANCEL).
//     Controls are reached with Control<T>(id); a child panel is a TemplatePanel
//     (a class of its own when it has behaviour) laid over a placeholder control
//     with PlacePanel.
//  3. The caller runs it with DoModal(), which returns the result given to EndDialog.
//
// Keys as a Windows dialog takes them: Enter presses the focused button, else the
// default button (else button IDOK, when enabled) unless the focused control
// takes Enter itself; Escape
// and the window's close button are OnCommand(IDCANCEL).
#include "resources/dialogtemplates.h"

#include <QDialog>
#include <QWidget>

#include <exception>
#include <map>
#include <utility>

namespace quillmark {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Controls by id, shared by dialogs and panels.
class ControlMap {
public:
    // The control with `id` as T (null when there is none or it is not a T).
    template <class T = QWidget>
    T* Control(int id) const
    {
        auto it = m_controls.find(id);
        return it == m_controls.end() ? nullptr : dynamic_cast<T*>(it->second);
    }

protected:
    std::map<int, QWidget*> m_controls;
};

// A child panel (a child dialog template) inside a dialog.
class TemplatePanel : public QWidget, public ControlMap {
public:
    TemplatePanel(int templateId, QWidget* pParent);

    // Makes the panel `dx` x `dy` larger than its template (never smaller); the
    // panel's class moves and grows its controls in OnStretch.
    void Stretch(int dx, int dy);

protected:
    virtual void OnStretch(int, int) {}
    // Sets control `id` to its template geometry moved by (moveX, moveY) and grown by (growX, growY).
    void PlaceControl(int id, int moveX, int moveY, int growX, int growY);

private:
    QSize m_templateSize;
    std::map<int, QRect> m_templateGeometry;
};

class TemplateDialog : public QDialog, public ControlMap {
public:
    // `pOwner`: the window that owns the dialog; null: the application's active
    // window when the dialog is shown.
    explicit TemplateDialog(int templateId, QWidget* pOwner = nullptr);

    // Runs OnInitDialog once (DoModal does it when needed); tests call it to look
    // at a dialog without running it.
    void Initialise();
    // Shows the dialog modally, owned by and centred over its owner; returns the
    // result. An exception that ends a command (a failing host call) closes the
    // dialog and leaves DoModal, as it would leave any other operation.
    int DoModal();
    // Runs OnCommand(id) as a click does.
    void Command(int id);

    int TemplateId() const { return m_nTemplateId; }

    // While busy (a long step runs inside a command), Escape, Enter and the close
    // button do nothing. Returns the previous state.
    bool SetBusy(bool bBusy) { return std::exchange(m_bBusy, bBusy); }
    bool IsBusy() const { return m_bBusy; }

    void reject() override; // Escape, the close button: OnCommand(IDCANCEL)

protected:
    virtual void OnInitDialog() {}
    // A button was clicked (its control id). The base ends the dialog with IDOK or IDCANCEL.
    virtual void OnCommand(int id);
    void EndDialog(int result) { done(result); }
    // Centres the dialog over its owner (else over the screen).
    void CentreOverOwner();
    // Lays `panel` (a child of this dialog) over the rectangle of control
    // `placeholderId`, hidden.
    void PlacePanel(TemplatePanel& panel, int placeholderId);

    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    int m_nTemplateId;
    bool m_bInitialised = false;
    bool m_bBusy = false;
    std::exception_ptr m_pendingException; // ended a command; rethrown by DoModal
};

} // namespace quillmark
