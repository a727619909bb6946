#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "files/OutputLog.h"
#include "model/TrendHistory.h"
#include "platform/UserInterface.h"

namespace krv {

class GeneratorState;
class TrendWindow;

// A message shown once the event being handled is over. The output log reports a full disk from
// inside the write of an output frame, in the middle of a tick: a modal box there would run the
// next ticks inside this one.
class DeferredUserInterface : public QObject, public UserInterface {
    Q_OBJECT

  public:
    explicit DeferredUserInterface(UserInterface& target, QObject* parent = nullptr)
        : QObject(parent), target_(target)
    {
    }

    // Queues the message and answers at once with the first button.
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    void SetWaitCursor(bool on) override { target_.SetWaitCursor(on); }
    bool ProcessPendingEvents() override { return target_.ProcessPendingEvents(); }

  private:
    UserInterface& target_;
};

// The "記録" menu's commands: the output log and the trend window. Watches the generator's
// outputs for as long as it lives.
class OutputRecording : public QObject {
    Q_OBJECT

  public:
    // Messages go to `ui`; dialogs and the trend window belong to `window`. The trend keeps time
    // by `clock` (the monotonic clock unless a test or a demonstration hands in its own).
    OutputRecording(GeneratorState& state, UserInterface& ui, QWidget* window,
                    std::function<TimePoint()> clock = {});
    ~OutputRecording() override;

    // "出力記録を開始...": asks for the file, then starts the log in it.
    void StartLogCommand();
    // "出力記録を停止".
    void StopLogCommand();
    // "トレンド表示": shows the trend window and brings it to the front.
    void ShowTrendCommand();
    // The panel connected to the unit or lost it: while it is not connected the trend shows no
    // values.
    void ConnectionChanged(bool connected);

    // Starts the log in `path` (an existing output log is continued). False when refused; the
    // reason has been shown.
    bool StartLog(const QString& path);
    bool Logging() const { return log_.Active(); }

    // Asks for the log file; an empty text means none was chosen. Unset: a file dialog.
    std::function<QString()> chooseLogFile;

    OutputLog& Log() { return log_; }
    TrendHistory& History() { return history_; }
    // The trend window, created the first time it is shown; null before.
    TrendWindow* Trend() const { return trend_.get(); }

  signals:
    // The log started or stopped (also when a write error stopped it).
    void loggingChanged(bool on);

  private:
    QString AskLogFile();

    GeneratorState& state_;
    QWidget* window_;
    DeferredUserInterface deferred_;
    OutputLog log_;
    TrendHistory history_;
    std::unique_ptr<TrendWindow> trend_;
};

}  // namespace krv
