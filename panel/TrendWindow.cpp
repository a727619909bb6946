#include "panel/TrendWindow.h"

#include <QDateTime>
#include <QFileDialog>
#include <QGraphicsPathItem>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

#include "dialogs/Utf8.h"
#include "model/GeneratorState.h"

namespace krv {

namespace {

constexpr int kPlotHeight = 190;
constexpr int kWindowWidth = 760;
const QColor kLineColours[kChannelCount] = {QColor(0, 70, 200), QColor(200, 40, 40),
                                            QColor(0, 140, 60), QColor(150, 60, 170)};
// The bands of an output switched off and of a unit not connected.
const QColor kOffColour(222, 222, 222);
const QColor kAwayColour(246, 226, 178);
// The chart keeps its own items (plot area, grid, axes, series) at z values below 10: the bands
// cover the plot area's grid, the line lies over everything.
constexpr qreal kBandZ = 0.5;
constexpr qreal kLineZ = 20.0;

QString PlotTitle(int ch, const TrendScale& scale)
{
    return QStringLiteral("チャンネル%1　%2")
        .arg(QChar(0xFF11 + ch))  // "１" … "４"
        .arg(Q(RangeDisplayName(scale.range)));
}

}  // namespace

TrendWindow::TrendWindow(const GeneratorState& state, const TrendHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window),
      state_(state),
      history_(history),
      pause_(this),
      export_(this),
      legend_(this),
      span_(this)
{
    setWindowTitle(QStringLiteral("トレンド表示"));
    setObjectName(QStringLiteral("trendWindow"));

    pause_.setText(QStringLiteral("一時停止"));
    pause_.setObjectName(QStringLiteral("trendPause"));
    export_.setText(QStringLiteral("PNG保存..."));
    export_.setObjectName(QStringLiteral("trendExport"));
    span_.setText(QStringLiteral("直近10分"));
    legend_.setObjectName(QStringLiteral("trendLegend"));
    legend_.setTextFormat(Qt::RichText);
    legend_.setText(QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;"
                                   "</span>&nbsp;出力オフ&nbsp;&nbsp;"
                                   "<span style=\"background-color:%2\">&nbsp;&nbsp;&nbsp;&nbsp;"
                                   "</span>&nbsp;未接続")
                        .arg(kOffColour.name(), kAwayColour.name()));
    connect(&pause_, &QPushButton::clicked, this, [this] { SetPaused(!paused_); });
    connect(&export_, &QPushButton::clicked, this, [this] { ExportCommand(); });

    auto* bar = new QHBoxLayout;
    bar->addWidget(&pause_);
    bar->addWidget(&export_);
    bar->addStretch(1);
    bar->addWidget(&legend_);
    bar->addSpacing(16);
    bar->addWidget(&span_);

