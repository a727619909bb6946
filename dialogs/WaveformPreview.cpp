#include "dialogs/WaveformPreview.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "dialogs/Utf8.h"
#include "model/StepDecimation.h"

namespace krv {

namespace {

QString Translated(const char* text)
{
    return QCoreApplication::translate("krv::WaveformPreview", text);
}

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', std::clamp(decimals, 0, 6));
}

}  // namespace

WaveformPreview::WaveformPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("waveformPreview"));
}

void WaveformPreview::SetRepeat(WaveformRepeat repeat, const RangeLimits& limits)
{
    repeat_ = std::move(repeat);
    limits_ = limits;
    note_.clear();
    if (repeat_.stairs.empty())
        note_ = Translated(QT_TRANSLATE_NOOP("krv::WaveformPreview", "出力する点がありません"));
    update();
}

void WaveformPreview::SetNote(const QString& note)
{
    repeat_ = {};
    note_ = note;
    update();
}

// Where the plot lies, and how times and values map into it: values between the limits (the
// lower one at the bottom), time from the start to the end of the repeat.
struct WaveformPreview::PlotScale {
    QRectF plot;
    double lower = 0.0;
    double upper = 1.0;
    double span = 1.0;
    double line = 0.0;  // the height of a line of text

    double X(double seconds) const { return plot.left() + seconds / span * plot.width(); }
    double Y(double value) const
    {
        const double share = std::clamp((value - lower) / (upper - lower), -0.05, 1.05);
        return plot.bottom() - share * plot.height();
    }
};

void WaveformPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetricsF metrics(font());
    DrawBackground(painter, metrics.height());
    if (repeat_.stairs.empty()) {
        DrawNote(painter);
        return;
    }
    const QString lowText = Number(limits_.lower, limits_.decimals);
    const QString highText = Number(limits_.upper, limits_.decimals);
    const double labelWidth =
        std::max(metrics.horizontalAdvance(lowText), metrics.horizontalAdvance(highText));
    const PlotScale scale = ScaleFor(labelWidth, metrics.height());
    DrawAxes(painter, scale, labelWidth, lowText, highText);
    DrawStaircase(painter, scale);
    DrawPauses(painter, scale);
}

void WaveformPreview::DrawBackground(QPainter& painter, double line) const
{
    const QRectF whole = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(QColor(160, 160, 160), 1));
    painter.drawRect(whole);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(6, 4, width() - 12, line), Qt::AlignLeft | Qt::AlignVCenter,
                     Translated(QT_TRANSLATE_NOOP("krv::WaveformPreview", "プレビュー（１回分）")));
}

void WaveformPreview::DrawNote(QPainter& painter) const
{
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(QRectF(10, 0, width() - 20, height()), Qt::AlignCenter | Qt::TextWordWrap,
                     note_);
}

WaveformPreview::PlotScale WaveformPreview::ScaleFor(double labelWidth, double line) const
{
    PlotScale scale;
    scale.plot = QRectF(10 + labelWidth, 10 + line * 1.5, width() - 24 - labelWidth,
                        height() - 20 - line * 3.5);
    scale.lower = limits_.lower;
    scale.upper = limits_.upper != limits_.lower ? limits_.upper : limits_.lower + 1.0;
    scale.span = std::max(repeat_.endSeconds, 0.01);
    scale.line = line;
    return scale;
}

void WaveformPreview::DrawAxes(QPainter& painter, const PlotScale& scale, double labelWidth,
                               const QString& lowText, const QString& highText) const
{
    const QRectF& plot = scale.plot;
    const double line = scale.line;
    painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DotLine));
    painter.drawLine(QPointF(plot.left(), plot.top()), QPointF(plot.right(), plot.top()));
    painter.drawLine(QPointF(plot.left(), plot.bottom()), QPointF(plot.right(), plot.bottom()));
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.setPen(Qt::black);
    painter.drawText(QRectF(4, plot.top() - line / 2, labelWidth, line),
                     Qt::AlignRight | Qt::AlignVCenter, highText);
    painter.drawText(QRectF(4, plot.bottom() - line / 2, labelWidth, line),
                     Qt::AlignRight | Qt::AlignVCenter, lowText);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), line),
                     Qt::AlignLeft | Qt::AlignTop, QStringLiteral("0"));
    painter.drawText(
        QRectF(plot.left(), plot.bottom() + 4, plot.width(), line), Qt::AlignRight | Qt::AlignTop,
        Number(repeat_.endSeconds, 2) +
            Translated(QT_TRANSLATE_NOOP("krv::WaveformPreview", " 秒")) +
            (repeat_.complete
                 ? QString()
                 : Translated(QT_TRANSLATE_NOOP("krv::WaveformPreview", " 以降省略"))));
}

void WaveformPreview::DrawStaircase(QPainter& painter, const PlotScale& scale) const
{
    // Thinned to the plot's pixel columns as the trend thins its lines: however long the repeat,
    // the drawing stays cheap, held values level and steps upright.
    const auto& stairs = repeat_.stairs;
    std::vector<StepChange> changes;
    changes.reserve(stairs.size());
    for (const WaveformStair& stair : stairs) changes.push_back({stair.seconds, stair.value});
    const int columns = std::max(1, static_cast<int>(scale.plot.width()));
    const std::vector<StepPoint> corners =
        DecimateSteps(changes, StepColumns{0.0, scale.span, columns}, repeat_.endSeconds);
    QPainterPath path;
    bool lifted = true;
    for (const StepPoint& p : corners) {
        if (p.IsBreak()) {
            lifted = true;
        } else if (lifted) {
            path.moveTo(scale.X(p.seconds), scale.Y(p.value));
            lifted = false;
        } else {
            path.lineTo(scale.X(p.seconds), scale.Y(p.value));
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(0, 70, 200), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(path);
}

void WaveformPreview::DrawPauses(QPainter& painter, const PlotScale& scale) const
{
    // A point that pauses the run: the run waits there until it is started again.
    std::vector<QPointF> pauses;
    for (const WaveformStair& stair : repeat_.stairs) {
        if (stair.pause) pauses.emplace_back(scale.X(stair.seconds), scale.Y(stair.value));
    }
    if (pauses.empty()) return;
    painter.setPen(QPen(QColor(200, 60, 0), 1.5));
    for (const QPointF& p : pauses) painter.drawEllipse(p, 3.0, 3.0);
    const QRectF& plot = scale.plot;
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4 + scale.line, plot.width(), scale.line),
                     Qt::AlignLeft | Qt::AlignTop,
                     Translated(QT_TRANSLATE_NOOP("krv::WaveformPreview", "○ 一時停止")));
}

}  // namespace krv
