#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>
#include <string>

#include "diagnosis/Diagnosis.h"
#include "link/DeviceLink.h"
#include "platform/UserInterface.h"

namespace krv {

class UnitWork;

// "診断": what keeps the unit from connecting on this machine (the bridge on USB, its driver and
// serial device, access, the udev rule, ModemManager, other programs on the port, the bridge's
// EEPROM, the unit's firmware), the same report `krvctl doctor` prints. The dialog is on screen at
// once, shows which check runs, and fills in the report when all have run (off the user-interface
// thread: the checks may wait seconds for a port to come back). "コピー" puts the report on the
// clipboard for a support request. Closing the dialog during the checks stops them after the one
// running.
class DiagnosisDlg : public QDialog {
    Q_OBJECT

  public:
    DiagnosisDlg(DeviceLink& link, UserInterface& ui, QWidget* parent = nullptr);
    ~DiagnosisDlg() override;

    // Set before the dialog is shown.
    DiagnosisOptions options;

    // The report as shown; empty until every check has run.
    const std::string& Text() const { return text_; }
    bool Running() const { return running_; }
    bool Done() const { return done_; }

    QLabel& StatusLabel() { return status_; }
    QPlainTextEdit& ReportField() { return report_; }
    QPushButton& CopyButton() { return copy_; }
    QPushButton& CloseButton() { return close_; }

  public slots:
    // Closes the dialog; during the checks, once they have stopped.
    void done(int result) override;

  signals:
    // The report has been filled in (or the checks were stopped).
    void DiagnosisFinished();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Run();
    void CopyReport();

    DeviceLink& link_;
    UserInterface& ui_;
    QLabel status_;
    QPlainTextEdit report_;
    QPushButton copy_;
    QPushButton close_;
    std::string text_;
    bool running_ = false;
    bool done_ = false;
    UnitWork* work_ = nullptr;
    std::optional<int> closeWith_;
};

}  // namespace krv