    plotsArea_ = new QWidget(this);
    auto* plotsLayout = new QVBoxLayout(plotsArea_);
    plotsLayout->setContentsMargins(0, 0, 0, 0);
    plotsLayout->setSpacing(2);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        Plot& plot = plots_[static_cast<std::size_t>(ch)];
        plot.chart = new QChart;
        plot.chart->setAnimationOptions(QChart::NoAnimation);
        plot.chart->legend()->hide();
        plot.chart->setMargins(QMargins(4, 2, 4, 2));
        plot.series = new QLineSeries;
        plot.series->setUseOpenGL(false);
        plot.chart->addSeries(plot.series);
        // A one-pixel cosmetic pen without smoothing: the plots are redrawn four times a second,
        // and wider or smoothed lines cost several times as much to draw.
        QPen pen(kLineColours[ch], 1);
        pen.setCosmetic(true);
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setCapStyle(Qt::FlatCap);
        plot.line = new QGraphicsPathItem(plot.chart);
        plot.line->setPen(pen);
        plot.line->setBrush(Qt::NoBrush);
        plot.line->setZValue(kLineZ);
        plot.offBands = new QGraphicsPathItem(plot.chart);
        plot.offBands->setPen(Qt::NoPen);
        plot.offBands->setBrush(kOffColour);
        plot.offBands->setZValue(kBandZ);
        plot.awayBands = new QGraphicsPathItem(plot.chart);
        plot.awayBands->setPen(Qt::NoPen);
        plot.awayBands->setBrush(kAwayColour);
        plot.awayBands->setZValue(kBandZ);
        plot.time = new QDateTimeAxis;
        plot.time->setFormat(QStringLiteral("HH:mm:ss"));
        plot.time->setTickCount(6);
        plot.value = new QValueAxis;
        plot.value->setTickCount(5);
        plot.chart->addAxis(plot.time, Qt::AlignBottom);
        plot.chart->addAxis(plot.value, Qt::AlignLeft);
        plot.series->attachAxis(plot.time);
        plot.series->attachAxis(plot.value);
        connect(plot.chart, &QChart::plotAreaChanged, this,
                [this, ch] { DrawPaths(plots_[static_cast<std::size_t>(ch)]); });
        plot.view = new QChartView(plot.chart, plotsArea_);  // takes the chart
        plot.view->setRenderHint(QPainter::Antialiasing, false);
        plot.view->setMinimumHeight(kPlotHeight * 2 / 3);
        plot.view->setObjectName(QStringLiteral("trendPlot%1").arg(ch + 1));
        plot.view->hide();
        plotsLayout->addWidget(plot.view, 1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(plotsArea_, 1);

    timer_.setInterval(kUpdateMs);
    connect(&timer_, &QTimer::timeout, this, &TrendWindow::UpdatePlots);
    resize(kWindowWidth, 40 + kPlotHeight * std::clamp(state_.AddressedCircuits(), 1, 2));
}

TrendWindow::~TrendWindow() = default;

QChart* TrendWindow::Chart(int ch) const
{
    return ch >= 0 && ch < kChannelCount ? plots_[static_cast<std::size_t>(ch)].chart : nullptr;
}

const std::vector<TrendHistory::Point>& TrendWindow::Line(int ch) const
{
    return plots_[static_cast<std::size_t>(std::clamp(ch, 0, kChannelCount - 1))].points;
}

const std::vector<TrendHistory::Band>& TrendWindow::Bands(int ch) const
{
    return plots_[static_cast<std::size_t>(std::clamp(ch, 0, kChannelCount - 1))].bands;
}

QGraphicsPathItem* TrendWindow::LineItem(int ch) const
{
    return ch >= 0 && ch < kChannelCount ? plots_[static_cast<std::size_t>(ch)].line : nullptr;
}

void TrendWindow::DrawPaths(Plot& plot) const
{
    const QRectF area = plot.chart->plotArea();
    const double low = plot.value->min();
    const double high = plot.value->max();
    const bool reversed = plot.value->isReverse();
    const double left = axisLeft_;
    const double right = axisRight_;
    QPainterPath line;
    QPainterPath off;
    QPainterPath away;
    if (plot.timeSet && area.width() > 0 && right > left && high > low) {
        const auto x = [&](double seconds) {
            const double share = std::clamp((seconds - left) / (right - left), 0.0, 1.0);
            return area.left() + share * area.width();
        };
        const auto y = [&](double value) {
            double share = std::clamp((value - low) / (high - low), 0.0, 1.0);
            if (reversed) share = 1.0 - share;
            return area.bottom() - share * area.height();
        };
        bool lifted = true;
        for (const TrendHistory::Point& p : plot.points) {
            if (p.IsBreak()) {
                lifted = true;
                continue;
            }
            const QPointF at(x(p.seconds), y(p.value));
            if (lifted) {
                line.moveTo(at);
                lifted = false;
            } else {
                line.lineTo(at);
            }
        }
        for (const TrendHistory::Band& b : plot.bands) {
            // At least a pixel wide, so a short gap is still seen.
            const double a = x(b.from);
            const double w = std::max(x(b.to) - a, 1.0);
            QPainterPath& target = b.why == TrendGap::Disconnected ? away : off;
            target.addRect(QRectF(a, area.top(), w, area.height()));
        }
    }
    plot.line->setPath(line);
    plot.offBands->setPath(off);
    plot.awayBands->setPath(away);
}

QValueAxis* TrendWindow::ValueAxis(int ch) const
{
    return ch >= 0 && ch < kChannelCount ? plots_[static_cast<std::size_t>(ch)].value : nullptr;
}

void TrendWindow::ApplyScale(int ch, Plot& plot, const TrendScale& scale)
{
    if (plot.scaled && plot.scale == scale) return;
    plot.scale = scale;
    plot.scaled = true;
    plot.chart->setTitle(PlotTitle(ch, scale));
    const double low = std::min(scale.lower, scale.upper);
    double high = std::max(scale.lower, scale.upper);
    if (!(high > low)) high = low + 1.0;
    plot.value->setRange(low, high);
    // A reversed conversion formula (its value falls as the output rises) keeps its direction.
    plot.value->setReverse(scale.upper < scale.lower);
    plot.value->setLabelFormat(QStringLiteral("%.%1f").arg(std::clamp(scale.decimals, 0, 6)));
    plot.value->setTitleText(Q(scale.unit).trimmed());
}

void TrendWindow::UpdatePlots()
{
    ++updates_;
    const int circuits = std::clamp(state_.AddressedCircuits(), 1, kChannelCount);
    if (circuits != shown_) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            plots_[static_cast<std::size_t>(ch)].view->setVisible(ch < circuits);
        }
        shown_ = circuits;
    }

    // The time axis moves on once a second, a pixel or so, and runs a second ahead of the
    // newest values: laying an axis out again costs several times what redrawing the lines does,
    // and the lines are redrawn four times a second. The history counts seconds on the monotonic
    // clock; the axis shows the wall clock.
    const double now = history_.Now();
    const bool moveAxis = !axisSet_ || now >= axisRight_;
    if (moveAxis) {
        axisRight_ = now + kAxisLeadSeconds;
        wallOffsetMs_ = static_cast<double>(QDateTime::currentMSecsSinceEpoch()) - now * 1000.0;
        axisSet_ = true;
    }
    const double from = axisRight_ - TrendHistory::kSpanSeconds;
    axisLeft_ = from;
    const auto wall = [&](double seconds) {
        return QDateTime::fromMSecsSinceEpoch(
            static_cast<qint64>(std::llround(seconds * 1000.0 + wallOffsetMs_)));
    };

    for (int ch = 0; ch < circuits; ++ch) {
        Plot& plot = plots_[static_cast<std::size_t>(ch)];
        ApplyScale(ch, plot,
                   history_.HasScale(ch) ? history_.Scale(ch) : ChannelTrendScale(state_, ch));
        // Columns two pixels wide: the line is redrawn point by point at every update, and at
        // ten minutes across a few hundred pixels one column is a second and a half anyway.
        const int columns = std::max(1, static_cast<int>(plot.chart->plotArea().width()) / 2);
        // A line without news is left alone until its end has grown by a column.
        const double end = std::min(now, history_.LastSeen(ch));
        const bool news = moveAxis || !plot.timeSet || plot.revision != history_.Revision(ch) ||
                          end - plot.drawnEnd >= TrendHistory::kSpanSeconds / columns;
        if (!news) continue;
        plot.revision = history_.Revision(ch);
        plot.drawnEnd = end;
        plot.points = history_.Polyline(ch, from, now, columns);
        plot.bands = history_.Bands(ch, from, now, columns);
        if (moveAxis || !plot.timeSet) {
            plot.time->setRange(wall(from), wall(axisRight_));
            plot.timeSet = true;
        }
        DrawPaths(plot);
    }
}

