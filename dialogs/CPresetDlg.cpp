#include "dialogs/CPresetDlg.h"

#include <QShowEvent>

#include <algorithm>

#include "app/DialogUnits.h"

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

// A centred caption at its place in the form, widened on both sides where the installed font
// needs more room than the form gives, so nothing is cut off.
void PlaceCaption(QLabel& label, const char* text, QRect where)
{
    label.setText(QString::fromUtf8(text));
    label.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    const QSize needed = label.sizeHint();
    const int extra = needed.width() - where.width();
    if (extra > 0) where.adjust(-extra / 2, 0, extra - extra / 2, 0);
    where.setHeight(std::max(where.height(), needed.height()));
    label.setGeometry(where);
}

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
    setWindowTitle(QString::fromUtf8("設定値"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(189, 120));

    PlaceCaption(channelCaption_, "チャンネル", DialogUnitRect(18, 7, 32, 8));
    channelText_.setGeometry(DialogUnitRect(7, 17, 53, 12));
    channelText_.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    channelText_.setObjectName(QStringLiteral("id1030"));
    PlaceCaption(minimumCaption_, "最小値", DialogUnitRect(82, 8, 25, 8));
    PlaceCaption(maximumCaption_, "最大値", DialogUnitRect(145, 8, 25, 8));
    lowerText_.setGeometry(DialogUnitRect(67, 17, 53, 12));
    lowerText_.setAlignment(Qt::AlignRight | Qt::AlignTop);
    lowerText_.setObjectName(QStringLiteral("id1029"));
    upperText_.setGeometry(DialogUnitRect(128, 17, 53, 12));
    upperText_.setAlignment(Qt::AlignRight | Qt::AlignTop);
    upperText_.setObjectName(QStringLiteral("id1031"));

    for (int i = 0; i < kPresetCount; ++i) {
        const FieldPlace& place = kFieldPlaces[i];
        QLineEdit& field = PresetField(i);
        field.setGeometry(DialogUnitRect(place.x, place.y, 53, 14));
        field.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field.setObjectName(QStringLiteral("id%1").arg(place.id));
    }

    PlaceOkCancel(*this, ok_, cancel_, QString::fromUtf8("戻る"), 77, 99);
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
        ui_.ShowMessage(result.message, kCheckCaption, MessageIcon::Information,
                        MessageButtons::Ok);
        QLineEdit& field = PresetField(result.failedIndex);
        field.setFocus();
        field.selectAll();
        return;
    }
    values = result.values;
    QDialog::accept();
}

}  // namespace krv
