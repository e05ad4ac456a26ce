#pragma once
// The bitmaps of resources/bitmaps, by resource id.
#include <QPixmap>

namespace quillmark {

// The bitmap `id`; a null pixmap when there is none.
QPixmap LoadBitmapResource(int id);

} // namespace quillmark
