#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "platform/UserInterface.h"
#include "protocol/Ranges.h"

namespace krv {

// The conversion formula of a channel: which converted values stand for the two ends of its
// output range, and the unit text shown with them. The decimals of the converted values follow
// from what the user types. Messages about refused input go through the interface given.
class CScaleDlg : public QDialog {
    Q_OBJECT

  public:
    CScaleDlg(UserInterface& ui, QWidget* parent = nullptr);

    // Set before the dialog is shown.
    int channel = 0;
    OutputRange range = 0;
    double scaledMin = 0.0;
    double scaledMax = 1.0;
    int scaledDigits = 0;
    std::string scaledUnit;  // UTF-8

    // The new formula, filled when the dialog closes with OK.
    double newMin = 0.0;
    double newMax = 0.0;
    int newDigits = 0;
    std::string newUnit;  // UTF-8

    QLabel& ChannelText() { return channelText_; }
    QLabel& LowerEndText() { return lowerEnd_; }
    QLabel& UpperEndText() { return upperEnd_; }
    QLineEdit& MinimumField() { return minimum_; }
    QLineEdit& MaximumField() { return maximum_; }
    QLineEdit& UnitField() { return unit_; }
    QPushButton& OkButton() { return ok_; }
    QPushButton& CancelButton() { return cancel_; }

  public slots:
    // OK and Enter: closes only when the input passes its checks.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FillFields();

    UserInterface& ui_;
    // In the order of the form, which is also the order Tab moves through the fields.
    QLabel channelCaption_{this};
    QLabel channelText_{this};
    QLabel minimumCaption_{this};
    QLabel maximumCaption_{this};
    QLabel analogCaption_{this};
    QLabel lowerEnd_{this};
    QLabel upperEnd_{this};
    QLabel minimumArrow_{this};
    QLabel maximumArrow_{this};
    QLabel convertedCaption_{this};
    QLabel digitsNote_{this};
    QLineEdit minimum_{this};
    QLineEdit maximum_{this};
    QLabel unitCaption_{this};
    QLabel unitNote_{this};
    QLineEdit unit_{this};
    QPushButton ok_{this};
    QPushButton cancel_{this};
};

}  // namespace krv
