#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <functional>
#include <string>

#include "flows/StandaloneFlows.h"
#include "model/GeneratorState.h"
#include "model/StandaloneImageBuilder.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

// "PCレス設定": the standalone mode of channels 1 and 2 (off, fixed value, automatic output), the
// write of the two channels' settings into the unit's memory and the check of what the unit
// holds. The flows run off the user-interface thread: the status line and the progress bar follow
// each step, and nothing else can be started until the flow has ended. The mode choice goes into
// the document's automatic-output settings when a flow starts and when the dialog is closed with
// "閉じる" or Esc (not with Enter).
class CPcResSetupDlg : public QDialog {
    Q_OBJECT

  public:
    CPcResSetupDlg(DeviceLink& link, GeneratorState& generator, UserInterface& ui,
                   QWidget* parent = nullptr);
    ~CPcResSetupDlg() override;

    // Set before the dialog is shown.
    bool linkWasOpen = false;  // "書込" and "照合" work only on a connected unit
    std::array<float, kStandaloneChannelCount> fixedValues{};  // the fixed output of each channel
    // Restarts the unit after a write; empty: through its USB bridge.
    std::function<bool(DeviceLink&)> restartUnit;

    // What the unit sent back in the last flow.
    const StandaloneImage& ReadBack() const { return readBack_; }
    // The outcome of the last flow, if one ran.
    std::optional<FlowOutcome> LastOutcome() const { return lastOutcome_; }
    // A flow is running.
    bool Busy() const { return busy_; }

    // Channel k's radio for mode m (0 off, 1 fixed value, 2 automatic output).
    QRadioButton& ModeRadio(int k, int mode);
    QProgressBar& Progress() { return progress_; }
    QLabel& StatusText() { return status_; }
    QPushButton& WriteButton() { return write_; }
    QPushButton& VerifyButton() { return verify_; }
    QPushButton& CloseButton() { return close_; }

    // Puts the radio choice into the document's standalone modes of channels 1 and 2.
    void StoreModeSelection();
    // The write and verify flows ("書込", and "照合" or the hidden "読出").
    void WriteFlow();
    void VerifyFlow();

  public slots:
    // Enter (the hidden "OK"): closes without storing the radio choice.
    void accept() override;
    // "閉じる", Esc and the close box: stores the radio choice, then closes.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Initialise();
    void RunFlow(bool write);
    void ShowStep(const QString& status, int progress);
    void SetBusy(bool busy);
    void ModeClicked(int k, int mode);

    DeviceLink& link_;
    GeneratorState& generator_;
    UserInterface& ui_;
    StandaloneImage readBack_;
    std::optional<FlowOutcome> lastOutcome_;
    bool busy_ = false;

    QGroupBox group1_{this};
    QGroupBox group2_{this};
    // [channel][mode]
    std::array<std::array<QRadioButton*, 3>, kStandaloneChannelCount> radios_{};
    QProgressBar progress_{this};
    QLabel status_{this};
    QPushButton write_{this};
    QPushButton verify_{this};
    QPushButton read_{this};
    QPushButton ok_{this};
    QPushButton close_{this};
};

}  // namespace krv
