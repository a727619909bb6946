#include "panel/PanelBitmaps.h"

#include <QPainter>
#include <QPolygon>

namespace krv {

namespace {

const QColor kGrey(128, 128, 128);
const QColor kGreen(0, 160, 0);
const QColor kDarkRed(160, 0, 0);
const QColor kBlue(0, 0, 200);

QPixmap Face(const QColor& colour, int shape)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    switch (shape) {
        case 0:  // play: a triangle pointing right
            p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(12, 7), QPoint(3, 13)}));
            break;
        case 1:  // stop: a square
            p.drawRect(3, 3, 8, 8);
            break;
        default:  // pause: two bars
            p.drawRect(3, 2, 3, 10);
            p.drawRect(8, 2, 3, 10);
            break;
    }
    return pixmap;
}

QPixmap Marker(bool current)
{
    QPixmap pixmap(6, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.fillRect(0, 0, 6, 6, QColor(160, 160, 160));
    p.fillRect(0, 6, 6, 6, current ? QColor(0, 200, 0) : QColor(160, 160, 160));
    return pixmap;
}

}  // namespace

QPixmap DrawPanelBitmap(PanelBitmap which)
{
    switch (which) {
        case PanelBitmap::PlayGrey:
            return Face(kGrey, 0);
        case PanelBitmap::StopGrey:
            return Face(kGrey, 1);
        case PanelBitmap::PauseGrey:
            return Face(kGrey, 2);
        case PanelBitmap::PlayGreen:
            return Face(kGreen, 0);
        case PanelBitmap::StopRed:
            return Face(kDarkRed, 1);
        case PanelBitmap::PauseBlue:
            return Face(kBlue, 2);
        case PanelBitmap::MarkerCurrent:
            return Marker(true);
        case PanelBitmap::MarkerOther:
            return Marker(false);
    }
    return {};
}

}  // namespace krv
