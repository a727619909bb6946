#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

// Called whenever the status text or the progress (0 to 100) changes, with both as they stand.
using FlowProgress = std::function<void(const std::string& status, int progress)>;

// What a long flow runs with and how it reports: the link to the unit, the user interface for
// its messages and questions (all under one caption), the status text and the progress as they
// stand, and the cancel request. The standalone write and verify and the firmware update run on
// one of these; a dialog that runs them on a worker thread posts the reports to its own thread.
class JobContext {
  public:
    JobContext(DeviceLink& link, UserInterface& ui, FlowProgress progress = {},
               std::atomic<bool>* cancelRequested = nullptr, std::string caption = kCaptionNotice)
        : link_(link),
          ui_(ui),
          report_(std::move(progress)),
          cancel_(cancelRequested),
          caption_(std::move(caption))
    {
    }

    DeviceLink& Link() const { return link_; }
    UserInterface& Ui() const { return ui_; }

    // Each reports the status and the progress when it changes them.
    void SetStatus(const std::string& text);
    void SetProgress(int value);
    const std::string& Status() const { return status_; }
    int Progress() const { return progress_; }

    // A message box with the flow's caption and an OK button; questions with OK and Cancel.
    void Message(const std::string& text, MessageIcon icon = MessageIcon::Warning);
    bool AskOk(const std::string& text, MessageIcon icon);

    // Lets the window process its input; true when a cancel has been requested (the request
    // stays set).
    bool CancelRequested();
    // Between two steps: lets the window process its input; false when a cancel has been
    // requested or the user interface asks to stop.
    bool GoOn();
    void ClearCancelRequest();

    // Waits `span` while the window keeps painting.
    void Pause(std::chrono::milliseconds span) { PauseUntil(Now() + span); }
    void PauseUntil(TimePoint end);

  private:
    void Report();

    DeviceLink& link_;
    UserInterface& ui_;
    FlowProgress report_;
    std::atomic<bool>* cancel_;
    std::string caption_;
    std::string status_;
    int progress_ = 0;
};

}  // namespace krv
