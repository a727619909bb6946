#include "dialogs/CScaleDlg.h"

#include <QShowEvent>

#include <algorithm>

#include "app/DialogUnits.h"
#include "dialogs/DialogChecks.h"

namespace krv {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The dialog font; where "MS Shell Dlg" is unknown, the Japanese UI font stands in for it.
QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Shell Dlg"), QStringLiteral("MS UI Gothic")});
    font.setPixelSize(11);
    return font;
}

// A static text at its place in the form. Where the installed font needs more room than the form
// gives, the text's box grows away from the side the text is aligned to, so nothing is cut off.
void PlaceText(QLabel& label, const char* text, QRect where, Qt::Alignment horizontal)
{
    label.setText(QString::fromUtf8(text));
    label.setAlignment(horizontal | Qt::AlignTop);
    const QSize needed = label.sizeHint();
    const int extra = needed.width() - where.width();
    if (extra > 0) {
        if (horizontal & Qt::AlignRight) {
            where.setLeft(where.left() - extra);
        } else if (horizontal & Qt::AlignHCenter) {
            where.adjust(-extra / 2, 0, extra - extra / 2, 0);
        } else {
            where.setWidth(needed.width());
        }
    }
    where.setHeight(std::max(where.height(), needed.height()));
    label.setGeometry(where);
}

void PlaceField(QLineEdit& field, const QRect& where)
{
    field.setGeometry(where);
    field.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

CScaleDlg::CScaleDlg(UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui)
{
    setWindowTitle(QString::fromUtf8("換算式"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(261, 107));

    PlaceText(channelCaption_, "チャンネル", DialogUnitRect(7, 8, 32, 8), Qt::AlignLeft);
    channelText_.setGeometry(DialogUnitRect(40, 7, 22, 13));
    channelText_.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    channelText_.setObjectName(QStringLiteral("id1016"));
    PlaceText(minimumCaption_, "最小値", DialogUnitRect(80, 25, 25, 8), Qt::AlignLeft);
    PlaceText(maximumCaption_, "最大値", DialogUnitRect(145, 25, 25, 8), Qt::AlignLeft);
    PlaceText(analogCaption_, "アナログ値", DialogUnitRect(23, 39, 34, 8), Qt::AlignLeft);
    lowerEnd_.setGeometry(DialogUnitRect(63, 37, 53, 14));
    lowerEnd_.setAlignment(Qt::AlignRight | Qt::AlignTop);
    lowerEnd_.setObjectName(QStringLiteral("id1021"));
    upperEnd_.setGeometry(DialogUnitRect(130, 37, 53, 14));
    upperEnd_.setAlignment(Qt::AlignRight | Qt::AlignTop);
    upperEnd_.setObjectName(QStringLiteral("id1017"));
    PlaceText(minimumArrow_, "▽", DialogUnitRect(88, 52, 8, 8), Qt::AlignLeft);
    PlaceText(maximumArrow_, "▽", DialogUnitRect(155, 52, 8, 8), Qt::AlignLeft);
    PlaceText(convertedCaption_, "換算値", DialogUnitRect(25, 62, 25, 8), Qt::AlignLeft);
    PlaceText(digitsNote_, "(有効桁数5桁）", DialogUnitRect(11, 71, 52, 8), Qt::AlignLeft);
    PlaceField(minimum_, DialogUnitRect(63, 62, 53, 14));
    minimum_.setObjectName(QStringLiteral("id1018"));
    PlaceField(maximum_, DialogUnitRect(130, 62, 53, 14));
    maximum_.setObjectName(QStringLiteral("id1019"));
    PlaceText(unitCaption_, "単位", DialogUnitRect(214, 42, 17, 8), Qt::AlignLeft);
    PlaceText(unitNote_, "(半角3文字以内)", DialogUnitRect(194, 52, 58, 8), Qt::AlignLeft);
    PlaceField(unit_, DialogUnitRect(195, 62, 53, 14));
    unit_.setObjectName(QStringLiteral("id1020"));

    PlaceOkCancel(*this, ok_, cancel_, QString::fromUtf8("キャンセル"), 144, 86);
}

void CScaleDlg::showEvent(QShowEvent* event)
{
    // Filled each time the program shows the dialog, not when the window system merely restores
    // it, which would throw away what the user has typed.
    if (!event->spontaneous()) FillFields();
    QDialog::showEvent(event);
}

void CScaleDlg::FillFields()
{
    channelText_.setText(Q(ChannelLabel(channel)));
    const std::optional<RangeEndTexts> ends = ScaleRangeEndTexts(range);
    lowerEnd_.setText(ends ? Q(ends->lower) : QString());
    upperEnd_.setText(ends ? Q(ends->upper) : QString());
    minimum_.setText(Q(FormatFieldValue(scaledDigits, scaledMin)));
    maximum_.setText(Q(FormatFieldValue(scaledDigits, scaledMax)));
    unit_.setText(Q(scaledUnit));
    minimum_.setFocus();
}

void CScaleDlg::accept()
{
    const ScaleCheckResult result = CheckScaleInput(
        {minimum_.text().toStdString(), maximum_.text().toStdString(), unit_.text().toStdString()});
    if (!result.Accepted()) {
        ui_.ShowMessage(result.message, kCheckCaption, MessageIcon::Information,
                        MessageButtons::Ok);
        // Back to the field that needs correcting.
        QLineEdit& field = result.message == kScaleMaximumError ? maximum_
                           : result.message == kScaleUnitError  ? unit_
                                                                : minimum_;
        field.setFocus();
        field.selectAll();
        return;
    }
    newMin = result.minimum;
    newMax = result.maximum;
    newDigits = result.decimals;
    newUnit = result.unit;
    QDialog::accept();
}

}  // namespace krv
