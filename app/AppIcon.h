#pragma once

#include <QIcon>
#include <QPixmap>

namespace krv {

// The program's icon, rendered from the SVG compiled into the program
// (packaging/icons/bremix2.svg), the one source of the icon also installed for the desktop.
QPixmap DrawAppIcon(int size);
QIcon AppIcon();

}  // namespace krv
