#pragma once
// The builder: one dialog template (resources/dialogtemplates.h) turned into Qt
// widgets. Dialog units become pixels at the metrics of "MS Shell Dlg" 8 (a
// horizontal unit is 6/4 pixel, a vertical one 13/8), each control gets its id and
// kind as properties (officeapi/scripthooks.h), and controls are created in
// template order, which is also their tab order.
#include "resources/dialogtemplates.h"

#include <QFont>
#include <QRect>

#include <map>
#include <string>

class QWidget;

namespace quillmark {

// Dialog units to pixels.
int DialogUnitsToPixelsX(int dlu);
int DialogUnitsToPixelsY(int dlu);
QRect DialogUnitsToPixels(int x, int y, int cx, int cy);

// The font of a template: the face (with its stand-ins, ui/controls/fonts.h) at
// `points` on a 96 dots-per-inch screen.
QFont DialogFont(const std::string& face, int points);

// The control kind as a dialog printer names it ("button", "edit", ...).
const char* ControlKindName(ControlKind kind);

// Creates the controls of `dialogTemplate` as children of `pParent`, sizes the
// parent to the template and gives it the template's font. Returns the controls
// that have an id, by id.
std::map<int, QWidget*> BuildControls(const DialogTemplate& dialogTemplate, QWidget* pParent);

} // namespace quillmark
