#include "officecore/dialogprinter.h"

#include "officeapi/scripthooks.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace quillmark::officecore {

namespace {

std::string OneLine(const QString& text)
{
    std::string line;
    for (char c : text.toStdString()) {
        if (c == '\n') line += "\\n";
        else if (c != '\r') line += c;
    }
    return line;
}

bool IsControl(const QWidget* pWidget)
{
    return pWidget->property(automation::kControlKindProperty).isValid();
}

// Every control inside `dialog`, depth first in creation order.
std::vector<QWidget*> ControlsOf(const QWidget& dialog)
{
    std::vector<QWidget*> controls;
    for (QWidget* pWidget : dialog.findChildren<QWidget*>())
        if (IsControl(pWidget)) controls.push_back(pWidget);
    return controls;
}

QString ControlText(const QWidget& control)
{
    if (auto* pEdit = qobject_cast<const QLineEdit*>(&control)) return pEdit->text();
    if (auto* pButton = qobject_cast<const QAbstractButton*>(&control)) return pButton->text();
    if (auto* pGroup = qobject_cast<const QGroupBox*>(&control)) return pGroup->title();
    if (auto* pLabel = qobject_cast<const QLabel*>(&control)) return pLabel->text();
    return {};
}

void PrintControl(const QWidget& dialog, const QWidget& control, std::ostream& out)
{
    const int id = control.property(automation::kControlIdProperty).toInt();
    const std::string kind = control.property(automation::kControlKindProperty).toString().toStdString();
    out << (id == -1 ? std::string("-") : std::to_string(id)) << "|" << kind << "|" << OneLine(ControlText(control))
        << "|" << (control.isEnabled() ? 1 : 0) << "|" << (control.isVisibleTo(&dialog) ? 1 : 0);
    if (auto* pEdit = qobject_cast<const QLineEdit*>(&control)) {
        const int start = pEdit->hasSelectedText() ? pEdit->selectionStart() : pEdit->cursorPosition();
        const int end = pEdit->hasSelectedText() ? pEdit->selectionEnd() : pEdit->cursorPosition();
        out << "|" << start << "-" << end;
    } else if (kind == "checkbox" || kind == "radio") {
        auto* pButton = qobject_cast<const QAbstractButton*>(&control);
        out << "|" << (pButton && pButton->isChecked() ? 1 : 0);
    } else if (auto* pProgress = qobject_cast<const QProgressBar*>(&control)) {
        out << "|" << pProgress->value();
    } else if (kind == "picture") {
        auto* pLabel = qobject_cast<const QLabel*>(&control);
        const QPixmap pixmap = pLabel ? pLabel->pixmap() : QPixmap();
        if (pixmap.isNull()) out << "|none";
        else out << "|" << pixmap.width() << "x" << pixmap.height();
    }
    out << "\n";
    if (auto* pView = qobject_cast<const QAbstractItemView*>(&control); pView && pView->model()) {
        const QAbstractItemModel& model = *pView->model();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex first = model.index(row, 0);
            const bool bSelected = pView->selectionModel() && pView->selectionModel()->isRowSelected(row, {});
            out << "  " << (bSelected ? "*" : "") << row;
            for (int column = 0; column < model.columnCount(); ++column)
                out << "|" << OneLine(model.data(model.index(row, column, first.parent())).toString());
            out << "\n";
        }
    }
}

} // namespace

QWidget* FindDialogControl(const QWidget& dialog, int id)
{
    for (QWidget* pControl : ControlsOf(dialog))
        if (pControl->property(automation::kControlIdProperty).toInt() == id) return pControl;
    return nullptr;
}

void PrintDialog(const QWidget& dialog, std::ostream& out)
{
    out << "[" << OneLine(dialog.windowTitle()) << "]\n";
    const std::vector<QWidget*> controls = ControlsOf(dialog);
    std::vector<const QWidget*> printed;
    // Tab order: the focus chain from the dialog round to it again, the controls Tab stops at.
    for (QWidget* pWidget = dialog.nextInFocusChain(); pWidget && pWidget != &dialog;
         pWidget = pWidget->nextInFocusChain()) {
        if (IsControl(pWidget) && (pWidget->focusPolicy() & Qt::TabFocus) && dialog.isAncestorOf(pWidget)) {
            PrintControl(dialog, *pWidget, out);
            printed.push_back(pWidget);
        }
    }
    for (const QWidget* pControl : controls)
        if (std::find(printed.begin(), printed.end(), pControl) == printed.end()) PrintControl(dialog, *pControl, out);
}

} // namespace quillmark::officecore
