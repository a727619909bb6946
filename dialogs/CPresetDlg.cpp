#include "dialogs/CPresetDlg.h"

#include <QShowEvent>

#include "dialogs/DialogLayout.h"

namespace krv {

namespace {

struct FieldPlace {
    int id;
    int x;
    int y;
};

// Three presets to a row; the eighth field came last and carries the highest id.
constexpr FieldPlace kFieldPlaces[kPresetCount] = {
    {1022, 7, 38},  {1023, 67, 38},  {1024, 128, 38}, {1025, 7, 56},
    {1026, 67, 56}, {1027, 128, 56}, {1028, 7, 74},   {1032, 67, 74},
};

}  // namespace

CPresetDlg::CPresetDlg(UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui)
{
    setWindowTitle(tr("設定値"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(189, 120));

    PlaceText(channelCaption_, DialogUnitRect(18, 7, 32, 8), Qt::AlignHCenter, tr("チャンネル"));
    PlaceValueText(channelText_, DialogUnitRect(7, 17, 53, 12), Qt::AlignHCenter, 1030);
    PlaceText(minimumCaption_, DialogUnitRect(82, 8, 25, 8), Qt::AlignHCenter, tr("最小値"));
    PlaceText(maximumCaption_, DialogUnitRect(145, 8, 25, 8), Qt::AlignHCenter, tr("最大値"));
    PlaceValueText(lowerText_, DialogUnitRect(67, 17, 53, 12), Qt::AlignRight, 1029);
    PlaceValueText(upperText_, DialogUnitRect(128, 17, 53, 12), Qt::AlignRight, 1031);

    for (int i = 0; i < kPresetCount; ++i) {
        const FieldPlace& place = kFieldPlaces[i];
        PlaceField(PresetField(i), DialogUnitRect(place.x, place.y, 53, 14), place.id);
        PresetField(i).setToolTip(tr("設定値 %1（最小値～最大値の範囲）").arg(i + 1));
    }

    PlaceOkCancel(*this, ok_, cancel_, tr("戻る"), 77, 99);
    ok_.setToolTip(tr("設定値を確定して閉じます"));
    cancel_.setToolTip(tr("変更を捨てて戻ります"));
}

void CPresetDlg::showEvent(QShowEvent* event)
{
    // Filled each time the program shows the dialog, not when the window system merely restores
    // it, which would throw away what the user has typed.
    if (!event->spontaneous()) FillFields();
    QDialog::showEvent(event);
}

void CPresetDlg::FillFields()
{
    channelText_.setText(Q(ChannelLabel(channel)));
    lowerText_.setText(Q(lowerText));
    upperText_.setText(Q(upperText));
    for (int i = 0; i < kPresetCount; ++i) {
        PresetField(i).setText(Q(FormatFieldValue(decimals, values[static_cast<std::size_t>(i)])));
    }
    PresetField(0).setFocus();
}

void CPresetDlg::accept()
{
    std::array<std::string, kPresetCount> texts;
    for (int i = 0; i < kPresetCount; ++i) {
        texts[static_cast<std::size_t>(i)] = PresetField(i).text().toStdString();
    }
    const PresetCheckResult result = CheckPresets(texts, RangeLimits{lower, upper, decimals});
    if (!result.Accepted()) {
        ui_.ShowMessage(TrMarked("DialogChecks", result.message.c_str()), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        QLineEdit& field = PresetField(result.failedIndex);
        field.setFocus();
        field.selectAll();
        return;
    }
    values = result.values;
    QDialog::accept();
}

}  // namespace krv
