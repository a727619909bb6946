#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

#include "flows/CalibrationSession.h"
#include "input/DialogChecks.h"
#include "model/GeneratorState.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

inline const QColor kCorrectionColour(224, 255, 255);
inline const QColor kCorrectionTypingColour(255, 255, 0);

// A correction field: one line of digits in the large fixed-pitch font. Enter is typed into it as
// a line break, which is how the dialog tells a committed number from one still being typed.
class CorrectionEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit CorrectionEdit(QWidget* parent);
    void SetBackground(const QColor& colour);
    QColor Background() const { return background_; }
    // Shows `value` ("%d") without it counting as typing.
    void ShowValue(int value);

  private:
    QColor background_ = kCorrectionColour;
};

// "アナログ出力調整": the selector of each channel's current range (no adjustment, the maker's or
// the user's) and the user's zero and gain corrections, tried out on the unit while the dialog is
// open: every change is sent at once as a trial, and the unit can be told to drive the range's
// minimum or maximum so that the user can measure it. The dialog stores nothing in the unit apart
// from the reset of all user adjustments; the caller stores or restores the values by its result.
// Trials are single short exchanges and run on the user-interface thread.
class CCalDlg : public QDialog {
    Q_OBJECT

  public:
    CCalDlg(DeviceLink& link, UserInterface& ui, QWidget* parent = nullptr);
    ~CCalDlg() override;

    // Set before the dialog is shown: how many channels, and what each opens with. `values` are
    // the working values; after the dialog they hold the result.
    int channelCount = 1;
    CalibrationValuesSet values{};

    // What the dialog opened with (the change check compares against it).
    const CalibrationValuesSet& OpeningValues() const { return opening_; }
    int CurrentChannel() const { return currentChannel_; }
    int TrialOutput() const { return trialOutput_; }

    QComboBox& ChannelList() { return channelList_; }
    QLabel& RangeText() { return rangeText_; }
    QRadioButton& SelectorRadio(int mode);
    QCheckBox& MinimumCheck() { return minimumCheck_; }
    QCheckBox& MaximumCheck() { return maximumCheck_; }
    QLabel& LowerText() { return lowerText_; }
    QLabel& UpperText() { return upperText_; }
    CorrectionEdit& ZeroEdit() { return zeroEdit_; }
    CorrectionEdit& GainEdit() { return gainEdit_; }
    QPushButton& ZeroUp() { return zeroUp_; }
    QPushButton& ZeroDown() { return zeroDown_; }
    QPushButton& GainUp() { return gainUp_; }
    QPushButton& GainDown() { return gainDown_; }
    QPushButton& ResetButton() { return reset_; }
    QPushButton& OkButton() { return ok_; }
    QPushButton& CancelButton() { return cancel_; }

  public slots:
    // "OK" (1036): the working values become the result.
    void accept() override;
    // "キャンセル", Esc and the close box: every channel back to normal output, then, when
    // anything was changed, the question whether to keep it.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    enum class Side { Zero, Gain };

    void Initialise();
    void SetToolTips();
    void ShowChannel();
    void ShowCorrections();
    void TrialReset();
    void SendTrial(int ch);
    void MinimumClicked();
    void MaximumClicked();
    void Step(Side side, int step);
    void EditChanged(Side side);
    void ChannelChanged(int index);
    void SelectorClicked(int mode);
    void ResetUserCalibration();
    void EnableSide(Side side, bool on);
    CalibrationChannelValues& Current();
    CorrectionBounds Bounds(Side side);

    DeviceLink& link_;
    UserInterface& ui_;
    CalibrationValuesSet opening_{};
    int currentChannel_ = 0;
    int trialOutput_ = kTrialNormal;

    QLabel channelCaption_{this};
    QComboBox channelList_{this};
    QLabel rangeCaption_{this};
    QLabel rangeText_{this};
    QGroupBox selectorGroup_{this};
    QGroupBox userGroup_{this};
    QGroupBox minimumGroup_{this};
    QGroupBox maximumGroup_{this};
    QRadioButton selectorOff_{this};
    QRadioButton selectorMaker_{this};
    QRadioButton selectorUser_{this};
    QButtonGroup selector_{this};
    QCheckBox minimumCheck_{this};
    QLabel lowerText_{this};
    QLabel zeroCaption_{this};
    CorrectionEdit zeroEdit_{this};
    QPushButton zeroUp_{this};
    QPushButton zeroDown_{this};
    QCheckBox maximumCheck_{this};
    QLabel upperText_{this};
    QLabel gainCaption_{this};
    CorrectionEdit gainEdit_{this};
    QPushButton gainUp_{this};
    QPushButton gainDown_{this};
    QPushButton reset_{this};
    QPushButton ok_{this};
    QPushButton cancel_{this};
};

}  // namespace krv
