#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/CommandFaults.h"
#include "sim/ProgramFlash.h"
#include "sim/StandaloneRunner.h"
#include "sim/UnitCalibration.h"
#include "sim/UnitMemory.h"

namespace krv::sim {

// The line the unit sends on its own when it wants the host to send every channel's output
// frame again (after it has started up, for example).
inline constexpr std::string_view kResendRequest =
    "\x02"
    "A\r\n";

// How channels 1 and 2 run when no PC drives them. Both digits go out in the MS reply.
struct StandaloneSetting {
    int mode = 0;  // 0 disabled, 1 fixed value, 2 automatic output
    int run = 0;   // run state at power-on: 0 stopped, 1 running, 2 paused
};

struct UnitConfig {
    int circuits = 2;  // CH replies "CH" + the digit '0' + circuits
    // The text the unit puts after "VER", sent as given, until its flash is reprogrammed.
    std::string firmware = "02.000";
    std::array<StandaloneSetting, 2> standalone{};  // channels 1 and 2
    std::uint16_t calibrationMode = 0x0001;         // of every range at first: maker calibration
    CommandFaults faults{};                         // refusals and silence of its own
    // What its calibration reads as after its boot loader has erased the flash.
    WipedCalibration wipedCalibration = WipedCalibration::Erased;
};

// The two status words of a channel: the main output stage's and the external-supply current
// output's.
enum class StatusWord { Main, External };

// Bits of the main stage's status word.
inline constexpr std::uint16_t kMainOverTemperature = 0x0001;
inline constexpr std::uint16_t kMainSlewing = 0x0002;
inline constexpr std::uint16_t kMainShortOfCompliance = 0x0004;
inline constexpr std::uint16_t kMainWatchdog = 0x0008;
inline constexpr std::uint16_t kMainCrc1 = 0x0010;
// Bits of the external-supply output's status word.
inline constexpr std::uint16_t kExtOutputShort = 0x0001;
inline constexpr std::uint16_t kExtOutputFault = 0x0002;
inline constexpr std::uint16_t kExtSpi2 = 0x0004;
inline constexpr std::uint16_t kExtCrc2 = 0x0008;

// The unit's registers of one output channel: what the last accepted W frame set, and the status
// words. All of them take these values at power-on (the run state of channels 1 and 2 takes the
// standalone setting's).
struct ChannelRegisters {
    std::uint8_t range = 0;
    std::uint16_t outputCode = 0;
    std::uint16_t mainControl = 0x0008;
    std::uint16_t mainAux = 0x0008;
    std::array<std::uint16_t, 2> spareWords{};
    std::uint16_t extControl = 0;
    std::array<std::uint16_t, 3> extAux{};
    std::uint8_t runState = 0;
    std::uint16_t mainStatus = 0;
    std::uint16_t extStatus = 0;
    std::size_t framesAccepted = 0;  // W frames taken into these registers since power-on
};

// What one accepted W frame set, and when the unit took it.
struct OutputRecord {
    std::chrono::steady_clock::time_point time;
    std::uint8_t range = 0;
    std::uint16_t outputCode = 0;
    std::uint16_t mainControl = 0;
    std::uint16_t extControl = 0;
    std::uint8_t runState = 0;
};

// The unit's side of the protocol: no I/O, no timing. Thread-compatible (the server serialises
// calls). Channels are indices 0..3 here (1..4 on the wire); an index outside the range throws
// std::out_of_range.
class VirtualUnit {
  public:
    static constexpr int kChannels = 4;
    static constexpr int kStandaloneChannels = 2;
    static constexpr int kRanges = 16;  // calibration modes are kept per range code 0..15
    // Output frames remembered per channel; the oldest go first. At 20 frames a second (an
    // automatic output) this is the last three minutes or so, and at 16 bytes a record the four
    // channels' histories stay under 300 kB however long the unit runs.
    static constexpr std::size_t kOutputHistoryLimit = 4096;

    explicit VirtualUnit(UnitConfig config);

