#include "link/DeviceLink.h"

#include <algorithm>
#include <cstdint>
#include <thread>

#include "link/D2xxLibraries.h"

namespace krv {

MessageAnswer HeldMessages::ShowMessage(const std::string& text, const std::string& caption,
                                        MessageIcon icon, MessageButtons buttons)
{
    held_.push_back({text, caption, icon, buttons});
    return UnansweredAnswer(buttons);  // shown later: nobody answers it now
}

void HeldMessages::PassOn(UserInterface& ui)
{
    std::vector<Held> held;
    held.swap(held_);
    for (const Held& m : held) ui.ShowMessage(m.text, m.caption, m.icon, m.buttons);
}

DeviceLink::DeviceLink() : ui_(&held_)
{
    ftdi_.SetUserInterface(*ui_);
    ftdi_.ShareBridgeWith(&comm_);
    ftdi_.LoadD2xx(DefaultD2xxLibrary());
}

DeviceLink::DeviceLink(UserInterface& ui) : DeviceLink(ui, DefaultD2xxLibrary()) {}

DeviceLink::DeviceLink(UserInterface& ui, std::shared_ptr<d2xx::D2xxLibrary> library) : ui_(&ui)
{
    ftdi_.SetUserInterface(*ui_);
    ftdi_.ShareBridgeWith(&comm_);
    ftdi_.LoadD2xx(std::move(library));
}

void DeviceLink::SetUserInterface(UserInterface& ui)
{
    ui_ = &ui;
    ftdi_.SetUserInterface(ui);
    held_.PassOn(ui);
}

DeviceLink& TheDeviceLink()
{
    static DeviceLink link;
    return link;
}

Transport* DeviceLink::TransportOf(LinkKind kind)
{
    switch (kind) {
        case LinkKind::Com:
            return &comm_;
        case LinkKind::Ftdi:
            return &ftdi_;
    }
    return nullptr;
}

bool DeviceLink::OpenPort()
{
    if (comm_.IsOpen()) return true;
    // The bridge's serial port is gone while the bridge is driven directly.
    if (ftdi_.IsFtdiOpen()) {
        ui_->ShowMessage(PortRefusal(comm_.PortName()), kApplicationTitle, MessageIcon::None,
                         MessageButtons::Ok);
        return false;
    }
    return comm_.OpenPort(*ui_);
}

bool DeviceLink::OpenPortWithin(std::chrono::milliseconds budget)
{
    if (comm_.IsOpen() || ftdi_.IsFtdiOpen()) return OpenPort();
    const TimePoint deadline = Now() + budget;
    for (;;) {
        HeldMessages quiet;
        if (comm_.OpenPort(quiet)) return true;
        if (Now() >= deadline) {
            quiet.PassOn(*ui_);
            return false;
        }
        // Short naps, so the window keeps painting while the port is away.
        const TimePoint retry = std::min(deadline, Now() + kReopenPause);
        while (Now() < retry) {
            if (!ui_->ProcessPendingEvents()) return false;
            std::this_thread::sleep_until(std::min(retry, Now() + std::chrono::milliseconds(20)));
        }
    }
}

bool DeviceLink::OpenReturningPort()
{
    const std::optional<TimePoint> released = ftdi_.LastRelease();
    if (!released || ftdi_.IsFtdiOpen()) return OpenPort();
    const Duration left = *released + kPortReturnBudget - Now();
    if (left <= Duration::zero()) return OpenPort();
    return OpenPortWithin(std::chrono::ceil<std::chrono::milliseconds>(left));
}

bool DeviceLink::IsLinkOpen(LinkKind kind)
{
    Transport* transport = TransportOf(kind);
    return transport != nullptr && transport->IsOpen();
}

bool DeviceLink::IsLinkGone(LinkKind kind)
{
    Transport* transport = TransportOf(kind);
    return transport != nullptr && transport->Gone();
}

bool DeviceLink::OpenLink(LinkKind kind)
{
    switch (kind) {
        case LinkKind::Com:
            return OpenPort();
        case LinkKind::Ftdi:
            return ftdi_.OpenFtdiDevice();
    }
    return false;
}

ReadLineResult DeviceLink::Assemble(Transport& transport)
{
    for (;;) {
        if (transport.TakeLineErrors() != 0) {
            fill_ = 0;
            return kLineDiscarded;
        }
        std::uint8_t byte = 0;
        if (!transport.PopReceived(byte)) return fill_ != 0 ? kLinePending : kNoLine;
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

ReadLineResult DeviceLink::ReadLine(LinkKind kind)
{
    Transport* transport = TransportOf(kind);
    if (transport == nullptr) return kNoLine;
    transport->FetchReceived();
    return Assemble(*transport);
}

void DeviceLink::WriteText(LinkKind kind, const char* text, std::size_t length)
{
    if (Transport* transport = TransportOf(kind)) transport->WriteText(text, length);
}

void DeviceLink::WaitForInput(LinkKind kind, TimePoint deadline)
{
    if (Transport* transport = TransportOf(kind)) transport->WaitForInput(deadline);
}

}  // namespace krv
