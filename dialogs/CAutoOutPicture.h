#pragma once

#include <QWidget>

#include "model/ChannelSettings.h"

class QPainter;

namespace krv {

// The drawing beside the fields: a staircase rising from the start value in steps of the change
// per step, each held for the update interval, up to the end value and back to the start
// (sawtooth), or up to the turning value and down again (triangle).
class CAutoOutPicture : public QWidget {
  public:
    explicit CAutoOutPicture(QWidget* parent = nullptr);

    void SetWaveform(int waveform);
    int Waveform() const { return waveform_; }

    // Draws the illustration of `waveform` (sawtooth or triangle) into a 300 × 140 area.
    static void Draw(QPainter& painter, int waveform);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int waveform_ = kSawtooth;
};

}  // namespace krv
