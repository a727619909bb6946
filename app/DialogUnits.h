#pragma once

#include <QDialog>
#include <QPushButton>
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

// The OK (id 1, default) and cancel (id 2) buttons of a dialog, placed at dialog units (x, y) and
// (x + 54, y), 50 × 14 each.
inline void PlaceOkCancel(QDialog& dialog, QPushButton& ok, QPushButton& cancel,
                          const QString& cancelText, int x, int y)
{
    ok.setText(QStringLiteral("OK"));
    ok.setObjectName(QStringLiteral("id1"));
    ok.setGeometry(DialogUnitRect(x, y, 50, 14));
    ok.setDefault(true);
    cancel.setText(cancelText);
    cancel.setObjectName(QStringLiteral("id2"));
    cancel.setGeometry(DialogUnitRect(x + 54, y, 50, 14));
    QObject::connect(&ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(&cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

}  // namespace krv
