#include "officecore/dialogdriver.h"

#include "officecore/dialogprinter.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <map>

namespace quillmark::officecore {

namespace {

std::string OneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\n') line += "\\n";
        else if (c != '\r') line += c;
    }
    return line;
}

// The answers a message box with `buttons` can take.
bool Fits(const std::string& answer, const std::string& buttons)
{
    if (answer == "cancel") return true;
    if (buttons == "ok" || buttons == "okcancel") return answer == "ok";
    return answer == "yes" || answer == "no";
}

void SendMouseClick(QWidget& widget)
{
    const QPointF local(widget.width() / 2.0, widget.height() / 2.0);
    const QPointF global = widget.mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

// The point of row `row` of `view`; -1: the middle of the empty area below the rows.
bool ListRowPoint(QAbstractItemView& view, int row, int id, QPoint& point, std::string& error)
{
    const QAbstractItemModel* pModel = view.model();
    const int rows = pModel ? pModel->rowCount() : 0;
    const QWidget* pViewport = view.viewport();
    if (row == -1) {
        const int bottom = rows ? view.visualRect(pModel->index(rows - 1, 0)).bottom() + 1 : 0;
        if (bottom >= pViewport->height()) {
            error = "list " + std::to_string(id) + " has no empty area below its rows";
            return false;
        }
        point = QPoint(4, (bottom + pViewport->height()) / 2);
        return true;
    }
    if (row < 0 || row >= rows) {
        error = "list " + std::to_string(id) + " has no row " + std::to_string(row);
        return false;
    }
    const QModelIndex index = pModel->index(row, 0);
    view.scrollTo(index);
    point = view.visualRect(index).center();
    return true;
}

// The menu text without its mnemonic marks ("&File" reads "File").
std::string MenuText(const QAction& action)
{
    std::string text;
    const std::string raw = action.text().toStdString();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '&' && i + 1 < raw.size()) ++i;
        text += raw[i];
    }
    return text;
}

} // namespace

DialogDriver::DialogDriver(std::ostream& out, std::ostream& err) : m_out(out), m_err(err)
{
    if (QCoreApplication* pApp = QCoreApplication::instance()) {
        pApp->installEventFilter(this);
        pApp->setProperty(automation::kScriptHooksProperty,
                          QVariant::fromValue(reinterpret_cast<quintptr>(static_cast<automation::ScriptHooks*>(this))));
    }
}

DialogDriver::~DialogDriver()
{
    if (QCoreApplication* pApp = QCoreApplication::instance()) {
        pApp->removeEventFilter(this);
        pApp->setProperty(automation::kScriptHooksProperty, QVariant());
    }
}

bool DialogDriver::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() != QEvent::Show) return false;
    auto* pDialog = qobject_cast<QDialog*>(pWatched);
    if (!pDialog || !pDialog->isWindow() || pDialog->windowModality() == Qt::NonModal) return false;
    for (const QPointer<QDialog>& p : m_dialogs)
        if (p == pDialog) return false;
    m_dialogs.emplace_back(pDialog);
    QObject::connect(pDialog, &QDialog::finished, this, [this, pDialog](int result) {
        m_out << "dialog closed: " << result << "\n" << std::flush;
        std::erase_if(m_dialogs, [pDialog](const QPointer<QDialog>& p) { return !p || p == pDialog; });
    }, Qt::SingleShotConnection);
    // Once the dialog's own event loop runs, the script goes on inside it.
    QPointer<QDialog> guard(pDialog);
    QTimer::singleShot(0, pDialog, [this, guard] {
        if (guard && guard->isVisible() && m_fnOpened) m_fnOpened(*guard);
    });
    return false;
}

QDialog* DialogDriver::Current() const
{
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (*it && (*it)->isVisible()) return *it;
    return nullptr;
}

bool DialogDriver::Print(std::string& error) const
{
    QDialog* pDialog = Current();
    if (!pDialog) {
        error = "no dialog is open";
        return false;
    }
    PrintDialog(*pDialog, m_out);
    return true;
}

QWidget* DialogDriver::ControlOrError(int id, std::string& error) const
{
    QDialog* pDialog = Current();
    if (!pDialog) {
        error = "no dialog is open";
        return nullptr;
    }
    QWidget* pControl = FindDialogControl(*pDialog, id);
    if (!pControl) error = "the dialog has no control " + std::to_string(id);
    return pControl;
}

template <class T>
T* DialogDriver::ControlOfKind(int id, const char* kindName, std::string& error) const
{
    QWidget* pControl = ControlOrError(id, error);
    if (!pControl) return nullptr;
    auto* pTyped = qobject_cast<T*>(pControl);
    if (!pTyped) error = "control " + std::to_string(id) + " is not " + kindName;
    return pTyped;
}

