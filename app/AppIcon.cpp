#include "app/AppIcon.h"

#include <QPainter>
#include <QSvgRenderer>

namespace krv {

QPixmap DrawAppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    // The installed icon files are rendered from the same SVG at build time.
    QSvgRenderer renderer(QStringLiteral(":/icons/bremix2.svg"));
    if (!renderer.isValid()) return pixmap;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(DrawAppIcon(size));
    return icon;
}

}  // namespace krv
