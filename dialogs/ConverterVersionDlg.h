#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>
#include <string>

#include "model/GeneratorState.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

class UnitWork;

// "発生器　情報": the connected unit's firmware version, circuit count and the maker and user
// calibration of every output range, read fresh from the unit. The dialog is on screen at once and
// fills its text once the unit has been read (off the user-interface thread, so it stays
// responsive meanwhile); a read that fails leaves the text empty and says so. Closing the dialog
// during the read stops it after the range being read.
class ConverterVersionDlg : public QDialog {
    Q_OBJECT

  public:
    ConverterVersionDlg(DeviceLink& link, GeneratorState& generator, UserInterface& ui,
                        QWidget* parent = nullptr);
    ~ConverterVersionDlg() override;

    // Set before the dialog is shown.
    int circuits = 1;

    // The text as built (lines end in CR LF); empty until the unit has been read, and after a
    // failed read.
    const std::string& Text() const { return text_; }
    // The unit is being read.
    bool Reading() const { return reading_; }
    // The reading has ended (with or without the text).
    bool ReadDone() const { return readDone_; }

    QPlainTextEdit& TextField() { return edit_; }
    QPushButton& OkButton() { return ok_; }
    QPushButton& CancelButton() { return cancel_; }

  public slots:
    // OK and cancel just close the dialog; during the read, once the read has stopped.
    void done(int result) override;

  signals:
    // The text has been filled in, or the read has failed.
    void ReadFinished();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetTableTabs();
    void ReadUnit();

    DeviceLink& link_;
    GeneratorState& generator_;
    UserInterface& ui_;
    std::string text_;
    bool reading_ = false;
    bool readDone_ = false;
    std::optional<int> closeWith_;
    UnitWork* work_ = nullptr;  // while the unit is read

    QPlainTextEdit edit_{this};
    QPushButton ok_{this};
    QPushButton cancel_{this};
};

}  // namespace krv