bool DialogDriver::SetText(int id, const std::string& text, std::string& error)
{
    auto* pEdit = ControlOfKind<QLineEdit>(id, "an edit", error);
    if (!pEdit) return false;
    if (!pEdit->isEnabled() || !pEdit->isVisible() || pEdit->isReadOnly()) {
        error = "control " + std::to_string(id) + " cannot be typed into (disabled, hidden or read-only)";
        return false;
    }
    // As typing would: the old text selected and replaced, edit notifications sent.
    pEdit->selectAll();
    pEdit->insert(QString::fromStdString(text));
    return true;
}

bool DialogDriver::Select(int id, int start, int end, std::string& error)
{
    auto* pEdit = ControlOfKind<QLineEdit>(id, "an edit", error);
    if (!pEdit) return false;
    const int length = static_cast<int>(pEdit->text().size());
    if (end == -1) end = length;
    if (start < 0 || start > length || end < start || end > length) {
        error = "no characters " + std::to_string(start) + ".." + std::to_string(end) + " in control " +
                std::to_string(id) + " (it holds " + std::to_string(length) + ")";
        return false;
    }
    pEdit->setSelection(start, end - start);
    return true;
}

bool DialogDriver::Key(int id, const std::string& key, std::string& error)
{
    static const std::map<std::string, int> keys = {
        {"Enter", Qt::Key_Return}, {"Tab", Qt::Key_Tab},       {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},    {"Escape", Qt::Key_Escape}, {"Home", Qt::Key_Home},
        {"End", Qt::Key_End},      {"PageUp", Qt::Key_PageUp}, {"PageDown", Qt::Key_PageDown},
        {"Space", Qt::Key_Space},  {"Backspace", Qt::Key_Backspace}};
    auto it = keys.find(key);
    if (it == keys.end()) {
        error = "not a key: " + key + " (Enter, Tab, Up, Down, Escape, Home, End, PageUp, PageDown, Space or Backspace)";
        return false;
    }
    QWidget* pControl = ControlOrError(id, error);
    if (!pControl) return false;
    if (!pControl->isEnabled() || !pControl->isVisible()) {
        error = "control " + std::to_string(id) + " cannot take keys (disabled or hidden)";
        return false;
    }
    // Going to another control closes a pop-up list as a click there would; in the
    // control that has the focus the list stays and takes the key.
    const bool bHadFocus = QApplication::focusWidget() == pControl;
    if (QWidget* pPopup = QApplication::activePopupWidget(); pPopup && !bHadFocus) pPopup->close();
    pControl->window()->activateWindow();
    pControl->setFocus(Qt::OtherFocusReason);
    // The key goes where the keyboard sends it: the focus widget (a popup of
    // suggestions takes it while it is open).
    QWidget* pTarget = QApplication::activePopupWidget();
    if (!pTarget) pTarget = pControl;
    const int code = it->second;
    const QString text = code == Qt::Key_Return      ? "\r"
                         : code == Qt::Key_Tab       ? "\t"
                         : code == Qt::Key_Escape    ? "\x1b"
                         : code == Qt::Key_Space     ? " "
                         : code == Qt::Key_Backspace ? "\b"
                                                     : "";
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(pTarget, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(pTarget, &release);
    return true;
}

bool DialogDriver::Click(int id, std::string& error)
{
    QWidget* pControl = ControlOrError(id, error);
    if (!pControl) return false;
    if (!pControl->isVisible()) {
        error = "control " + std::to_string(id) + " is hidden";
        return false;
    }
    if (!pControl->isEnabled()) return true; // the mouse does nothing to a disabled control
    if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) pButton->click();
    else SendMouseClick(*pControl);
    return true;
}

bool DialogDriver::ListClick(int id, int row, bool bRight, std::string& error)
{
    auto* pView = ControlOfKind<QAbstractItemView>(id, "a list", error);
    if (!pView) return false;
    if (!pView->isVisible()) {
        error = "control " + std::to_string(id) + " is hidden";
        return false;
    }
    if (!pView->isEnabled()) return true; // the mouse does nothing to a disabled control
    QPoint point;
    if (!ListRowPoint(*pView, row, id, point, error)) return false;
    QWidget* pViewport = pView->viewport();
    const QPointF local(point);
    const QPointF global = pViewport->mapToGlobal(local);
    const Qt::MouseButton button = bRight ? Qt::RightButton : Qt::LeftButton;
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(pViewport, &press);
    if (!bRight) {
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pViewport, &release);
    }
    if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        // What the menu offers: each item with 1 when it can be chosen, 0 when not.
        m_out << "menu:";
        for (const QAction* pAction : pMenu->actions())
            m_out << " " << (pAction->isSeparator() ? std::string("-") : MenuText(*pAction) + "|" +
                                                                            (pAction->isEnabled() ? "1" : "0"));
        m_out << "\n";
    }
    return true;
}

