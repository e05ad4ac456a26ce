#pragma once
// The add-ins' command bars drawn as the window's tool bars: one QToolBar per
// visible bar, in bar order, with a tool button per button (caption, tooltip,
// enabled), a drop-down menu per popup, an editable combo box per combo box (its
// caption as placeholder, its list as items) and a separator before every control
// that begins a group. Clicking a button or entering a text in a combo box fires
// the same Click and Change events as a script's click and search; they are fired
// from the event loop, after the widget's own handling has ended, because the add-in
// usually rebuilds the bar (and with it these widgets) from inside the event.
#include <QObject>
#include <QString>

#include <vector>

class QMainWindow;
class QMenu;
class QToolBar;

namespace quillmark::officecore {
class ControlCore;
class SimCommandBars;
class SimControls;
} // namespace quillmark::officecore

namespace quillmark::simoffice {

using officecore::ControlCore;
using officecore::SimCommandBars;
using officecore::SimControls;

class ToolBarMirror : public QObject {
public:
    ToolBarMirror(QMainWindow& window, SimCommandBars& bars);
    ~ToolBarMirror() override;

    // Draws the bars again when they differ from what is drawn. True when it redrew.
    bool Sync();
    const std::vector<QToolBar*>& ToolBars() const { return m_vecToolBars; }

private:
    void Fill(QToolBar& toolBar, SimControls& controls);
    void FillMenu(QMenu& menu, SimControls& controls);
    void Click(ControlCore* pControl);
    void Change(ControlCore* pControl, const QString& text);

    QMainWindow& m_window;
    SimCommandBars& m_bars;
    std::vector<QToolBar*> m_vecToolBars;
    QString m_strDrawn; // what the drawn bars show, to skip redrawing an unchanged bar
};

} // namespace quillmark::simoffice
