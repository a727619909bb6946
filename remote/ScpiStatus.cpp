#include "remote/ScpiStatus.h"

namespace krv::remote {

namespace {

std::uint8_t EventBitOf(ScpiError error)
{
    const int code = static_cast<int>(error);
    if (code <= -100 && code > -200) return ScpiStatus::kCommandError;
    if (code <= -200 && code > -300) return ScpiStatus::kExecutionError;
    if (code <= -300 && code > -400) return ScpiStatus::kDeviceError;
    if (code <= -400 && code > -500) return ScpiStatus::kQueryError;
    return 0;
}

}  // namespace

void ScpiStatus::Push(ScpiError error, std::string_view detail)
{
    if (error == ScpiError::None) return;
    events_ |= EventBitOf(error);
    if (errors_.size() >= kQueueLength) {
        errors_.back() = FormatScpiError(ScpiError::QueueOverflow);
        events_ |= EventBitOf(ScpiError::QueueOverflow);
        return;
    }
    errors_.push_back(FormatScpiError(error, detail));
}

std::string ScpiStatus::PopError()
{
    if (errors_.empty()) return FormatScpiError(ScpiError::None);
    std::string entry = std::move(errors_.front());
    errors_.pop_front();
    return entry;
}

std::uint8_t ScpiStatus::TakeEventStatus()
{
    const std::uint8_t events = events_;
    events_ = 0;
    return events;
}

std::uint8_t ScpiStatus::StatusByte() const
{
    std::uint8_t status = 0;
    if (!errors_.empty()) status |= kErrorAvailable;
    if ((events_ & eventEnable_) != 0) status |= kEventSummary;
    return status;
}

void ScpiStatus::Clear()
{
    errors_.clear();
    events_ = 0;
}

}  // namespace krv::remote
