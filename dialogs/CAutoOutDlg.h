#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "dialogs/CAutoOutPicture.h"
#include "dialogs/CEditListCtrl.h"
#include "dialogs/WaveformPreview.h"
#include "input/AutoOutputChecks.h"
#include "model/GeneratorState.h"
#include "platform/UserInterface.h"
#include "protocol/Ranges.h"

namespace krv {

// The automatic output of one channel: the waveform and its values, or the list of up to 1000
// points (typed in place or read from a CSV file), with the repeat count. The settings belong to
// the range the channel's values are in; OK stores them there (and the points into the channel's
// list), "戻る" changes nothing. Messages about refused input go through the interface given.
class CAutoOutDlg : public QDialog {
    Q_OBJECT

  public:
    CAutoOutDlg(GeneratorState& generator, UserInterface& ui, QWidget* parent = nullptr);
    ~CAutoOutDlg() override;

    // Set before the dialog is shown.
    int channel = 0;
    // The ramp settings slot edited: 15 while the channel shows converted values, else its range.
    // Unset: taken from the channel.
    std::optional<OutputRange> rangeInEffect;
    // Asks for the CSV file to read; an empty text means none was chosen. Unset: the open-file
    // dialog.
    std::function<QString()> chooseCsvFile;

    QComboBox& WaveformBox() { return waveform_; }
    QLineEdit& Field(AutoField field);
    // The captions of the start, end, step and interval fields.
    QLabel& FieldCaption(AutoField field);
    QLabel& SecondsText() { return seconds_; }
    QLabel& HintText() { return hint_; }
    QLabel& ChannelText() { return channelText_; }
    QLabel& RangeText() { return rangeText_; }
    QLabel& LowerText() { return lowerText_; }
    QLabel& UpperText() { return upperText_; }
    CAutoOutPicture& Picture() { return picture_; }
    CEditListCtrl& PointList() { return points_; }
    QPushButton& CsvButton() { return csv_; }
    QPushButton& OkButton() { return ok_; }
    QPushButton& CancelButton() { return cancel_; }

    // The "CSV読込" button: asks for a file, fills the point list from it and checks the list.
    void ImportCsv();

    // The preview beside the form: one repeat of what the fields and the point list describe,
    // drawn by the engine's own arithmetic. Edits redraw it shortly after they stop; this redraws
    // it at once.
    WaveformPreview& Preview() { return preview_; }
    void UpdatePreview();

  public slots:
    // OK: stores and closes only when every check passes.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool InputsValid() const;
    void Initialise();
    void ApplyWaveform(int waveform);
    void FillFields();
    void FillPointList();
    // Leaving a field: rewritten in its format, or back to its last good text.
    void LeaveField(AutoField field);
    void FieldEdited(AutoField field);
    std::vector<PointRowTexts> PointTexts() const;
    // Shows a check's message (its Japanese source, translated here).
    void Refuse(const std::string& message);
    void ShowPointListFailure(const PointListCheckResult& result);
    void AttachPreview();
    void SetToolTips();

    GeneratorState& generator_;
    UserInterface& ui_;
    OutputRange slot_ = 0;
    RangeLimits limits_{0.0, 1.0, 0};
    bool initialised_ = false;
    bool filling_ = false;
    std::array<QString, 5> lastGood_;

    // In the order of the form, which is also the order Tab moves through the controls.
    QLabel channelCaption_{this};
    QLabel channelText_{this};
    QLabel rangeCaption_{this};
    QLabel rangeText_{this};
    QLabel lowerCaption_{this};
    QLabel upperCaption_{this};
    QLabel lowerText_{this};
    QLabel upperText_{this};
    QComboBox waveform_{this};
    CAutoOutPicture picture_{this};
    QLabel startCaption_{this};
    QLineEdit start_{this};
    QLabel endCaption_{this};
    QLineEdit end_{this};
    QLabel stepCaption_{this};
    QLineEdit step_{this};
    QLabel intervalCaption_{this};
    QLineEdit interval_{this};
    QLabel seconds_{this};
    QLabel repeatCaption_{this};
    QLineEdit repeat_{this};
    QLabel times_{this};
    CEditListCtrl points_{this};
    QLabel hint_{this};
    QLabel note_{this};
    QPushButton csv_{this};
    QPushButton ok_{this};
    QPushButton cancel_{this};
    WaveformPreview preview_{this};
    QTimer previewTimer_;
};

}  // namespace krv
