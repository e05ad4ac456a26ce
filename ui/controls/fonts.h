#pragma once
// The Windows faces the dialogs name, each followed by the faces installed here
// that stand in for it (metric-alike first, narrow enough for texts laid out in
// "MS Shell Dlg" dialog units).
#include <QFont>

#include <string>

namespace quillmark {

// `font` with the face `face` and its stand-ins.
QFont WithFace(QFont font, const std::string& face);
// The face at `points` on a 96 dots-per-inch screen.
QFont FaceAtPoints(const std::string& face, int points);
// Pixels of a font of `points` at 96 dots per inch.
int PointsToPixels(int points);

} // namespace quillmark
