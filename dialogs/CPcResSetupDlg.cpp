#include "dialogs/CPcResSetupDlg.h"

#include <QKeyEvent>
#include <QShowEvent>

#include "dialogs/DialogLayout.h"
#include "dialogs/UnitWork.h"
#include "input/DialogChecks.h"

namespace krv {

namespace {

constexpr int kRadioIds[kStandaloneChannelCount][3] = {{1080, 1085, 1083}, {1081, 1086, 1084}};
constexpr const char* kModeTexts[3] = {QT_TRANSLATE_NOOP("krv::CPcResSetupDlg", "無効"),
                                       QT_TRANSLATE_NOOP("krv::CPcResSetupDlg", "固定値出力"),
                                       QT_TRANSLATE_NOOP("krv::CPcResSetupDlg", "自動出力")};
constexpr const char* kModeTips[3] = {
    QT_TRANSLATE_NOOP("krv::CPcResSetupDlg", "PCなしでは何も出力しません"),
    QT_TRANSLATE_NOOP("krv::CPcResSetupDlg", "PCなしで固定値を出力します"),
    QT_TRANSLATE_NOOP("krv::CPcResSetupDlg", "PCなしで自動出力を行います")};
constexpr int kProgressUnchanged = -1;

}  // namespace

CPcResSetupDlg::CPcResSetupDlg(DeviceLink& link, GeneratorState& generator, UserInterface& ui,
                               QWidget* parent)
    : QDialog(parent), link_(link), generator_(generator), ui_(ui)
{
    setWindowTitle(tr("PCレス設定"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(200, 134));

    PlaceGroup(group1_, tr("チャネル1"), DialogUnitRect(7, 7, 90, 62), 1082);
    PlaceGroup(group2_, tr("チャネル2 "), DialogUnitRect(103, 7, 90, 62), 1087);
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        for (int mode = 0; mode < 3; ++mode) {
            auto* radio = new QRadioButton(this);
            PlaceButton(*radio, tr(kModeTexts[mode]),
                        DialogUnitRect(16 + 96 * k, 21 + 15 * mode, 72, 10), kRadioIds[k][mode]);
            // Each radio is a group of its own; the dialog clears a channel's other two itself.
            radio->setAutoExclusive(false);
            radio->setToolTip(tr(kModeTips[mode]));
            connect(radio, &QRadioButton::clicked, this, [this, k, mode] { ModeClicked(k, mode); });
            radios_[static_cast<std::size_t>(k)][static_cast<std::size_t>(mode)] = radio;
        }
    }

    progress_.setGeometry(DialogUnitRect(7, 77, 186, 11));
    SetControlId(progress_, 1012);
    progress_.setTextVisible(false);
    PlaceText(status_, DialogUnitRect(7, 94, 186, 10), Qt::AlignLeft, tr("待機中"));
    SetControlId(status_, 1071);

    PlaceButton(write_, tr("書込"), DialogUnitRect(7, 113, 50, 14), 1010);
    PlaceButton(verify_, tr("照合"), DialogUnitRect(61, 113, 50, 14), 1072);
    PlaceButton(read_, tr("読出"), DialogUnitRect(61, 113, 50, 14), 1073);
    read_.hide();
    PlaceButton(ok_, QStringLiteral("OK"), DialogUnitRect(89, 113, 50, 14), 1);
    ok_.hide();
    PlaceButton(close_, tr("閉じる"), DialogUnitRect(143, 113, 50, 14), 2);
    progress_.setToolTip(tr("書込・照合の進み具合"));
    status_.setToolTip(tr("ユニットとのやり取りの状況"));
    write_.setToolTip(tr("選んだ動作と出力の設定をユニットに書き込みます（接続中のみ）"));
    verify_.setToolTip(tr("ユニットの設定がこの設定と同じか照合します（接続中のみ）"));
    read_.setToolTip(tr("ユニットの設定を読み出します（接続中のみ）"));
    ok_.setToolTip(tr("設定を確定して閉じます"));
    close_.setToolTip(tr("閉じます"));
    // Enter is the hidden "OK"'s (keyPressEvent), not that of whichever button has the focus.
    for (QPushButton* b : {&write_, &verify_, &read_, &ok_, &close_}) b->setAutoDefault(false);

    connect(&write_, &QPushButton::clicked, this, &CPcResSetupDlg::WriteFlow);
    connect(&verify_, &QPushButton::clicked, this, &CPcResSetupDlg::VerifyFlow);
    connect(&read_, &QPushButton::clicked, this, &CPcResSetupDlg::VerifyFlow);
    connect(&ok_, &QPushButton::clicked, this, &CPcResSetupDlg::accept);
    connect(&close_, &QPushButton::clicked, this, &CPcResSetupDlg::reject);
}

CPcResSetupDlg::~CPcResSetupDlg() = default;

QRadioButton& CPcResSetupDlg::ModeRadio(int k, int mode)
{
    return *radios_.at(static_cast<std::size_t>(k)).at(static_cast<std::size_t>(mode));
}

void CPcResSetupDlg::showEvent(QShowEvent* event)
{
    // Set up each time the program shows the dialog, not when the window system restores it.
    if (!event->spontaneous()) Initialise();
    QDialog::showEvent(event);
}

void CPcResSetupDlg::Initialise()
{
    progress_.setRange(0, 100);
    progress_.setValue(0);
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        const std::int32_t mode = generator_.autoOutput[static_cast<std::size_t>(k)].standaloneMode;
        for (int m = 0; m < 3; ++m) ModeRadio(k, m).setChecked(m == mode);
    }
    write_.setEnabled(linkWasOpen);
    verify_.setEnabled(linkWasOpen);
    read_.setEnabled(linkWasOpen);
}

