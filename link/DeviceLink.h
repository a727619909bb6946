#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/CommPort.h"
#include "link/D2xx.h"
#include "link/FtdiPort.h"
#include "link/LinkKind.h"
#include "link/Transport.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace krv {

// Short names of the ReadLine results.
inline constexpr ReadLineResult kNoLine = ReadLineResult::NoLine;
inline constexpr ReadLineResult kLineDiscarded = ReadLineResult::Discarded;
inline constexpr ReadLineResult kLinePending = ReadLineResult::Pending;
inline constexpr ReadLineResult kLineComplete = ReadLineResult::Complete;

// Holds the messages shown before anyone attached a user interface (those of loading the bridge
// library when the process-wide link is created) and passes them on to the first one attached.
class HeldMessages : public UserInterface {
  public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    void SetWaitCursor(bool) override {}
    bool ProcessPendingEvents() override { return true; }
    void PassOn(UserInterface& ui);

  private:
    struct Held {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
    };
    std::vector<Held> held_;
};

// The one link to the unit: the serial port and the USB bridge, and the reply line both assemble
// into. Both transports reach the same bridge, so only one of them is open at a time.
class DeviceLink {
  public:
    static constexpr int kReplyLineSize = 512;

    // The bridge's entry points come from DefaultD2xxLibrary(). Messages of loading them are
    // held until a user interface is attached.
    DeviceLink();
    explicit DeviceLink(UserInterface& ui);
    // `library` null: no bridge library could be loaded.
    DeviceLink(UserInterface& ui, std::shared_ptr<d2xx::D2xxLibrary> library);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    UserInterface& Ui() const { return *ui_; }
    void SetUserInterface(UserInterface& ui);

    CCommPort& CommPort() { return comm_; }
    CFtdiPort& FtdiPort() { return ftdi_; }
    // The transport of a link kind; null for any other value.
    Transport* TransportOf(LinkKind kind);

    // Serial port.
    void SetPortName(std::string name) { comm_.SetPortName(std::move(name)); }
    const std::string& PortName() const { return comm_.PortName(); }
    // Refused, with the port's "は使えません" message, while the bridge is open directly.
    bool OpenPort();
    // OpenPort, tried again until `budget` has passed: the serial port of a USB bridge comes back
    // only some time after the bridge was driven directly. The port's message is shown once, when
    // the budget is spent; nothing is shown when the user interface asks to stop meanwhile.
    bool OpenPortWithin(std::chrono::milliseconds budget);
    static constexpr std::chrono::milliseconds kReopenPause{100};
    // How long the kernel may take to bring the bridge's serial port back.
    static constexpr std::chrono::milliseconds kPortReturnBudget{5000};
    // OpenPort; while the bridge's serial port may still be on its way back (the bridge was let
    // go less than kPortReturnBudget ago) OpenPortWithin the rest of that time.
    bool OpenReturningPort();
    void ClosePort() { comm_.ClosePort(); }
    bool IsOpen() const { return comm_.IsOpen(); }

    // Either transport: what the exchanges use.
    bool IsLinkOpen(LinkKind kind);
    // The open transport of `kind` has lost its device (Transport::Gone).
    bool IsLinkGone(LinkKind kind);
    // OpenPort or OpenFtdiDevice.
    bool OpenLink(LinkKind kind);

    // Assembles received bytes into the reply line; any other link kind gives kNoLine.
    ReadLineResult ReadLine(LinkKind kind);
    void WriteText(LinkKind kind, const char* text, std::size_t length);
    void WriteText(LinkKind kind, std::string_view text)
    {
        WriteText(kind, text.data(), text.size());
    }

    // Sleeps until the link has something for ReadLine, or until `deadline`.
    void WaitForInput(LinkKind kind, TimePoint deadline);

    // The last complete line, CR LF included. Bytes are examined by position: byte 0 is the first.
    std::string_view ReplyLine() const { return std::string_view(reply_, replyLength_); }
    // The whole reply buffer (kReplyLineSize + 1 bytes), for readers that look past the line.
    const char* ReplyBuffer() const { return reply_; }
    // Forgets a partly assembled line.
    void ResetReplyFill() { fill_ = 0; }
    int ReplyFill() const { return fill_; }

  private:
    ReadLineResult Assemble(Transport& transport);

    HeldMessages held_;
    UserInterface* ui_;
    CCommPort comm_;
    CFtdiPort ftdi_;
    char reply_[kReplyLineSize + 1] = {};
    int fill_ = 0;
    std::size_t replyLength_ = 0;
};

// The process-wide link, alive until the process exits. Install the simulated bridge's library
// (InstallD2xxLibrary) before the first call when the simulation is to be reached.
DeviceLink& TheDeviceLink();

}  // namespace krv
