#include "app/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace krv {

QPixmap DrawAppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // A rounded instrument face with a sawtooth and a triangle trace: the unit's outputs.
    QLinearGradient face(0, 0, 0, s);
    face.setColorAt(0, QColor(0x2f, 0x5d, 0x8a));
    face.setColorAt(1, QColor(0x17, 0x31, 0x4d));
    painter.setPen(QPen(QColor(0x0d, 0x1c, 0x2c), s / 32));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(s / 32, s / 32, s - s / 16, s - s / 16), s / 6, s / 6);

    QPainterPath saw;
    saw.moveTo(s * 0.16, s * 0.44);
    saw.lineTo(s * 0.44, s * 0.20);
    saw.lineTo(s * 0.44, s * 0.44);
    saw.lineTo(s * 0.72, s * 0.20);
    saw.lineTo(s * 0.72, s * 0.44);
    saw.lineTo(s * 0.84, s * 0.34);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(
        QPen(QColor(0x7c, 0xe0, 0x8a), s / 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(saw);

    QPainterPath triangle;
    triangle.moveTo(s * 0.16, s * 0.80);
    triangle.lineTo(s * 0.33, s * 0.58);
    triangle.lineTo(s * 0.50, s * 0.80);
    triangle.lineTo(s * 0.67, s * 0.58);
    triangle.lineTo(s * 0.84, s * 0.80);
    painter.setPen(
        QPen(QColor(0xff, 0xc8, 0x57), s / 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(triangle);
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DrawAppIcon(size));
    return icon;
}

}  // namespace krv
