#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/TrendHistory.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QDateTimeAxis;
class QGraphicsPathItem;
class QLineSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace krv {

class GeneratorState;

// The live trend: one plot per channel of the unit, its output value against time over the last
// ten minutes, the value axis spanning the range's limits (converted units while the formula is
// on). A window of its own beside the panel, not modal.
//
// It costs nothing while hidden: the history keeps collecting in the core, and the plots are fed
// from it only while the window is shown, four times a second, with a line already thinned to
// the plot's width. Where the output was off or the unit not connected the line has a gap over a
// shaded band.
class TrendWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kUpdateMs = 250;
    static constexpr double kAxisLeadSeconds = 1.0;

    TrendWindow(const GeneratorState& state, const TrendHistory& history,
                QWidget* parent = nullptr);
    ~TrendWindow() override;

    // Feeds every plot from the history now (the timer does it while shown and not paused).
    void UpdatePlots();
    // Paused, the plots stand still (the history goes on); resumed, they catch up at once.
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }
    // Writes the plots as a PNG image; false when the file cannot be written.
    bool ExportPng(const QString& path);
    // The "PNG保存..." button: asks for the file, writes it, says when it could not.
    void ExportCommand();

    // Asks for the PNG file to write; an empty text means none was chosen. Unset: a file dialog.
    std::function<QString()> choosePngFile;
    // Where a failed export is reported. Unset: a message box.
    std::function<void(const QString&)> showError;

    // For tests and the benchmark.
    int UpdateCount() const { return updates_; }
    bool TimerActive() const { return timer_.isActive(); }
    int ShownPlots() const { return shown_; }
    QChart* Chart(int ch) const;
    QValueAxis* ValueAxis(int ch) const;
    // The line and the gaps last drawn, on the history's time line.
    const std::vector<TrendHistory::Point>& Line(int ch) const;
    const std::vector<TrendHistory::Band>& Bands(int ch) const;
    QGraphicsPathItem* LineItem(int ch) const;
    QPushButton& PauseButton() { return pause_; }
    QPushButton& ExportButton() { return export_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    struct Plot {
        QChartView* view = nullptr;
        QChart* chart = nullptr;
        // Carries the axes; the line itself is a path of its own, which can have gaps.
        QLineSeries* series = nullptr;
        QGraphicsPathItem* line = nullptr;
        QGraphicsPathItem* offBands = nullptr;
        QGraphicsPathItem* awayBands = nullptr;
        std::vector<TrendHistory::Point> points;
        std::vector<TrendHistory::Band> bands;
        QDateTimeAxis* time = nullptr;
        QValueAxis* value = nullptr;
        TrendScale scale;
        bool scaled = false;         // `scale` has been applied
        bool timeSet = false;        // the time axis has its range
        std::uint64_t revision = 0;  // of the history when the line was last drawn
        double drawnEnd = 0.0;       // where that line ended
    };

    void ApplyScale(int ch, Plot& plot, const TrendScale& scale);
    // Lays the plot's line and bands out on its plot area as the axes stand.
    void DrawPaths(Plot& plot) const;
    void UpdateTimer();

    const GeneratorState& state_;
    const TrendHistory& history_;
    QPushButton pause_;
    QPushButton export_;
    QLabel legend_;
    QLabel span_;
    QWidget* plotsArea_ = nullptr;
    std::array<Plot, kChannelCount> plots_;
    QTimer timer_;
    bool paused_ = false;
    bool axisSet_ = false;
    double axisRight_ = 0.0;  // the time axis's right end, on the history's time line
    double axisLeft_ = 0.0;
    double wallOffsetMs_ = 0.0;  // wall clock minus history time, taken when the axis moved
    int shown_ = 0;
    int updates_ = 0;
};

}  // namespace krv
