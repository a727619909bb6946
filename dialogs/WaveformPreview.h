#pragma once

#include <QString>
#include <QWidget>

#include "model/Waveform.h"
#include "protocol/Ranges.h"

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
    WaveformRepeat repeat_;
    RangeLimits limits_{0.0, 1.0, 0};
    QString note_;
};

}  // namespace krv
