#include "ui/bitmaps.h"

#include "resources/dialogtemplates.h"

#include <QString>

namespace quillmark {

QPixmap LoadBitmapResource(int id)
{
    // Compiled in from resources/bitmaps (ui/CMakeLists.txt).
    QPixmap pixmap;
    if (!pixmap.load(QStringLiteral(":/quillmark/bitmaps/logo%1.png").arg(id)))
        pixmap.load(QStringLiteral(":/quillmark/bitmaps/placeholder%1.png").arg(id));
    return pixmap;
}

} // namespace quillmark
