#include "simoffice/toolbarmirror.h"

#include "officecore/commandbarobjects.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace quillmark::simoffice {

using officecore::ControlState;
using officecore::SimCommandBar;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Everything the drawing depends on, so that an unchanged bar is not drawn again.
void Describe(SimControls& controls, QString& out)
{
    for (ControlCore* pControl : controls.List()) {
        const ControlState& s = pControl->State();
        out += QString("%1/%2/%3|").arg(s.faceId).arg(s.style).arg(s.dropDownLines);
        out += QString("%1|%2|%3|%4|%5|%6|%7|%8|%9\n")
                   .arg(s.type)
                   .arg(Q(s.caption), Q(s.tooltip), Q(s.tag), Q(s.text))
                   .arg(s.bBeginGroup)
                   .arg(s.bEnabled)
                   .arg(s.bVisible)
                   .arg(s.width);
        // The control itself (the widgets hold it alive): a new control of the same look
        // still needs new widgets.
        out += QString::number(reinterpret_cast<quintptr>(pControl), 16);
        for (const std::string& item : s.list) out += "\t" + Q(item);
        out += "\n";
        if (SimControls* pItems = pControl->Items()) {
            out += "{\n";
            Describe(*pItems, out);
            out += "}\n";
        }
    }
}

// A button's face: there are no Office face bitmaps here, so each face id gets a small
// drawn picture of its own colour; the two tag faces are a tag, filled for a tag kept
// in the document itself, outlined for one known only to the database.
QIcon FaceIcon(const ControlState& s)
{
    if (s.faceId <= 0 || s.style == office::msoButtonCaption) return {};
    constexpr int kTagInDocument = 1546, kTagInDatabase = 1589;
    QPixmap face(16, 16);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = QColor::fromHsv((s.faceId * 47) % 360, 150, 190);
    if (s.faceId == kTagInDocument || s.faceId == kTagInDatabase) {
        QPainterPath tag;
        tag.moveTo(1.5, 4.5);
        tag.lineTo(9.5, 4.5);
        tag.lineTo(14.5, 8);
        tag.lineTo(9.5, 11.5);
        tag.lineTo(1.5, 11.5);
        tag.closeSubpath();
        tag.addEllipse(QPointF(10, 8), 1.2, 1.2);
        colour = QColor(0x2f, 0x6f, 0xb5);
        painter.setPen(QPen(colour, 1.2));
        painter.setBrush(s.faceId == kTagInDocument ? QBrush(colour) : Qt::NoBrush);
        painter.drawPath(tag);
    } else {
        painter.setPen(colour.darker(140));
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 3, 3);
    }
    return QIcon(face);
}

QString TooltipOf(const ControlState& s)
{
    if (!s.tooltip.empty()) return Q(s.tooltip);
    QString caption = Q(s.caption);
    return caption.remove('&');
}

// Selects the whole text of an editable combo box when a click or Tab brings the
// focus into it, so that typing replaces the text. The combo box, not its edit, is
// told of the focus (it is the edit's focus proxy and hands the event on directly),
// so this watches the combo box. The selection waits until the mouse press that
// gave the focus has placed the caret, or it would be undone at once.
class SelectOnFocus final : public QObject {
public:
    explicit SelectOnFocus(QComboBox* pCombo) : QObject(pCombo), m_pCombo(pCombo) {}
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() != QEvent::FocusIn) return false;
        switch (static_cast<QFocusEvent*>(pEvent)->reason()) {
        case Qt::MouseFocusReason:
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
            QTimer::singleShot(0, m_pCombo, [pCombo = m_pCombo] {
                if (QLineEdit* pEdit = pCombo->lineEdit(); pEdit && pCombo->hasFocus()) pEdit->selectAll();
            });
            break;
        default: // back from another window or a pop-up: the caret stays where it was
            break;
        }
        return false;
    }

private:
    QComboBox* m_pCombo;
};

// The control stays alive while a queued event for it waits.
ComPtr<office::CommandBarControl> Keep(ControlCore* pControl)
{
    return ComPtr<office::CommandBarControl>(pControl->AsControl());
}

} // namespace

ToolBarMirror::ToolBarMirror(QMainWindow& window, SimCommandBars& bars) : QObject(&window), m_window(window), m_bars(bars) {}

ToolBarMirror::~ToolBarMirror() = default;

bool ToolBarMirror::Sync()
{
    QString described;
    for (SimCommandBar* pBar : m_bars.Bars()) {
        if (!pBar->Visible()) continue;
        described += "[" + Q(pBar->Name()) + "]\n";
        Describe(pBar->Controls(), described);
    }
    if (described == m_strDrawn) return false;
    m_strDrawn = described;
    for (QToolBar* pToolBar : m_vecToolBars) {
        m_window.removeToolBar(pToolBar);
        delete pToolBar;
    }
    m_vecToolBars.clear();
    for (SimCommandBar* pBar : m_bars.Bars()) {
        if (!pBar->Visible()) continue;
        auto* pToolBar = new QToolBar(Q(pBar->Name()), &m_window);
        pToolBar->setObjectName(Q(pBar->Name()));
        pToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        pToolBar->setIconSize(QSize(16, 16));
        pToolBar->setMovable(false);
        Fill(*pToolBar, pBar->Controls());
        m_window.addToolBar(Qt::TopToolBarArea, pToolBar);
        m_vecToolBars.push_back(pToolBar);
    }
    return true;
}

