#pragma once

#include <QPixmap>

namespace krv {

// The panel's small images, drawn by the program: the automatic-output button faces (14 × 14) and
// the preset markers (6 × 12).
enum class PanelBitmap {
    PlayGrey = 823,
    StopGrey = 824,
    PauseGrey = 825,
    PlayGreen = 826,
    StopRed = 827,
    PauseBlue = 828,
    MarkerCurrent = 830,  // the preset that is the current value: grey over green
    MarkerOther = 831,    // every other preset: grey
};

QPixmap DrawPanelBitmap(PanelBitmap which);

}  // namespace krv
