#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>

#include "firmware/FirmwareUpdate.h"
#include "model/GeneratorState.h"
#include "platform/UserInterface.h"

class QFileDialog;

namespace krv {

class DeviceLink;

// "ファームウェア更新": the user chooses a ".cya" file and the unit behind its USB bridge is
// reprogrammed with it, its calibration secured around the programming. The update runs off the
// user-interface thread: the window keeps painting, the status line and the bar follow every step,
// and "キャンセル", Esc and the close box only ask the update to stop while it runs (it stops at
// the next step or block of the programming). A dialog runs at most one update; one refused before
// anything was read from the unit (no unit, a bad serial number, no file, a file that is not a
// whole firmware image) may be started again.
//
// Afterwards the document holds the circuit count the unit's serial number gives and the
// calibration written back into the unit.
class CProgramUp : public QDialog {
    Q_OBJECT

  public:
    CProgramUp(DeviceLink& link, GeneratorState& generator, UserInterface& ui,
               QWidget* parent = nullptr);
    ~CProgramUp() override;

    // Set before the dialog is shown: where the calibration backup files go (empty: the
    // application folder).
    std::filesystem::path backupFolder;
    // Set before the dialog is shown: called once, on this thread, when an update with a whole
    // firmware file is about to start and before it reaches the unit (the panel switches its
    // outputs off and hands over the port). A file that is not a whole image is refused before.
    std::function<void()> beforeUpdate;

    // Control ids.
    static constexpr int kFileTextId = 1011;
    static constexpr int kChooseId = 1013;
    static constexpr int kProgressId = 1012;
    static constexpr int kStatusId = 1014;
    static constexpr int kUpdateId = 1010;
    static constexpr int kCancelId = 2;

    QLabel& FileText() { return file_; }
    QPushButton& ChooseButton() { return choose_; }
    QProgressBar& Progress() { return progress_; }
    QLabel& StatusText() { return status_; }
    QPushButton& UpdateButton() { return update_; }
    QPushButton& CancelButton() { return cancel_; }

    // The firmware file chosen, empty before one is.
    const QString& FirmwareFile() const { return firmwareFile_; }
    // Takes `path` as the chosen firmware file, as the file chooser does on OK; a file that is not
    // a whole firmware image is refused with the reason and not taken.
    void SetFirmwareFile(const QString& path);
    // The file chooser ("ファイル選択").
    void ChooseFile();
    // The update ("更新"). Returns once it has ended; the window handles events meanwhile.
    void Update();

    // An update is running.
    bool Busy() const { return busy_; }
    // A cancel has been asked for and the update has not taken it yet.
    bool CancelPending() const { return cancelRequested_.load(); }
    // The outcome of the update, once one has run.
    std::optional<FirmwareUpdateOutcome> LastOutcome() const { return lastOutcome_; }
    // The file chooser while it is open (tests answer it).
    QFileDialog* Chooser() const { return chooser_; }

  public slots:
    // Enter closes nothing: the buttons are pressed on purpose.
    void accept() override;
    // "キャンセル", Esc and the close box: a cancel request while busy, else the dialog closes.
    void reject() override;

  private:
    void ShowStep(const QString& status, int progress);
    void ShowFilePath();
    void SetBusy(bool busy);
    void Finish(FirmwareUpdateOutcome outcome);
    // The refusal of a file that cannot be programmed, shown; false when there is none.
    bool RefuseFile(const QString& path);

    DeviceLink& link_;
    GeneratorState& generator_;
    UserInterface& ui_;
    QString firmwareFile_;
    bool busy_ = false;
    bool started_ = false;  // an update got past its first checks: no second one
    std::atomic<bool> cancelRequested_{false};
    std::optional<FirmwareUpdateOutcome> lastOutcome_;
    QFileDialog* chooser_ = nullptr;

    QLabel caption_{this};
    QLabel file_{this};
    QPushButton choose_{this};
    QProgressBar progress_{this};
    QLabel status_{this};
    QPushButton update_{this};
    QPushButton cancel_{this};
};

// Texts of the dialog, in Japanese; the dialog shows them through its tr().
inline constexpr const char* kFirmwareDialogTitle =
    QT_TRANSLATE_NOOP("krv::CProgramUp", "ファームウェア更新");
inline constexpr const char* kNoFileText = QT_TRANSLATE_NOOP("krv::CProgramUp", "未選択");
inline constexpr const char* kChooseFileStatus =
    QT_TRANSLATE_NOOP("krv::CProgramUp", "更新ファームウェアを選択してください");
inline constexpr const char* kFileChosenStatus =
    QT_TRANSLATE_NOOP("krv::CProgramUp", "更新してください");
inline constexpr const char* kBackButtonText = QT_TRANSLATE_NOOP("krv::CProgramUp", "戻る");
inline constexpr const char* kFirmwareFileFilters = "Program Files (*.cya);;All Files (*)";

}  // namespace krv
