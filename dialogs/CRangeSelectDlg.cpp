#include "dialogs/CRangeSelectDlg.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cstring>

#include "dialogs/DialogLayout.h"

namespace krv {

namespace {

// Where each range button sits, in client pixels (left, top, right, bottom), and what it chooses:
// current ranges powered by the unit, then by an external loop, then the voltage ranges.
struct ButtonPlace {
    int id;
    const char* text;
    int left;
    int top;
    int right;
    int bottom;
    OutputRange range;
};

constexpr ButtonPlace kButtonPlaces[CRangeSelectDlg::kButtonCount] = {
    {1000, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "4～20mA"), 30, 60, 88, 84, kRange4_20mA},
    {1001, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "0～20mA"), 30, 90, 88, 114, kRange0_20mA},
    {1002, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "0～24mA"), 30, 120, 88, 144, kRange0_24mA},
    {1003, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "4～20mA"), 110, 60, 168, 84, kRangeE4_20mA},
    {1004, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "0～24mA"), 110, 90, 168, 114, kRangeE0_24mA},
    {1005, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "0～5V"), 226, 30, 284, 54, kRange0_5V},
    {1006, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "1～5V"), 226, 60, 284, 84, kRange1_5V},
    {1007, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "0～10V"), 226, 90, 284, 114, kRange0_10V},
    {1008, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "-5～5V"), 226, 120, 284, 144, kRangeM5_5V},
    {1009, QT_TRANSLATE_NOOP("krv::CRangeSelectDlg", "-10～10V"), 226, 150, 284, 174,
     kRangeM10_10V},
};

QFont ButtonFont()
{
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

RangeButton::RangeButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void RangeButton::SetFaceColour(const QColor& colour)
{
    if (colour == face_) return;
    face_ = colour;
    update();
}

void RangeButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect area = rect();
    const bool sunken = isDown() || isChecked();
    const QBrush face(face_.isValid() ? face_ : palette().color(QPalette::Button));
    qDrawWinButton(&p, area, palette(), sunken, &face);

    QRect textArea = area.adjusted(3, 2, -3, -2);
    if (sunken) textArea.translate(1, 1);
    p.setFont(font());
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(textArea, Qt::AlignCenter | Qt::TextWordWrap, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area.adjusted(4, 4, -4, -4);
        focus.backgroundColor = face.color();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

CRangeSelectDlg::CRangeSelectDlg(UserInterface&, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("出力レンジ選択"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(209, 147));

    currentGroup_.setTitle(tr("電流"));
    currentGroup_.setGeometry(DialogUnitRect(7, 7, 119, 112));
    PlaceText(internalLabel_, DialogUnitRect(24, 27, 33, 8), Qt::AlignLeft, tr("内部電源"));
    PlaceText(externalLabel_, DialogUnitRect(76, 27, 33, 8), Qt::AlignLeft, tr("外部電源"));
    voltageGroup_.setTitle(tr("電圧"));
    voltageGroup_.setGeometry(DialogUnitRect(137, 7, 65, 112));

    PlaceButton(cancel_, tr("キャンセル"), DialogUnitRect(143, 126, 50, 14), 2);
    cancel_.setToolTip(tr("レンジを変えずに閉じます"));
    connect(&cancel_, &QPushButton::clicked, this, &QDialog::reject);

    const QFont buttonFont = ButtonFont();
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonPlace& place = kButtonPlaces[i];
        // The range's name as the language writes it ("4～20mA", "4-20mA").
        const QString name = tr(place.text);
        auto button = std::make_unique<RangeButton>(name, this);
        SetControlId(*button, place.id);
        button->setGeometry(QRect(QPoint(place.left, place.top),
                                  QSize(place.right - place.left, place.bottom - place.top)));
        button->setFont(buttonFont);
        const bool current = place.text[std::strlen(place.text) - 1] == 'A';
        button->setToolTip(!current ? tr("電圧出力 %1").arg(name)
                           : IsExternalSupplyRange(place.range)
                               ? tr("電流出力 %1（外部電源）").arg(name)
                               : tr("電流出力 %1（内部電源）").arg(name));
        connect(button.get(), &QPushButton::clicked, this, [this, i] { Choose(i); });
        buttons_[static_cast<std::size_t>(i)] = std::move(button);
    }
}

CRangeSelectDlg::~CRangeSelectDlg() = default;

RangeButton* CRangeSelectDlg::ButtonFor(OutputRange code)
{
    for (int i = 0; i < kButtonCount; ++i) {
        if (kButtonPlaces[i].range == code) return buttons_[static_cast<std::size_t>(i)].get();
    }
    return nullptr;
}

OutputRange CRangeSelectDlg::ButtonRange(int index)
{
    return kButtonPlaces[index].range;
}

void CRangeSelectDlg::showEvent(QShowEvent* event)
{
    // The present range may change between showings; the window system's own show events (a
    // restored window) leave things as the user last saw them.
    if (!event->spontaneous()) ColourButtons();
    QDialog::showEvent(event);
}

void CRangeSelectDlg::ColourButtons()
{
    // A code without a button (a damaged settings file) highlights nothing and leaves the faces
    // as they are.
    RangeButton* present = ButtonFor(range);
    if (!present) return;
    for (const auto& button : buttons_) {
        button->SetFaceColour(button.get() == present ? kHighlightFace : kNormalFace);
    }
}

void CRangeSelectDlg::Choose(int index)
{
    range = kButtonPlaces[index].range;
    accept();
}

}  // namespace krv
