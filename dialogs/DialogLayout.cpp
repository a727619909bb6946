#include "dialogs/DialogLayout.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace krv {

QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Shell Dlg"), QStringLiteral("MS UI Gothic")});
    font.setPixelSize(11);
    return font;
}

QFont DialogFixedFont(int cellHeight)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::Normal);
    font.setPixelSize(cellHeight);
    // The fallback faces keep room above and below the em square: step down until the line fits.
    for (int size = cellHeight; size > 1 && QFontMetrics(font).height() > cellHeight; --size) {
        font.setPixelSize(size - 1);
    }
    return font;
}

void SetControlId(QWidget& control, int id)
{
    control.setObjectName(QStringLiteral("id%1").arg(id));
}

void PlaceText(QLabel& label, QRect where, Qt::Alignment alignment, const QString& text)
{
    if (!text.isNull()) label.setText(text);
    if (!(alignment & Qt::AlignVertical_Mask)) alignment |= Qt::AlignTop;
    label.setAlignment(alignment);
    const QSize needed = label.sizeHint();
    const int extra = needed.width() - where.width();
    if (extra > 0) {
        if (alignment & Qt::AlignRight) {
            where.setLeft(where.left() - extra);
        } else if (alignment & Qt::AlignHCenter) {
            where.adjust(-extra / 2, 0, extra - extra / 2, 0);
        } else {
            where.setWidth(needed.width());
        }
    }
    if (needed.height() > where.height()) {
        if (alignment & Qt::AlignVCenter) {
            where.adjust(0, -(needed.height() - where.height()) / 2, 0, 0);
        }
        where.setHeight(needed.height());
    }
    label.setGeometry(where);
}

void PlaceValueText(QLabel& label, const QRect& where, Qt::Alignment alignment, int id)
{
    SetControlId(label, id);
    PlaceText(label, where, alignment);
}

void PlaceField(QLineEdit& field, const QRect& where, int id)
{
    field.setGeometry(where);
    field.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (id != 0) SetControlId(field, id);
}

void PlaceButton(QAbstractButton& button, const QString& text, const QRect& where, int id)
{
    button.setText(text);
    button.setGeometry(where);
    SetControlId(button, id);
}

void PlaceGroup(QGroupBox& group, const QString& text, const QRect& where, int id)
{
    group.setTitle(text);
    group.setGeometry(where);
    if (id != 0) SetControlId(group, id);
}

void SetEnterButton(QDialog& dialog, QPushButton* enter)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(button == enter);
    }
}

void PlaceOkCancel(QDialog& dialog, QPushButton& ok, QPushButton& cancel, const QString& cancelText,
                   int x, int y)
{
    PlaceButton(ok, QStringLiteral("OK"), DialogUnitRect(x, y, 50, 14), 1);
    ok.setDefault(true);
    cancel.setText(cancelText);
    cancel.setGeometry(DialogUnitRect(x + 54, y, 50, 14));
    SetControlId(cancel, 2);
    QObject::connect(&ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(&cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

}  // namespace krv
