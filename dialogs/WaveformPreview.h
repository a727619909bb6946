#pragma once

#include <QString>
#include <QWidget>

#include "model/Waveform.h"
#include "protocol/Ranges.h"

class QPainter;

namespace krv {

// A small plot of one repeat of an automatic output: the values over time as the panel steps
// them, between the range's limits. Shows a short note instead when there is nothing to draw.
class WaveformPreview : public QWidget {
  public:
    explicit WaveformPreview(QWidget* parent = nullptr);

    // The repeat to draw, with the limits of the range its values are in.
    void SetRepeat(WaveformRepeat repeat, const RangeLimits& limits);
    // No plot, only `note` (why there is nothing to draw).
    void SetNote(const QString& note);

    const WaveformRepeat& Repeat() const { return repeat_; }
    const QString& Note() const { return note_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct PlotScale;

    // The steps of painting, in order; the plot's steps only when there is a repeat to draw.
    void DrawBackground(QPainter& painter, double line) const;
    void DrawNote(QPainter& painter) const;
    PlotScale ScaleFor(double labelWidth, double line) const;
    void DrawAxes(QPainter& painter, const PlotScale& scale, double labelWidth,
                  const QString& lowText, const QString& highText) const;
    void DrawStaircase(QPainter& painter, const PlotScale& scale) const;
    void DrawPauses(QPainter& painter, const PlotScale& scale) const;

    WaveformRepeat repeat_;
    RangeLimits limits_{0.0, 1.0, 0};
    QString note_;
};

}  // namespace krv