    // One complete command line as received (CR LF included), taken at `now`. Returns the reply
    // lines to send, each with its CR LF, possibly none.
    std::vector<std::string> HandleLine(
        std::string_view line,
        std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    const UnitConfig& Config() const { return config_; }

    // Registers of channel index 0..3.
    const ChannelRegisters& Channel(int index) const;

    // Framed lines that passed their checksum but whose fields did not have the expected layout.
    std::size_t MalformedFrames() const { return malformedFrames_; }

    // The unit raises no status bit by itself: alarms are whatever these set, until cleared or
    // until the next power cycle.
    void SetStatusBits(int channel, StatusWord word, std::uint16_t bits);
    void ClearStatusBits(int channel, StatusWord word, std::uint16_t bits);

    // Which calibration the unit uses for a range (0x0001 maker, 0x0002 user). Kept across power
    // cycles, like the calibration values themselves. A range outside 0..15 throws
    // std::out_of_range.
    void SetCalibrationMode(int channel, int range, std::uint16_t mode);
    std::uint16_t CalibrationMode(int channel, int range) const;

    // Standalone setting of channel index 0 or 1 (others throw std::out_of_range); mode and run
    // outside 0..2 throw std::invalid_argument. Also sets the channel's run state now.
    void SetStandalone(int channel, StandaloneSetting setting);
    // Channels 3 and 4 cannot run on their own and always read {0, 0}.
    StandaloneSetting Standalone(int channel) const;

    // Power cycle: every channel's registers back to their power-on values. Calibration modes and
    // standalone settings are kept, and so is the output history. Calibration values not stored
    // are lost, and so is the standalone memory's buffer. When an image has been taken into use,
    // channels 1 and 2 follow it from `now` on: their standalone modes and what they output. The
    // unit leaves boot mode.
    void PowerCycle(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    // Calibration tables (working and stored copies) and the last trial output of a channel.
    const UnitCalibration& Calibration() const { return calibration_; }
    UnitCalibration& Calibration() { return calibration_; }
    std::optional<CalibrationTrial> Trial(int channel) const;
    // The standalone memory, and what runs channels 1 and 2 after a power-on with an image.
    const UnitMemory& Memory() const { return memory_; }
    const StandaloneRunner& Runner() const { return runner_; }
    // Faults of the unit's own command handling; counting starts anew.
    void SetCommandFaults(const CommandFaults& faults);
    const CommandFaults& Faults() const { return faults_.Faults(); }

    // The program flash its boot loader erases and programs. After a power cycle the unit runs
    // what the flash holds: VER then answers with the version text of the firmware found there,
    // and a flash that holds no firmware leaves the unit silent (until it is programmed again).
    ProgramFlash& Flash() { return flash_; }
    const ProgramFlash& Flash() const { return flash_; }
    // The version text the running firmware sends after VER; nothing while no firmware runs.
    const std::optional<std::string>& RunningFirmware() const { return firmware_; }

    // When the standalone outputs next step (time_point::max() while none runs), and the steps
    // due by `now`.
    std::chrono::steady_clock::time_point NextStandaloneStep() const;
    void AdvanceStandalone(std::chrono::steady_clock::time_point now);

    // Boot mode: the microcontroller runs its boot loader instead of the unit's firmware (the
    // bridge's boot pulse puts it there), so no command of the unit is answered until the next
    // power cycle. The registers are lost as in a power cycle.
    void EnterBootMode();
    bool InBootMode() const { return bootMode_; }

    // The accepted W frames of a channel, oldest first.
    std::vector<OutputRecord> OutputHistory(int channel) const;
    void ClearOutputHistory();

  private:
    using Replies = std::vector<std::string>;
    using Time = std::chrono::steady_clock::time_point;
    using Handler = Replies (VirtualUnit::*)(std::string_view line, Time now);

    // One entry per command: plain commands match the whole line before CR LF; framed commands
    // (after STX) match by their letters, the longest name first, since hexadecimal fields may
    // begin with a letter.
    struct Command {
        bool framed;
        std::string_view name;
        Handler handler;
    };
    static const std::array<Command, 16> kCommands;

    Replies Version(std::string_view line, Time now);
    Replies CircuitCount(std::string_view line, Time now);
    Replies WriteOutput(std::string_view line, Time now);
    Replies Status(std::string_view line, Time now);
    Replies StandaloneModes(std::string_view line, Time now);
    // Calibration and standalone memory (VirtualUnitMaintenance.cpp).
    Replies CalibrationInitUser(std::string_view line, Time now);
    Replies CalibrationRead(std::string_view line, Time now);
    Replies CalibrationTrialOutput(std::string_view line, Time now);
    Replies CalibrationWrite(std::string_view line, Time now);
    Replies CalibrationSave(std::string_view line, Time now);
    Replies MemoryErase(std::string_view line, Time now);
    Replies MemoryStore(std::string_view line, Time now);
    Replies MemoryWrite(std::string_view line, Time now);
    Replies MemoryLoad(std::string_view line, Time now);
    Replies MemoryRead(std::string_view line, Time now);
    Replies MemoryMove(std::string_view line, Time now);
    // Channels 1 and 2 run by the unit itself: their registers follow the runner, and a host's
    // output frame only starts, pauses or stops them.
    void StartStandalone(Time now);
    void ShowStandaloneOutput(int index);
    void TakeHostFrame(int index, Time now);

    ChannelRegisters& Registers(int index);
    std::string StatusReply(int index) const;

    UnitConfig config_;
    std::array<ChannelRegisters, kChannels> channels_{};
    UnitCalibration calibration_;
    UnitMemory memory_;
    StandaloneRunner runner_;
    CommandFaultState faults_;
    std::array<std::optional<CalibrationTrial>, kChannels> trials_{};
    std::array<StandaloneSetting, kStandaloneChannels> standalone_{};
    std::array<std::deque<OutputRecord>, kChannels> history_;
    std::size_t malformedFrames_ = 0;
    bool bootMode_ = false;
    ProgramFlash flash_;
    std::optional<std::string> firmware_;
};

// False, with a reason in `error`, when the unit could not be served as configured: the circuit
// count goes out as one digit, so it must lie in 0..9, and the standalone digits must be 0..2.
bool CheckUnitConfig(const UnitConfig& config, std::string* error);

// Splits a framed line STX ... ETX cs cs CR LF: returns the text between STX and ETX, or false
// when the line does not have that shape or its checksum (the low 8 bits of the sum of the bytes
// after STX up to and including ETX, as two upper-case hexadecimal digits) is wrong.
bool CheckedFrameBody(std::string_view line, std::string_view& body);

}  // namespace krv::sim