void CPcResSetupDlg::ModeClicked(int k, int mode)
{
    // A click on a checked radio leaves it checked, as a radio button does.
    for (int m = 0; m < 3; ++m) ModeRadio(k, m).setChecked(m == mode);
}

void CPcResSetupDlg::StoreModeSelection()
{
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        generator_.autoOutput[static_cast<std::size_t>(k)].standaloneMode = StandaloneModeOfRadios(
            ModeRadio(k, kStandaloneFixed).isChecked(), ModeRadio(k, kStandaloneAuto).isChecked());
    }
}

void CPcResSetupDlg::WriteFlow()
{
    RunFlow(true);
}

void CPcResSetupDlg::VerifyFlow()
{
    RunFlow(false);
}

void CPcResSetupDlg::RunFlow(bool write)
{
    if (busy_ || !linkWasOpen) return;
    StoreModeSelection();
    SetBusy(true);
    // The image is built from the document on the work's thread; the windows only read the
    // document meanwhile.
    const StandaloneSource source{generator_, fixedValues, generator_.App().linkedAutoOutput};
    FlowOutcome outcome = FlowOutcome::Cancelled;
    UnitWork work(link_, ui_);
    const bool ran = work.Run(
        [&](UserInterface& ui) {
            // The flow reports its status and progress as they stand after every change; the bar
            // moves only when a step sets a new value (a new status alone leaves it where it is).
            int progress = 0;
            const auto report = [this, &progress](const std::string& status, int step) {
                const int value = step != progress ? step : kProgressUnchanged;
                progress = step;
                QMetaObject::invokeMethod(
                    this, [this, text = Q(status), value] { ShowStep(text, value); },
                    Qt::QueuedConnection);
            };
            FlowContext context{link_, ui, report};
            context.restartUnit = restartUnit;
            outcome = write ? RunStandaloneWrite(context, source, readBack_)
                            : RunStandaloneVerify(context, source, readBack_);
        },
        {this});
    if (ran) lastOutcome_ = outcome;
    SetBusy(false);
}

void CPcResSetupDlg::ShowStep(const QString& status, int progress)
{
    if (status_.text() != status) status_.setText(status);
    if (progress != kProgressUnchanged) progress_.setValue(progress);
}

void CPcResSetupDlg::SetBusy(bool busy)
{
    busy_ = busy;
    for (QPushButton* b : {&write_, &verify_, &read_}) b->setEnabled(!busy && linkWasOpen);
    close_.setEnabled(!busy);
    for (auto& channel : radios_) {
        for (QRadioButton* radio : channel) radio->setEnabled(!busy);
    }
}

void CPcResSetupDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!busy_) ok_.click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPcResSetupDlg::accept()
{
    if (busy_) return;
    QDialog::accept();
}

void CPcResSetupDlg::reject()
{
    if (busy_) return;
    StoreModeSelection();
    QDialog::reject();
}

}  // namespace krv
