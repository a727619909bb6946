#pragma once

#include <QRect>
#include <QSize>

namespace krv {

// Dialog layouts are given in dialog units of an 8-point dialog font, whose base units are 6 × 13
// pixels: a horizontal unit is a quarter of the width, a vertical unit an eighth of the height.
constexpr int DialogUnitsToPixelsX(int units)
{
    return units * 6 / 4;
}
constexpr int DialogUnitsToPixelsY(int units)
{
    return units * 13 / 8;
}

inline QRect DialogUnitRect(int x, int y, int width, int height)
{
    return QRect(DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), DialogUnitsToPixelsX(width),
                 DialogUnitsToPixelsY(height));
}

inline QSize DialogUnitSize(int width, int height)
{
    return QSize(DialogUnitsToPixelsX(width), DialogUnitsToPixelsY(height));
}

}  // namespace krv
