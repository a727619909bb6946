#include "dialogs/CCalDlg.h"

#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>

#include <algorithm>

#include "dialogs/DialogLayout.h"
#include "protocol/Calibration.h"

namespace krv {

namespace {

// The correction edits' font: the fixed-pitch gothic with a 20-pixel line.
constexpr int kEditLineHeight = 20;

}  // namespace

CorrectionEdit::CorrectionEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
    document()->setDocumentMargin(2);
    SetBackground(kCorrectionColour);
}

void CorrectionEdit::SetBackground(const QColor& colour)
{
    background_ = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colour);
    setPalette(pal);
}

void CorrectionEdit::ShowValue(int value)
{
    {
        const QSignalBlocker quiet(this);
        setPlainText(QString::number(value));
        moveCursor(QTextCursor::End);
        // After Enter the field may have scrolled to its second line.
        verticalScrollBar()->setValue(0);
    }
    SetBackground(kCorrectionColour);
}

CCalDlg::CCalDlg(DeviceLink& link, UserInterface& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui)
{
    setWindowTitle(tr("アナログ出力調整"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(248, 197));

    PlaceText(channelCaption_, DialogUnitRect(7, 10, 34, 8), Qt::AlignLeft, tr("チャンネル"));
    channelList_.setGeometry(DialogUnitRect(44, 7, 30, 14));
    SetControlId(channelList_, 1015);
    PlaceText(rangeCaption_, DialogUnitRect(88, 10, 22, 8), Qt::AlignLeft, tr("レンジ"));
    rangeText_.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PlaceValueText(rangeText_, DialogUnitRect(112, 7, 80, 14), Qt::AlignLeft | Qt::AlignVCenter,
                   1026);

    PlaceGroup(selectorGroup_, tr("調整値選択"), DialogUnitRect(7, 26, 234, 27));
    PlaceButton(selectorOff_, tr("調整無効"), DialogUnitRect(15, 38, 56, 10), 1066);
    PlaceButton(selectorMaker_, tr("メーカー調整有効"), DialogUnitRect(75, 38, 76, 10), 1067);
    PlaceButton(selectorUser_, tr("ユーザー調整有効"), DialogUnitRect(155, 38, 80, 10), 1069);
    selector_.addButton(&selectorOff_, kCalibrationOff);
    selector_.addButton(&selectorMaker_, kCalibrationMaker);
    selector_.addButton(&selectorUser_, kCalibrationUser);

    PlaceGroup(userGroup_, tr("ユーザー出力調整"), DialogUnitRect(7, 58, 234, 112));
    PlaceGroup(minimumGroup_, tr("最小"), DialogUnitRect(13, 70, 108, 94));
    PlaceGroup(maximumGroup_, tr("最大"), DialogUnitRect(127, 70, 108, 94));
    // The two sides share one layout, the maximum's 114 units to the right.
    struct SideControls {
        QCheckBox& check;
        QString checkText;
        int checkId;
        QLabel& limit;
        int limitId;
        QLabel& caption;
        CorrectionEdit& edit;
        int editId;
        QPushButton& up;
        int upId;
        QPushButton& down;
        int downId;
    };
    const SideControls sides[] = {
        {minimumCheck_, tr("最小値　出力"), 1033, lowerText_, 1028, zeroCaption_, zeroEdit_, 1038,
         zeroUp_, 1041, zeroDown_, 1042},
        {maximumCheck_, tr("最大値　出力"), 1035, upperText_, 1034, gainCaption_, gainEdit_, 1039,
         gainUp_, 1043, gainDown_, 1044},
    };
    int x = 20;
    for (const SideControls& s : sides) {
        PlaceButton(s.check, s.checkText, DialogUnitRect(x, 83, 80, 10), s.checkId);
        PlaceValueText(s.limit, DialogUnitRect(x, 98, 94, 10), Qt::AlignLeft, s.limitId);
        PlaceText(s.caption, DialogUnitRect(x, 119, 26, 8), Qt::AlignLeft, tr("補正値"));
        s.edit.setGeometry(DialogUnitRect(x + 28, 114, 66, 18));
        SetControlId(s.edit, s.editId);
        s.edit.setFont(DialogFixedFont(kEditLineHeight));
        PlaceButton(s.up, QStringLiteral("▲"), DialogUnitRect(x + 28, 139, 31, 14), s.upId);
        PlaceButton(s.down, QStringLiteral("▼"), DialogUnitRect(x + 63, 139, 31, 14), s.downId);
        x += 114;
    }

    PlaceButton(reset_, tr("全ユーザー調整初期化"), DialogUnitRect(7, 177, 90, 14), 1037);
    PlaceButton(ok_, QStringLiteral("OK"), DialogUnitRect(137, 177, 50, 14), 1036);
    PlaceButton(cancel_, tr("キャンセル"), DialogUnitRect(191, 177, 50, 14), 2);
    // Enter belongs to the correction edits, where it commits the number typed. Anywhere else it
    // presses nothing: not the focused button, and no default button (the first in the focus
    // chain would be "▲" of the zero correction, each press a step and a trial on the unit).
    SetEnterButton(*this, nullptr);
    SetToolTips();

    connect(&channelList_, &QComboBox::currentIndexChanged, this, &CCalDlg::ChannelChanged);
    connect(&selector_, &QButtonGroup::idClicked, this, &CCalDlg::SelectorClicked);
    connect(&minimumCheck_, &QCheckBox::clicked, this, &CCalDlg::MinimumClicked);
    connect(&maximumCheck_, &QCheckBox::clicked, this, &CCalDlg::MaximumClicked);
    connect(&zeroUp_, &QPushButton::clicked, this, [this] { Step(Side::Zero, +1); });
    connect(&zeroDown_, &QPushButton::clicked, this, [this] { Step(Side::Zero, -1); });
    connect(&gainUp_, &QPushButton::clicked, this, [this] { Step(Side::Gain, +1); });
    connect(&gainDown_, &QPushButton::clicked, this, [this] { Step(Side::Gain, -1); });
    connect(&zeroEdit_, &QPlainTextEdit::textChanged, this, [this] { EditChanged(Side::Zero); });
    connect(&gainEdit_, &QPlainTextEdit::textChanged, this, [this] { EditChanged(Side::Gain); });
    connect(&reset_, &QPushButton::clicked, this, &CCalDlg::ResetUserCalibration);
    connect(&ok_, &QPushButton::clicked, this, &CCalDlg::accept);
    connect(&cancel_, &QPushButton::clicked, this, &CCalDlg::reject);
}

CCalDlg::~CCalDlg() = default;

QRadioButton& CCalDlg::SelectorRadio(int mode)
{
    switch (mode) {
        case kCalibrationMaker:
            return selectorMaker_;
        case kCalibrationUser:
            return selectorUser_;
        default:
            return selectorOff_;
    }
}

void CCalDlg::showEvent(QShowEvent* event)
{
    // Set up each time the program shows the dialog, not when the window system restores it.
    if (!event->spontaneous()) Initialise();
    QDialog::showEvent(event);
}

void CCalDlg::Initialise()
{
    channelCount = std::clamp(channelCount, 1, kChannelCount);
    {
        const QSignalBlocker quiet(&channelList_);
        channelList_.clear();
        for (const std::string& entry : CalibrationChannelList(channelCount)) {
            channelList_.addItem(Q(entry));
        }
        channelList_.setCurrentIndex(0);
    }
    currentChannel_ = 0;
    opening_ = values;
    trialOutput_ = kTrialNormal;
    EnableSide(Side::Zero, false);
    EnableSide(Side::Gain, false);
    minimumCheck_.setChecked(false);
    maximumCheck_.setChecked(false);
    ShowChannel();
}

CalibrationChannelValues& CCalDlg::Current()
{
    return values[static_cast<std::size_t>(currentChannel_)];
}

CorrectionBounds CCalDlg::Bounds(Side side)
{
    return side == Side::Zero ? ZeroCorrectionBounds(Current().range) : GainCorrectionBounds();
}

void CCalDlg::ShowChannel()
{
    const CalibrationChannelValues& v = Current();
    rangeText_.setText(Q(RangeDisplayName(v.range)));
    lowerText_.setText(Q(v.lowerText));
    upperText_.setText(Q(v.upperText));
    ShowCorrections();
    // A selector the unit should not report leaves all three clear.
    selector_.setExclusive(false);
    for (int mode : {kCalibrationOff, kCalibrationMaker, kCalibrationUser}) {
        SelectorRadio(mode).setChecked(mode == v.mode);
    }
    selector_.setExclusive(true);
}

void CCalDlg::ShowCorrections()
{
    zeroEdit_.ShowValue(Current().zero);
    gainEdit_.ShowValue(Current().gain);
}

void CCalDlg::EnableSide(Side side, bool on)
{
    CorrectionEdit& edit = side == Side::Zero ? zeroEdit_ : gainEdit_;
    QPushButton& up = side == Side::Zero ? zeroUp_ : gainUp_;
    QPushButton& down = side == Side::Zero ? zeroDown_ : gainDown_;
    edit.setEnabled(on);
    up.setEnabled(on);
    down.setEnabled(on);
}

void CCalDlg::TrialReset()
{
    trialOutput_ = kTrialNormal;
    EnableSide(Side::Zero, false);
    EnableSide(Side::Gain, false);
    minimumCheck_.setChecked(false);
    maximumCheck_.setChecked(false);
    ShowCorrections();
}

void CCalDlg::SendTrial(int ch)
{
    SendCalibrationTrial(link_, trialOutput_, ch, values[static_cast<std::size_t>(ch)]);
}

void CCalDlg::MinimumClicked()
{
    if (minimumCheck_.isChecked()) {
        trialOutput_ = kTrialMinimum;
        EnableSide(Side::Zero, true);
        EnableSide(Side::Gain, false);
        ShowCorrections();
        SendTrial(currentChannel_);
        maximumCheck_.setChecked(false);
    } else {
        TrialReset();
        SendTrial(currentChannel_);
    }
}

void CCalDlg::MaximumClicked()
{
    if (maximumCheck_.isChecked()) {
        trialOutput_ = kTrialMaximum;
        EnableSide(Side::Gain, true);
        EnableSide(Side::Zero, false);
        ShowCorrections();
        SendTrial(currentChannel_);
        minimumCheck_.setChecked(false);
    } else {
        TrialReset();
        SendTrial(currentChannel_);
    }
}

void CCalDlg::Step(Side side, int step)
{
    int& value = side == Side::Zero ? Current().zero : Current().gain;
    value = StepCorrection(value, step, Bounds(side));
    (side == Side::Zero ? zeroEdit_ : gainEdit_).ShowValue(value);
    SendTrial(currentChannel_);
}

void CCalDlg::EditChanged(Side side)
{
    CorrectionEdit& edit = side == Side::Zero ? zeroEdit_ : gainEdit_;
    int& value = side == Side::Zero ? Current().zero : Current().gain;
    const CorrectionEditResult result =
        ReadCorrectionEdit(edit.toPlainText().toStdString(), Bounds(side));
    if (result.entry == CorrectionEntry::Typing) {
        edit.SetBackground(kCorrectionTypingColour);
        return;
    }
    edit.SetBackground(kCorrectionColour);
    // A number is taken and tried at once; anything else is dropped. Either way the field then
    // shows the correction in force, once this change notification has returned (the edit is
    // still inside its own change).
    if (result.entry == CorrectionEntry::Store) {
        value = result.value;
        SendTrial(currentChannel_);
    }
    QMetaObject::invokeMethod(
        this,
        [this, side] {
            (side == Side::Zero ? zeroEdit_ : gainEdit_)
                .ShowValue(side == Side::Zero ? Current().zero : Current().gain);
        },
        Qt::QueuedConnection);
}

void CCalDlg::ChannelChanged(int index)
{
    if (index < 0 || index >= channelCount || index == currentChannel_) return;
    currentChannel_ = index;
    for (int ch = 0; ch < channelCount; ++ch) {
        TrialReset();
        SendTrial(ch);
    }
    ShowChannel();
}

void CCalDlg::SelectorClicked(int mode)
{
    Current().mode = mode;
}

void CCalDlg::ResetUserCalibration()
{
    if (ui_.ShowMessage(TrMarked("DialogChecks", kResetUserCalibrationQuestion), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::OkCancel) == MessageAnswer::Ok) {
        InitUserCalibration(link_);
    }
}

void CCalDlg::accept()
{
    // A minimum or maximum the unit still drives would stay on its output after the dialog, while
    // the panel shows the channel's own value.
    if (trialOutput_ != kTrialNormal) {
        TrialReset();
        SendTrial(currentChannel_);
    }
    opening_ = values;
    QDialog::accept();
}

void CCalDlg::reject()
{
    for (int ch = 0; ch < channelCount; ++ch) {
        TrialReset();
        SendTrial(ch);
    }
    if (CalibrationChanged(opening_, values, channelCount) &&
        ui_.ShowMessage(TrMarked("DialogChecks", kCalibrationChangedQuestion), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::YesNo) == MessageAnswer::Yes) {
        opening_ = values;
        QDialog::accept();
        return;
    }
    QDialog::reject();
}

void CCalDlg::SetToolTips()
{
    channelList_.setToolTip(tr("調整するチャンネル"));
    rangeText_.setToolTip(tr("チャンネルの出力レンジ"));
    selectorOff_.setToolTip(tr("調整値を使わずに出力します"));
    selectorMaker_.setToolTip(tr("メーカー調整値で出力します"));
    selectorUser_.setToolTip(tr("ユーザー調整値で出力します"));
    minimumCheck_.setToolTip(tr("レンジの最小値を出力して零点を合わせます"));
    maximumCheck_.setToolTip(tr("レンジの最大値を出力してスパンを合わせます"));
    lowerText_.setToolTip(tr("出力中の最小値"));
    upperText_.setToolTip(tr("出力中の最大値"));
    zeroEdit_.setToolTip(tr("零点の補正値（Enter で確定）"));
    gainEdit_.setToolTip(tr("スパンの補正値（-200～200、Enter で確定）"));
    zeroUp_.setToolTip(tr("零点の補正値を１増やします"));
    zeroDown_.setToolTip(tr("零点の補正値を１減らします"));
    gainUp_.setToolTip(tr("スパンの補正値を１増やします"));
    gainDown_.setToolTip(tr("スパンの補正値を１減らします"));
    reset_.setToolTip(tr("全チャンネルのユーザー調整値を初期値に戻します"));
    ok_.setToolTip(tr("調整値を確定して閉じます"));
    cancel_.setToolTip(tr("調整を終えて閉じます（変更があれば保存を確認します）"));
}

}  // namespace krv
