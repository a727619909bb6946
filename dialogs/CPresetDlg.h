#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <string>

#include "input/DialogChecks.h"
#include "platform/UserInterface.h"

namespace krv {

// The eight preset values of one channel for the range in effect. Works on the copy in `values`;
// the caller takes them back only when the dialog closes with OK. Messages about refused input go
// through the interface given.
class CPresetDlg : public QDialog {
    Q_OBJECT

  public:
    CPresetDlg(UserInterface& ui, QWidget* parent = nullptr);

    // Set before the dialog is shown.
    int channel = 0;
    std::string lowerText;  // the limits as the panel shows them
    std::string upperText;
    double lower = 0.0;  // limits of the range in effect (lower above upper: a reversed scale)
    double upper = 1.0;
    int decimals = 0;
    // The presets; after OK the checked values, cut to the decimals.
    std::array<double, kPresetCount> values{};

    QLabel& ChannelText() { return channelText_; }
    QLabel& LowerText() { return lowerText_; }
    QLabel& UpperText() { return upperText_; }
    // Preset fields 0 … 7 (ids 1022 … 1028, 1032).
    QLineEdit& PresetField(int index) { return fields_[static_cast<std::size_t>(index)]; }
    QPushButton& OkButton() { return ok_; }
    QPushButton& CancelButton() { return cancel_; }

  public slots:
    // OK and Enter: closes only when all eight values pass their checks.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FillFields();

    UserInterface& ui_;
    QLabel channelCaption_{this};
    QLabel channelText_{this};
    QLabel minimumCaption_{this};
    QLabel maximumCaption_{this};
    QLabel lowerText_{this};
    QLabel upperText_{this};
    std::array<QLineEdit, kPresetCount> fields_{QLineEdit{this}, QLineEdit{this}, QLineEdit{this},
                                                QLineEdit{this}, QLineEdit{this}, QLineEdit{this},
                                                QLineEdit{this}, QLineEdit{this}};
    QPushButton ok_{this};
    QPushButton cancel_{this};
};

}  // namespace krv
