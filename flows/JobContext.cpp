#include "flows/JobContext.h"

#include <algorithm>
#include <thread>

#include "platform/Clock.h"

namespace krv {

namespace {

// How often the window may paint during a wait.
constexpr std::chrono::milliseconds kPaintInterval{10};

}  // namespace

void JobContext::SetStatus(const std::string& text)
{
    if (text == status_) return;
    status_ = text;
    Report();
}

void JobContext::SetProgress(int value)
{
    if (value == progress_) return;
    progress_ = value;
    Report();
}

void JobContext::Report()
{
    if (report_) report_(status_, progress_);
}

void JobContext::Message(const std::string& text, MessageIcon icon)
{
    ui_.ShowMessage(text, caption_, icon, MessageButtons::Ok);
}

bool JobContext::AskOk(const std::string& text, MessageIcon icon)
{
    return ui_.ShowMessage(text, caption_, icon, MessageButtons::OkCancel) == MessageAnswer::Ok;
}

bool JobContext::CancelRequested()
{
    ui_.ProcessPendingEvents();
    return cancel_ != nullptr && cancel_->load();
}

bool JobContext::GoOn()
{
    const bool running = ui_.ProcessPendingEvents();
    const bool cancelled = cancel_ != nullptr && cancel_->load();
    return running && !cancelled;
}

void JobContext::ClearCancelRequest()
{
    if (cancel_ != nullptr) cancel_->store(false);
}

void JobContext::PauseUntil(TimePoint end)
{
    for (;;) {
        ui_.ProcessPendingEvents();
        const TimePoint now = Now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<Duration>(end - now, kPaintInterval));
    }
}

}  // namespace krv
