#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "flows/JobContext.h"
#include "link/DeviceLink.h"
#include "platform/Translate.h"

namespace krv {

// What the firmware update runs with, and how it reports: the job context of every long flow (the
// link to the unit, the user interface for messages and questions, a callback for the status text
// and the progress (0 to 100), and the cancel request) and what only the update needs.
//
// Running on a worker thread (how a dialog keeps painting while the update runs for tens of
// seconds): the whole update runs on the thread that calls it, and every call it makes back
// comes from that thread.
//  - `progress` is called with the status text and the progress as they stand, whenever either
//    changes; a dialog posts them to its own thread (a queued signal) and returns at once.
//  - The UserInterface's ShowMessage must show the box on the dialog's thread and wait for the
//    answer (a blocking queued call); ProcessPendingEvents may simply return true there, and
//    SetWaitCursor may do nothing.
//  - `cancelRequested` is set by the dialog's thread (its cancel button, Esc, the close box) and
//    read at the update's step boundaries (and between the blocks of the erasure, programming
//    and read-back); whoever starts an update clears it first.
//  - The link and the document's GeneratorState belong to the update until it returns: nothing
//    else may use them meanwhile (the panel's tick is off while the dialog is open). The link
//    shows its own few messages (a D2XX entry point missing) through the user interface it was
//    given: for the run, give it one that is safe to call from the worker thread as well
//    (DeviceLink::SetUserInterface).
// Run on the window's own thread instead, the update lets the window paint through
// ProcessPendingEvents at its step boundaries and during its waits, as the panel's other flows do.
class FirmwareContext : public JobContext {
  public:
    FirmwareContext(DeviceLink& link, UserInterface& ui, FlowProgress progress = {},
                    std::atomic<bool>* cancelRequested = nullptr)
        : JobContext(link, ui, std::move(progress), cancelRequested, kCaptionNotice)
    {
    }

    // Restarts into boot mode whose bit-rate adjustment goes unanswered before the programming
    // gives up; 0: until the user cancels (a window with its cancel button).
    void SetBootTries(int tries) { bootTries_ = tries; }
    int BootTries() const { return bootTries_; }
    // What a failure once the unit has been erased adds to its message: where the calibration
    // backup is and that the update is to be run again. Empty: a note without the backup.
    void SetErasedNote(std::string note) { erasedNote_ = std::move(note); }
    const std::string& ErasedNote() const { return erasedNote_; }
    // Set by the programming when it starts erasing: from then on the unit may hold no program.
    void MarkUnitErased() { unitErased_ = true; }
    bool UnitErased() const { return unitErased_; }

  private:
    int bootTries_ = 0;
    std::string erasedNote_;
    bool unitErased_ = false;
};

inline constexpr const char* kStatusCancelled =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "キャンセルしました");

}  // namespace krv
