#pragma once
// What the `dialog` command prints for an open dialog: "[CAPTION]", then one line
// per control (a widget carrying the control properties of officeapi/scripthooks.h),
// first those in tab order, then the rest in creation order:
//
//   id|kind|text|enabled 0/1|visible 0/1[|what the kind has]
//
// An edit adds "|selStart-selEnd" (characters), a check box or radio button
// "|checked 0/1", a progress bar "|position", a picture "|WxH" of the image shown
// or "|none". A list prints its rows below it, two blanks in, "row|column 0|column 1|..."
// with rows counted from 0 and "*" before the number of a selected row. A control
// without an id prints "-"; controls of a hidden panel print visible 0. Line
// breaks inside a text print as "\n".
#include <ostream>
#include <string>

class QWidget;

namespace quillmark::officecore {

void PrintDialog(const QWidget& dialog, std::ostream& out);

// The control with id `id` inside `dialog` (depth first, the first one created); null when none.
QWidget* FindDialogControl(const QWidget& dialog, int id);

} // namespace quillmark::officecore
