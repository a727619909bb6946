#include "dialogs/CScaleDlg.h"

#include <QShowEvent>

#include "dialogs/DialogLayout.h"
#include "input/DialogChecks.h"

namespace krv {

CScaleDlg::CScaleDlg(UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui)
{
    setWindowTitle(tr("換算式"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(261, 107));

    PlaceText(channelCaption_, DialogUnitRect(7, 8, 32, 8), Qt::AlignLeft, tr("チャンネル"));
    PlaceValueText(channelText_, DialogUnitRect(40, 7, 22, 13), Qt::AlignHCenter, 1016);
    PlaceText(minimumCaption_, DialogUnitRect(80, 25, 25, 8), Qt::AlignLeft, tr("最小値"));
    PlaceText(maximumCaption_, DialogUnitRect(145, 25, 25, 8), Qt::AlignLeft, tr("最大値"));
    PlaceText(analogCaption_, DialogUnitRect(23, 39, 34, 8), Qt::AlignLeft, tr("アナログ値"));
    PlaceValueText(lowerEnd_, DialogUnitRect(63, 37, 53, 14), Qt::AlignRight, 1021);
    PlaceValueText(upperEnd_, DialogUnitRect(130, 37, 53, 14), Qt::AlignRight, 1017);
    PlaceText(minimumArrow_, DialogUnitRect(88, 52, 8, 8), Qt::AlignLeft, "▽");
    PlaceText(maximumArrow_, DialogUnitRect(155, 52, 8, 8), Qt::AlignLeft, "▽");
    PlaceText(convertedCaption_, DialogUnitRect(25, 62, 25, 8), Qt::AlignLeft, tr("換算値"));
    PlaceText(digitsNote_, DialogUnitRect(11, 71, 52, 8), Qt::AlignLeft, tr("(有効桁数5桁）"));
    PlaceField(minimum_, DialogUnitRect(63, 62, 53, 14), 1018);
    PlaceField(maximum_, DialogUnitRect(130, 62, 53, 14), 1019);
    PlaceText(unitCaption_, DialogUnitRect(214, 42, 17, 8), Qt::AlignLeft, tr("単位"));
    PlaceText(unitNote_, DialogUnitRect(194, 52, 58, 8), Qt::AlignLeft, tr("(半角3文字以内)"));
    PlaceField(unit_, DialogUnitRect(195, 62, 53, 14), 1020);

    PlaceOkCancel(*this, ok_, cancel_, tr("キャンセル"), 144, 86);

    minimum_.setToolTip(tr("アナログ値の最小値に対応する換算値（有効桁数5桁）"));
    maximum_.setToolTip(tr("アナログ値の最大値に対応する換算値（有効桁数5桁）"));
    unit_.setToolTip(tr("換算値の単位（半角3文字以内）"));
    ok_.setToolTip(tr("換算式を確定して閉じます"));
    cancel_.setToolTip(tr("変更を捨てて閉じます"));
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
        ui_.ShowMessage(TrMarked("DialogChecks", result.message.c_str()), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
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
