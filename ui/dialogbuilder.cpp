#include "ui/dialogbuilder.h"

#include "officeapi/scripthooks.h"
#include "ui/controls/fonts.h"
#include "ui/controls/label.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>

namespace quillmark {

int DialogUnitsToPixelsX(int dlu)
{
    return dlu * 6 / 4;
}

int DialogUnitsToPixelsY(int dlu)
{
    return dlu * 13 / 8;
}

QRect DialogUnitsToPixels(int x, int y, int cx, int cy)
{
    return QRect(DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), DialogUnitsToPixelsX(cx), DialogUnitsToPixelsY(cy));
}

QFont DialogFont(const std::string& face, int points)
{
    return FaceAtPoints(face, points);
}

const char* ControlKindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Button: return "button";
    case ControlKind::Edit: return "edit";
    case ControlKind::Static: return "static";
    case ControlKind::Label: return "label";
    case ControlKind::Picture: return "picture";
    case ControlKind::Frame: return "frame";
    case ControlKind::Group: return "group";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::Radio: return "radio";
    case ControlKind::Progress: return "progress";
    case ControlKind::List: return "list";
    }
    return "static";
}

namespace {

Qt::Alignment StaticAlignment(unsigned styles)
{
    if (styles & kStyleCentre) return Qt::AlignHCenter | Qt::AlignTop;
    if (styles & kStyleRight) return Qt::AlignRight | Qt::AlignTop;
    return Qt::AlignLeft | Qt::AlignTop;
}

QWidget* MakeControl(const ControlTemplate& control, QWidget* pParent)
{
    const QString text = QString::fromStdString(control.text);
    const unsigned styles = control.styles;
    switch (control.kind) {
    case ControlKind::Button: {
        auto* pButton = new QPushButton(text, pParent);
        // Enter is the dialog's business (TemplateDialog), not the focused button's.
        pButton->setAutoDefault(false);
        pButton->setDefault(styles & kStyleDefault);
        return pButton;
    }
    case ControlKind::Edit: {
        auto* pEdit = new QLineEdit(text, pParent);
        pEdit->setFrame(styles & kStyleBorder);
        pEdit->setReadOnly(styles & kStyleReadOnly);
        return pEdit;
    }
    case ControlKind::Label: {
        auto* pLabel = new Label(pParent);
        pLabel->setText(text);
        pLabel->setAlignment(StaticAlignment(styles));
        pLabel->setWordWrap(!(styles & kStyleNoWrap));
        return pLabel;
    }
    case ControlKind::Static: {
        auto* pStatic = new QLabel(text, pParent);
        pStatic->setTextFormat(Qt::PlainText);
        pStatic->setAlignment(StaticAlignment(styles));
        pStatic->setWordWrap(!(styles & kStyleNoWrap));
        return pStatic;
    }
    case ControlKind::Picture: {
        auto* pPicture = new QLabel(pParent);
        pPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return pPicture;
    }
    case ControlKind::Frame: {
        auto* pFrame = new QFrame(pParent);
        pFrame->setFrameShape(styles & kStyleBorder ? QFrame::Box : QFrame::NoFrame);
        return pFrame;
    }
    case ControlKind::Group: return new QGroupBox(text, pParent);
    case ControlKind::CheckBox: return new QCheckBox(text, pParent);
    case ControlKind::Radio: return new QRadioButton(text, pParent);
    case ControlKind::Progress: {
        auto* pProgress = new QProgressBar(pParent);
        pProgress->setRange(0, 100);
        pProgress->setValue(0);
        pProgress->setTextVisible(false);
        return pProgress;
    }
    case ControlKind::List: {
        auto* pList = new QTreeWidget(pParent);
        pList->setRootIsDecorated(false);
        pList->setSelectionMode(styles & kStyleSingleSel ? QAbstractItemView::SingleSelection
                                                         : QAbstractItemView::ExtendedSelection);
        pList->setSortingEnabled(styles & kStyleSortAscending);
        pList->setHeaderHidden(false);
        return pList;
    }
    }
    return new QWidget(pParent);
}

} // namespace

std::map<int, QWidget*> BuildControls(const DialogTemplate& dialogTemplate, QWidget* pParent)
{
    pParent->setFont(DialogFont(dialogTemplate.fontFace, dialogTemplate.fontPoints));
    pParent->setFixedSize(DialogUnitsToPixelsX(dialogTemplate.cx), DialogUnitsToPixelsY(dialogTemplate.cy));
    std::map<int, QWidget*> controls;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* pWidget = MakeControl(control, pParent);
        pWidget->setGeometry(DialogUnitsToPixels(control.x, control.y, control.cx, control.cy));
        pWidget->setProperty(automation::kControlIdProperty, control.id);
        if (pWidget->property(automation::kControlKindProperty).isNull())
            pWidget->setProperty(automation::kControlKindProperty, ControlKindName(control.kind));
        // Tab skips a control without the tab-stop style (radio buttons: the group's checked one takes it).
        if (!(control.styles & kStyleTabStop) && control.kind != ControlKind::Radio &&
            (pWidget->focusPolicy() & Qt::TabFocus))
            pWidget->setFocusPolicy(Qt::ClickFocus);
        if (control.styles & kStyleHidden) pWidget->hide();
        if (control.id != kNoControlId) controls[control.id] = pWidget;
    }
    return controls;
}

} // namespace quillmark
