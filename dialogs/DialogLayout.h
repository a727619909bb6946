#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <string>

#include "dialogs/Utf8.h"

class QAbstractButton;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// How every dialog of the program lays itself out: positions in dialog units, the dialog font,
// static texts that never get cut off, fields, buttons and the OK/cancel pair.
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

// The setting dialogs' font; where "MS Shell Dlg" is unknown, the Japanese UI font stands in.
QFont DialogFont();

// The fixed-pitch Japanese gothic ("ＭＳ ゴシック") for fields that show numbers in a large size:
// normal weight, the largest pixel size whose line (ascent plus descent) fits `cellHeight`.
QFont DialogFixedFont(int cellHeight);

// Names a control after its dialog id ("id1030"), the name tests and screenshots find it by.
void SetControlId(QWidget& control, int id);

// A static text at its place in the form, with `text` when one is given (a text the dialog fills
// later keeps the label's). Texts come translated, from the dialog's tr(). Where the installed font
// needs more room than the form gives, the box grows away from the side the text is aligned to
// (both ways when centred), and taller downwards, or both ways for a vertically centred text, so
// nothing is cut off. Without a vertical alignment the text sits at the top.
void PlaceText(QLabel& label, QRect where, Qt::Alignment alignment,
               const QString& text = QString());

// A static text the dialog fills in later (a channel, a limit), named after its `id`; placed as
// PlaceText places it.
void PlaceValueText(QLabel& label, const QRect& where, Qt::Alignment alignment, int id);

// A number field: right-aligned text; named after `id` unless it is 0.
void PlaceField(QLineEdit& field, const QRect& where, int id = 0);

// A button (push button, radio button, check box) with its text, place and id.
void PlaceButton(QAbstractButton& button, const QString& text, const QRect& where, int id);

// A group box with its caption and place; named after `id` unless it is 0.
void PlaceGroup(QGroupBox& group, const QString& text, const QRect& where, int id = 0);

// What Enter presses in a dialog: `enter` (its OK), or nothing when it is null. A QDialog
// otherwise lets any push button take Enter while it has the focus, and makes the first one in
// the focus chain its default when it has none, so Enter anywhere would press a button such as
// "▲". Every push button of `dialog` other than `enter` is made neither default nor auto-default;
// controls that take Enter themselves (multi-line edits, fields, the editable list) still do. Call
// once the dialog's push buttons all exist.
void SetEnterButton(QDialog& dialog, QPushButton* enter);

// The OK (id 1, default) and cancel (id 2) buttons of a dialog, placed at dialog units (x, y) and
// (x + 54, y), 50 × 14 each, accepting and rejecting the dialog.
void PlaceOkCancel(QDialog& dialog, QPushButton& ok, QPushButton& cancel, const QString& cancelText,
                   int x, int y);

}  // namespace krv
