#include "link/DeviceLink.h"

#include <cstdint>
#include <thread>

namespace krv {

namespace {

SilentUserInterface& DefaultUi()
{
    static SilentUserInterface ui;
    return ui;
}

}  // namespace

DeviceLink::DeviceLink() : ui_(&DefaultUi()) {}

DeviceLink::DeviceLink(UserInterface& ui) : ui_(&ui) {}

DeviceLink& TheDeviceLink()
{
    static DeviceLink link;
    return link;
}

template <typename Ring, typename ErrorCheck>
int DeviceLink::Assemble(Ring& ring, ErrorCheck lineError)
{
    for (;;) {
        if (lineError()) {
            fill_ = 0;
            return kLineDiscarded;
        }
        std::uint8_t byte = 0;
        if (!ring.Pop(byte)) return fill_ != 0 ? kLinePending : kNoLine;
        reply_[fill_] = static_cast<char>(byte);
        // A line needs at least one byte before its CR LF: a bare CR LF at the start stays and
        // becomes the beginning of the next line.
        if (fill_ >= 2 && reply_[fill_ - 1] == '\r' && byte == '\n') {
            reply_[fill_ + 1] = '\0';
            replyLength_ = static_cast<std::size_t>(fill_) + 1;
            fill_ = 0;
            return kLineComplete;
        }
        if (++fill_ >= kReplyLineSize) {
            fill_ = 0;
            return kLineDiscarded;
        }
    }
}

int DeviceLink::ReadLine(LinkKind kind)
{
    switch (kind) {
        case LinkKind::Com:
            return Assemble(comm_.Ring(), [this] { return comm_.TakeLineErrors() != 0; });
        case LinkKind::Ftdi:
            ftdi_.Fetch();
            return Assemble(ftdi_.Ring(), [] { return false; });
    }
    return kNoLine;
}

void DeviceLink::WriteText(LinkKind kind, const char* text, std::size_t length)
{
    switch (kind) {
        case LinkKind::Com:
            comm_.WriteText(text, length);
            return;
        case LinkKind::Ftdi:
            ftdi_.Write(text, length);
            return;
    }
}

void DeviceLink::WaitForInput(LinkKind kind, TimePoint deadline)
{
    switch (kind) {
        case LinkKind::Com:
            comm_.WaitForInput(deadline);
            return;
        case LinkKind::Ftdi: {
            // The bridge is read by polling it; a short nap keeps the poll from spinning.
            const TimePoint nap = Now() + std::chrono::milliseconds(1);
            std::this_thread::sleep_until(deadline < nap ? deadline : nap);
            return;
        }
    }
}

}  // namespace krv
