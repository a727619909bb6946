#pragma once

#include <QIcon>
#include <QPixmap>

namespace krv {

// The program's icon, drawn rather than loaded so the program carries no image files.
QPixmap DrawAppIcon(int size);
QIcon AppIcon();

}  // namespace krv
