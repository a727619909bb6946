#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "link/D2xx.h"
#include "link/ReceiveRing.h"
#include "link/Transport.h"
#include "link/UnitBridge.h"

namespace krv {

// One device the D2XX library lists.
struct UnitEntry {
    bool found = false;
    std::string serialNumber;
    std::string description;
};

// Whether a listed device is the unit's bridge: its description, and a serial number beginning
// with the unit's prefix.
bool IsUnitBridge(const UnitEntry& entry);

// The unit's USB bridge driven directly through the D2XX calls: exchanges while the serial port
// is not used, the CBUS restart pulse, and the search for units. It has no thread of its own:
// what the bridge receives is fetched when ReadLine asks for it.
class CFtdiPort : public Transport {
  public:
    static constexpr int kRingSize = 4096;
    static constexpr int kDeviceTableSize = 256;
    static constexpr std::uint32_t kOpenBaudRate = 19200;
    static constexpr std::uint32_t kFastBaudRate = 1000000;
    // What one fetch asks the library for.
    static constexpr d2xx::DWord kFetchSize = 100;
    static constexpr std::chrono::milliseconds kPulseStep{200};

    // The unit's bridge: its USB description, and how its serial numbers begin.
    static constexpr const char* kUnitDescription = kUnitBridgeDescription;
    static constexpr const char* kUnitSerialPrefix = "KR";

    CFtdiPort();
    ~CFtdiPort() override;
    CFtdiPort(const CFtdiPort&) = delete;
    CFtdiPort& operator=(const CFtdiPort&) = delete;

    // Messages, the wait cursor and the painting during waits go through `ui`.
    void SetUserInterface(UserInterface& ui) { ui_ = &ui; }
    // The serial port that reaches the same bridge: while it is open the bridge is not opened,
    // since taking the bridge over would cut the port off under its user.
    void ShareBridgeWith(const Transport* serialPort) { sharedWith_ = serialPort; }

    // Takes the entry points from `library` (null: no library could be loaded), showing the
    // message for a missing library or the first missing entry point. Runs once when the link
    // is created; a later call closes the device and starts over with the new library.
    void LoadD2xx(std::shared_ptr<d2xx::D2xxLibrary> library);

    // Opens the unit's bridge by its description and sets it up for the unit's line (19200
    // baud, 8N1, 5 ms time-outs). Takes about 200 ms, during which the window keeps painting.
    bool OpenFtdiDevice();
    void CloseFtdiDevice();
    // 1000000 sets the divisor 3; any other rate is set as it is. Then 8N1.
    void SetFtdiLine(std::uint32_t baudRate);
    // The restart pulse: CBUS levels 0x31, 0x30, then off, 200 ms after each.
    void SetFtdiBitMode();
    // Lists the devices into the table and returns how many are the unit's bridge; the last
    // one found becomes the current unit.
    int ListFtdiDevices();

    bool IsFtdiOpen() const { return ftdiOpen_; }
    // True once a read from the open bridge has failed outright (it was unplugged, or its USB
    // transfers broke): nothing sent over it arrives any more. Cleared when it is opened again.
    bool BridgeLost() const { return lost_; }
    // When the bridge was last closed after being open (and so handed back to the kernel's serial
    // driver); nothing before the first close.
    std::optional<TimePoint> LastRelease() const { return releasedAt_; }
    const std::string& OpenDescription() const { return openDescription_; }
    const UnitEntry& CurrentUnit() const { return currentUnit_; }
    // How the wire trace names the bridge: "usb:" and its serial number, or the description it
    // is opened by.
    std::string TraceName() const;
    // Entry `index` (0 to 255) of the device table; an index outside gives an empty entry.
    const UnitEntry& DeviceEntry(int index) const;
    const d2xx::EntryPoints& EntryPoints() const { return entries_; }
    // The library in use, or null when none could be loaded.
    const d2xx::D2xxLibrary* Library() const { return library_.get(); }

    // Single calls for the boot-mode programming, with the missing-entry messages.
    void SetBitMode(d2xx::UChar mask, d2xx::UChar mode);
    void WriteBytes(const std::uint8_t* bytes, std::size_t length);
    // One FT_Read into `buffer`; `got` is what it delivered (never more than `wanted`).
    d2xx::Status ReadBytes(std::uint8_t* buffer, d2xx::DWord wanted, d2xx::DWord& got);

    ReceiveRing<kRingSize>& Ring() { return ring_; }

    // Transport.
    bool Open(UserInterface& ui) override;
    void Close() override { CloseFtdiDevice(); }
    bool IsOpen() const override { return ftdiOpen_; }
    // Sends the text up to its first NUL (as a C string would end), at most `length` bytes.
    void WriteText(const char* text, std::size_t length) override;
    // One FT_Read of up to 100 bytes into the ring.
    void FetchReceived() override;
    bool PopReceived(std::uint8_t& byte) override { return ring_.Pop(byte); }
    std::uint8_t TakeLineErrors() override { return 0; }
    void WaitForInput(TimePoint deadline) override;
    bool SetLine(std::uint32_t baudRate) override;
    bool Gone() const override { return ftdiOpen_ && lost_; }

  private:
    // Hands a frame to FT_Write; the trace records it.
    void WriteCopy(std::string& copy);
    // True when the entry point is there; otherwise shows "<message> is not valid!".
    template <typename Function>
    bool Usable(Function entry, const char* message);
    // Waits `span` while the window keeps painting.
    void Pause(std::chrono::milliseconds span);
    void ShowMessage(const std::string& text);

    UserInterface* ui_;
    const Transport* sharedWith_ = nullptr;
    std::shared_ptr<d2xx::D2xxLibrary> library_;
    d2xx::EntryPoints entries_;
    d2xx::Handle handle_ = nullptr;
    bool ftdiOpen_ = false;
    bool lost_ = false;
    std::optional<TimePoint> releasedAt_;
    std::string openDescription_;
    ReceiveRing<kRingSize> ring_;
    UnitEntry currentUnit_;
    std::array<UnitEntry, kDeviceTableSize> devices_;
};

}  // namespace krv