void ToolBarMirror::Fill(QToolBar& toolBar, SimControls& controls)
{
    bool bFirst = true;
    for (ControlCore* pControl : controls.List()) {
        const ControlState& s = pControl->State();
        if (!s.bVisible) continue;
        if (s.bBeginGroup && !bFirst) toolBar.addSeparator();
        bFirst = false;
        if (SimControls* pItems = pControl->Items()) {
            auto* pButton = new QToolButton(&toolBar);
            pButton->setText(Q(s.caption));
            pButton->setToolTip(TooltipOf(s));
            pButton->setEnabled(s.bEnabled);
            pButton->setPopupMode(QToolButton::InstantPopup);
            auto* pMenu = new QMenu(pButton);
            FillMenu(*pMenu, *pItems);
            pButton->setMenu(pMenu);
            toolBar.addWidget(pButton);
        } else if (s.type == office::msoControlButton) {
            QAction* pAction = toolBar.addAction(FaceIcon(s), Q(s.caption));
            // The button shows the caption as given: "&B" is its accelerator (Alt+B),
            // "&&" an ampersand, and nothing is dropped from it.
            pAction->setIconText(Q(s.caption));
            pAction->setToolTip(TooltipOf(s));
            pAction->setEnabled(s.bEnabled);
            pAction->setData(Q(s.tag));
            connect(pAction, &QAction::triggered, this, [this, pControl, keep = Keep(pControl)] { Click(pControl); });
        } else {
            auto* pCombo = new QComboBox(&toolBar);
            pCombo->setEditable(true);
            pCombo->setInsertPolicy(QComboBox::NoInsert);
            for (const std::string& item : s.list) pCombo->addItem(Q(item));
            pCombo->setEditText(Q(s.text));
            pCombo->lineEdit()->setPlaceholderText(Q(s.caption));
            pCombo->setToolTip(TooltipOf(s));
            pCombo->setEnabled(s.bEnabled);
            if (s.dropDownLines > 0) pCombo->setMaxVisibleItems(s.dropDownLines);
            // Control widths are in points; the box needs room for its caption.
            pCombo->setMinimumWidth(std::max(s.width * 4 / 3, 120));
            pCombo->setObjectName(Q(s.caption));
            // Coming into the box selects its text, so that typing replaces it.
            pCombo->installEventFilter(new SelectOnFocus(pCombo));
            connect(pCombo->lineEdit(), &QLineEdit::returnPressed, this,
                    [this, pControl, pCombo, keep = Keep(pControl)] { Change(pControl, pCombo->currentText()); });
            connect(pCombo, qOverload<int>(&QComboBox::activated), this,
                    [this, pControl, pCombo, keep = Keep(pControl)](int index) { Change(pControl, pCombo->itemText(index)); });
            toolBar.addWidget(pCombo);
        }
    }
}

void ToolBarMirror::FillMenu(QMenu& menu, SimControls& controls)
{
    for (ControlCore* pControl : controls.List()) {
        const ControlState& s = pControl->State();
        if (!s.bVisible) continue;
        if (s.bBeginGroup && !menu.isEmpty()) menu.addSeparator();
        if (SimControls* pItems = pControl->Items()) {
            QMenu* pSub = menu.addMenu(Q(s.caption));
            pSub->setEnabled(s.bEnabled);
            FillMenu(*pSub, *pItems);
        } else if (s.type == office::msoControlButton) {
            QAction* pAction = menu.addAction(FaceIcon(s), Q(s.caption));
            pAction->setToolTip(TooltipOf(s));
            pAction->setEnabled(s.bEnabled);
            pAction->setData(Q(s.tag));
            connect(pAction, &QAction::triggered, this, [this, pControl, keep = Keep(pControl)] { Click(pControl); });
        }
    }
    menu.setToolTipsVisible(true);
}

void ToolBarMirror::Click(ControlCore* pControl)
{
    QTimer::singleShot(0, this, [pControl, keep = Keep(pControl)] {
        if (!pControl->IsDeleted() && pControl->State().bEnabled) pControl->FireClick();
    });
}

void ToolBarMirror::Change(ControlCore* pControl, const QString& text)
{
    QTimer::singleShot(0, this, [pControl, keep = Keep(pControl), value = text.toStdString()] {
        if (pControl->IsDeleted() || !pControl->State().bEnabled) return;
        pControl->State().text = value;
        pControl->FireChange();
    });
}

} // namespace quillmark::simoffice