bool DialogDriver::ChooseMenuItem(const std::string& text, std::string& error)
{
    auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!pMenu) {
        error = "no menu is open";
        return false;
    }
    if (text == "cancel") {
        pMenu->close();
        return true;
    }
    for (QAction* pAction : pMenu->actions()) {
        if (pAction->isSeparator() || MenuText(*pAction) != text) continue;
        if (!pAction->isEnabled()) {
            error = "the menu item \"" + text + "\" is disabled";
            return false;
        }
        // As a chosen item: the menu closes, then the command goes out.
        pMenu->close();
        pAction->trigger();
        return true;
    }
    error = "the menu has no item \"" + text + "\"";
    return false;
}

bool DialogDriver::Check(int id, bool bChecked, std::string& error)
{
    QWidget* pControl = ControlOrError(id, error);
    if (!pControl) return false;
    const QString kind = pControl->property(automation::kControlKindProperty).toString();
    auto* pButton = qobject_cast<QAbstractButton*>(pControl);
    if (!pButton || (kind != "checkbox" && kind != "radio")) {
        error = "control " + std::to_string(id) + " is not a check box or radio button";
        return false;
    }
    // Set as the program would set it: a radio button is cleared even when it is
    // the group's checked one.
    const bool bExclusive = pButton->autoExclusive();
    if (!bChecked) pButton->setAutoExclusive(false);
    pButton->setChecked(bChecked);
    pButton->setAutoExclusive(bExclusive);
    return true;
}

bool DialogDriver::Resize(int width, int height, std::string& error)
{
    QDialog* pDialog = Current();
    if (!pDialog) {
        error = "no dialog is open";
        return false;
    }
    pDialog->resize(width, height);
    QApplication::processEvents();
    m_out << "size: " << pDialog->width() << "x" << pDialog->height() << "\n";
    return true;
}

bool DialogDriver::Screenshot(const std::string& path, std::string& error) const
{
    QWidget* pWindow = Current();
    if (!pWindow) pWindow = QApplication::activeWindow();
    if (!pWindow) {
        error = "no dialog and no active window to capture";
        return false;
    }
    if (!pWindow->grab().save(QString::fromStdString(path), "PNG")) {
        error = "cannot write the screenshot " + path;
        return false;
    }
    return true;
}

std::string DialogDriver::MessageBox(const std::string& caption, const std::string& text, const std::string& buttons,
                                     const std::string& icon)
{
    m_out << "message: " << OneLine(caption) << "|" << OneLine(text) << "|" << buttons << "|" << icon << "\n";
    std::string answer = "cancel";
    if (m_answers.empty()) {
        m_err << "warning: no answer queued for the message box \"" << OneLine(caption) << "\"; it was cancelled\n";
    } else {
        answer = m_answers.front();
        m_answers.pop_front();
        if (!Fits(answer, buttons)) {
            m_err << "warning: the message box \"" << OneLine(caption) << "\" has no answer " << answer
                  << "; it was cancelled\n";
            answer = "cancel";
        }
    }
    m_out << "answered: " << answer << "\n" << std::flush;
    return answer;
}

bool DialogDriver::OpenFile(const std::string& filter, const std::string& extension, const std::string& folder,
                            std::string& path)
{
    m_out << "open-file: " << OneLine(filter) << "|" << OneLine(extension) << "|" << OneLine(folder) << "\n";
    std::optional<std::string> chosen;
    if (m_files.empty()) {
        m_err << "warning: no file queued for the open-file dialog; it was cancelled\n";
    } else {
        chosen = std::move(m_files.front());
        m_files.pop_front();
    }
    m_out << "chosen: " << (chosen ? *chosen : std::string("cancel")) << "\n" << std::flush;
    if (!chosen) return false;
    path = *chosen;
    return true;
}

void DialogDriver::Shell(const std::string& verb, const std::string& target)
{
    m_out << "shell: " << verb << " " << OneLine(target) << "\n" << std::flush;
}

void DialogDriver::Status(int position, const std::string& text)
{
    m_out << "status: " << position << " " << OneLine(text) << "\n" << std::flush;
}

} // namespace quillmark::officecore
