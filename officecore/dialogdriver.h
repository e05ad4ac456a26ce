#pragma once
// DialogDriver: the script's hands on the add-in's dialogs. It notices every modal
// dialog that opens (and tells the runner, which then runs the script inside the
// dialog's own event loop), prints and works its controls by id, answers message
// boxes and open-file dialogs from queued answers, records shell requests and
// progress statuses, and writes screenshots. While it lives it is the host's
// script hooks (officeapi/scripthooks.h). Every event goes to the transcript `out`;
// warnings go to `err`.
#include "officeapi/scripthooks.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace quillmark::officecore {

class DialogDriver final : public QObject, public automation::ScriptHooks {
public:
    DialogDriver(std::ostream& out, std::ostream& err);
    ~DialogDriver() override;

    // Called from the event loop of each modal dialog that opens, once it runs.
    void SetDialogOpenedHandler(std::function<void(QDialog&)> fnOpened) { m_fnOpened = std::move(fnOpened); }

    // The innermost open dialog; null when none is open.
    QDialog* Current() const;

    // The commands; false with `error` set when they cannot be done.
    bool Print(std::string& error) const;
    bool SetText(int id, const std::string& text, std::string& error);
    bool Select(int id, int start, int end, std::string& error);
    bool Key(int id, const std::string& key, std::string& error);
    bool Click(int id, std::string& error);
    bool Check(int id, bool bChecked, std::string& error);
    // Resizes the open dialog within its smallest and largest size; its size then is printed.
    bool Resize(int width, int height, std::string& error);
    // A mouse click with `button` on row `row` of list `id` (-1: the empty area
    // below the rows). A right click only presses: the menu it opens takes the rest.
    bool ListClick(int id, int row, bool bRight, std::string& error);
    // Chooses the item `text` of the open pop-up menu; "cancel" closes the menu.
    bool ChooseMenuItem(const std::string& text, std::string& error);
    bool Screenshot(const std::string& path, std::string& error) const;
    // "ok", "cancel", "yes" or "no" for the next message box.
    void QueueAnswer(const std::string& answer) { m_answers.push_back(answer); }
    // A path, or nothing (cancel), for the next open-file dialog.
    void QueueFile(std::optional<std::string> path) { m_files.push_back(std::move(path)); }

    // ScriptHooks.
    std::string MessageBox(const std::string& caption, const std::string& text, const std::string& buttons,
                           const std::string& icon) override;
    bool OpenFile(const std::string& filter, const std::string& extension, const std::string& folder,
                  std::string& path) override;
    void Shell(const std::string& verb, const std::string& target) override;
    void Status(int position, const std::string& text) override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QWidget* ControlOrError(int id, std::string& error) const;
    // The control `id` as a T; else null, with `error` saying it is not `kindName`.
    template <class T>
    T* ControlOfKind(int id, const char* kindName, std::string& error) const;

    std::ostream& m_out;
    std::ostream& m_err;
    std::function<void(QDialog&)> m_fnOpened;
    std::vector<QPointer<QDialog>> m_dialogs; // open modal dialogs, innermost last
    std::deque<std::string> m_answers;
    std::deque<std::optional<std::string>> m_files;
};

} // namespace quillmark::officecore