void TrendWindow::SetPaused(bool paused)
{
    paused_ = paused;
    pause_.setText(paused ? QStringLiteral("再開") : QStringLiteral("一時停止"));
    UpdateTimer();
    if (!paused_ && isVisible()) UpdatePlots();
}

void TrendWindow::UpdateTimer()
{
    if (isVisible() && !paused_) {
        if (!timer_.isActive()) timer_.start();
    } else {
        timer_.stop();
    }
}

void TrendWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    UpdateTimer();
    UpdatePlots();
}

void TrendWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    UpdateTimer();
}

bool TrendWindow::ExportPng(const QString& path)
{
    return plotsArea_->grab().save(path, "PNG");
}

void TrendWindow::ExportCommand()
{
    QString path;
    if (choosePngFile) {
        path = choosePngFile();
    } else {
        path = QFileDialog::getSaveFileName(
            this, QStringLiteral("PNG保存"),
            QStringLiteral("trend_%1.png")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))),
            QStringLiteral("PNGファイル (*.png)"));
    }
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
    if (ExportPng(path)) return;
    const QString text = QStringLiteral("PNGファイルを保存できません。\n") + path;
    if (showError) {
        showError(text);
    } else {
        QMessageBox::warning(this, QStringLiteral("警告"), text);
    }
}

}  // namespace krv
