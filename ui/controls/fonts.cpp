#include "ui/controls/fonts.h"

#include <QStringList>

namespace quillmark {

QFont WithFace(QFont font, const std::string& face)
{
    const QString name = QString::fromStdString(face);
    QStringList families{name};
    const bool bArial = name == "Arial" || name == "Helvetica";
    if (bArial) families << "Liberation Sans" << "Arimo";
    families << "DejaVu Sans";
    font.setFamilies(families);
    // The dialog faces are narrower than the sans faces found here: their
    // condensed cut keeps texts inside the rectangles laid out for them.
    if (!bArial) font.setStretch(QFont::Condensed);
    return font;
}

int PointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}

QFont FaceAtPoints(const std::string& face, int points)
{
    QFont font = WithFace(QFont(), face);
    font.setPixelSize(PointsToPixels(points));
    return font;
}

} // namespace quillmark
