#include "dialogs/CAutoOutPicture.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <vector>

#include "dialogs/DialogLayout.h"

namespace krv {

namespace {

constexpr int kPictureWidth = 300;
constexpr int kPictureHeight = 140;

void Arrowhead(QPainter& painter, QPointF tip, QPointF from)
{
    const QLineF back(tip, from);
    const QLineF unit = back.unitVector();
    const QPointF along = (unit.p2() - unit.p1()) * 5.0;
    const QPointF across(-along.y() * 0.55, along.x() * 0.55);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip + along + across);
    head.lineTo(tip + along - across);
    head.closeSubpath();
    painter.fillPath(head, painter.pen().color());
}

void Arrow(QPainter& painter, QPointF from, QPointF to)
{
    painter.drawLine(from, to);
    Arrowhead(painter, to, from);
}

void DoubleArrow(QPainter& painter, QPointF a, QPointF b)
{
    painter.drawLine(a, b);
    Arrowhead(painter, a, b);
    Arrowhead(painter, b, a);
}

void Guide(QPainter& painter, QPointF a, QPointF b)
{
    const QPen saved = painter.pen();
    QPen dotted(QColor(110, 110, 110), 1, Qt::DotLine);
    painter.setPen(dotted);
    painter.drawLine(a, b);
    painter.setPen(saved);
}

}  // namespace

CAutoOutPicture::CAutoOutPicture(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kPictureWidth, kPictureHeight);
}

void CAutoOutPicture::SetWaveform(int waveform)
{
    if (waveform == waveform_) return;
    waveform_ = waveform;
    update();
}

void CAutoOutPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Draw(painter, waveform_);
}

void CAutoOutPicture::Draw(QPainter& painter, int waveform)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF area(0, 0, kPictureWidth, kPictureHeight);
    painter.fillRect(area, Qt::white);
    painter.setPen(QPen(QColor(160, 160, 160), 1));
    painter.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));

    // Four levels: the start, two steps, the end (or turning) value; each held one interval.
    constexpr double kLeft = 64.0;
    constexpr double kTread = 30.0;
    constexpr double kRise = 24.0;
    constexpr double kStartLevel = 100.0;
    constexpr double kRight = 292.0;
    const auto level = [&](int n) { return kStartLevel - n * kRise; };
    std::vector<int> levels;
    if (waveform == kTriangle) {
        levels = {0, 1, 2, 3, 2, 1, 0, 1};
    } else {
        levels = {0, 1, 2, 3, 0, 1, 2, 3};
    }
    QPainterPath stairs;
    stairs.moveTo(kLeft, level(levels.front()));
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double x = kLeft + static_cast<double>(i) * kTread;
        stairs.lineTo(x, level(levels[i]));
        stairs.lineTo(std::min(x + kTread, kRight), level(levels[i]));
    }
    painter.setPen(QPen(QColor(0, 70, 200), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(stairs);

    painter.setPen(QPen(Qt::black, 1));
    const QFontMetricsF metrics(painter.font());
    const auto label = [&](const QRectF& box, Qt::Alignment alignment, const char* text) {
        painter.drawText(box, alignment | Qt::AlignVCenter,
                         QCoreApplication::translate("krv::CAutoOutPicture", text));
    };
    const double textHeight = metrics.height();

    // The start value and the end (turning) value: labels on the left, arrows to their levels.
    label(QRectF(2, level(0) - textHeight / 2, 40, textHeight), Qt::AlignRight,
          QT_TRANSLATE_NOOP("krv::CAutoOutPicture", "開始値"));
    Arrow(painter, QPointF(45, level(0)), QPointF(kLeft - 3, level(0)));
    const char* top = waveform == kTriangle ? QT_TRANSLATE_NOOP("krv::CAutoOutPicture", "折返値")
                                            : QT_TRANSLATE_NOOP("krv::CAutoOutPicture", "終了値");
    label(QRectF(2, level(3) - textHeight / 2, 40, textHeight), Qt::AlignRight, top);
    const double topTread = kLeft + 3 * kTread;
    Guide(painter, QPointF(45, level(3)), QPointF(topTread - 3, level(3)));
    Arrowhead(painter, QPointF(topTread - 3, level(3)), QPointF(45, level(3)));

    // The change per step: the height of the riser at the start of the third tread.
    const double riser = kLeft + 2 * kTread;
    const double stepArrowX = riser + 7;
    Guide(painter, QPointF(riser, level(1)), QPointF(stepArrowX + 4, level(1)));
    DoubleArrow(painter, QPointF(stepArrowX, level(2) + 2), QPointF(stepArrowX, level(1) - 1));
    label(QRectF(stepArrowX + 5, (level(1) + level(2)) / 2 - textHeight / 2, 60, textHeight),
          Qt::AlignLeft, QT_TRANSLATE_NOOP("krv::CAutoOutPicture", "変化量"));

    // The update interval: the width of the first tread, measured below it.
    const double intervalY = level(0) + 14;
    Guide(painter, QPointF(kLeft, level(0) + 2), QPointF(kLeft, intervalY + 4));
    Guide(painter, QPointF(kLeft + kTread, level(0) + 2), QPointF(kLeft + kTread, intervalY + 4));
    DoubleArrow(painter, QPointF(kLeft + 1, intervalY), QPointF(kLeft + kTread - 1, intervalY));
    label(QRectF(kLeft + kTread + 6, intervalY - textHeight / 2, 80, textHeight), Qt::AlignLeft,
          QT_TRANSLATE_NOOP("krv::CAutoOutPicture", "更新間隔"));
    painter.restore();
}

}  // namespace krv
