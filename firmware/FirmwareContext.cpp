#include "firmware/FirmwareContext.h"

#include <algorithm>
#include <thread>

#include "platform/Clock.h"

namespace krv {

namespace {

// How often the window may paint during a wait.
constexpr std::chrono::milliseconds kPaintInterval{10};

}  // namespace

void FirmwareContext::SetStatus(const std::string& text)
{
    if (text == status_) return;
    status_ = text;
    Report();
}

void FirmwareContext::SetProgress(int value)
{
    if (value == progress_) return;
    progress_ = value;
    Report();
}

void FirmwareContext::Report()
{
    if (report_) report_(status_, progress_);
}

void FirmwareContext::Message(const std::string& text, MessageIcon icon)
{
    ui_.ShowMessage(text, kFirmwareCaption, icon, MessageButtons::Ok);
}

bool FirmwareContext::AskOk(const std::string& text, MessageIcon icon)
{
    return ui_.ShowMessage(text, kFirmwareCaption, icon, MessageButtons::OkCancel) ==
           MessageAnswer::Ok;
}

bool FirmwareContext::CancelRequested()
{
    ui_.ProcessPendingEvents();
    return cancel_ != nullptr && cancel_->load();
}

void FirmwareContext::ClearCancelRequest()
{
    if (cancel_ != nullptr) cancel_->store(false);
}

void FirmwareContext::PauseUntil(TimePoint end)
{
    for (;;) {
        ui_.ProcessPendingEvents();
        const TimePoint now = Now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<Duration>(end - now, kPaintInterval));
    }
}

}  // namespace krv
