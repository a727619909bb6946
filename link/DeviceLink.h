#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "link/CommPort.h"
#include "link/FtdiPort.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace krv {

enum class LinkKind : int { Com = 0, Ftdi = 1 };

// ReadLine results.
inline constexpr int kNoLine = 0;
inline constexpr int kLineDiscarded = 1;
inline constexpr int kLinePending = 2;
inline constexpr int kLineComplete = 3;

// The one link to the unit: the serial port, the USB bridge and the reply line both assemble into.
class DeviceLink {
  public:
    static constexpr int kReplyLineSize = 512;

    DeviceLink();
    explicit DeviceLink(UserInterface& ui);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    UserInterface& Ui() const { return *ui_; }
    void SetUserInterface(UserInterface& ui) { ui_ = &ui; }

    CCommPort& CommPort() { return comm_; }
    CFtdiPort& FtdiPort() { return ftdi_; }

    // Serial port.
    void SetPortName(std::string name) { comm_.SetPortName(std::move(name)); }
    const std::string& PortName() const { return comm_.PortName(); }
    bool OpenPort() { return comm_.OpenPort(*ui_); }
    void ClosePort() { comm_.ClosePort(); }
    bool IsOpen() const { return comm_.IsOpen(); }

    // Assembles received bytes into the reply line. Returns kNoLine, kLineDiscarded,
    // kLinePending or kLineComplete; any other link kind gives kNoLine.
    int ReadLine(LinkKind kind);
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
    template <typename Ring, typename ErrorCheck>
    int Assemble(Ring& ring, ErrorCheck lineError);

    UserInterface* ui_;
    CCommPort comm_;
    CFtdiPort ftdi_;
    char reply_[kReplyLineSize + 1] = {};
    int fill_ = 0;
    std::size_t replyLength_ = 0;
};

// The process-wide link, alive until the process exits.
DeviceLink& TheDeviceLink();

}  // namespace krv
