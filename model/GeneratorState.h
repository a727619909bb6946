#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/AppValues.h"
#include "model/ChannelSettings.h"
#include "model/FrameSink.h"
#include "model/OutputObserver.h"
#include "protocol/OutputFrame.h"
#include "protocol/Ranges.h"
#include "protocol/StandaloneModes.h"
#include "protocol/StatusReply.h"

namespace krv {

// Standalone modes a unit can run a channel in without the PC.
inline constexpr std::int32_t kStandaloneOff = 0;
inline constexpr std::int32_t kStandaloneFixed = 1;
inline constexpr std::int32_t kStandaloneAuto = 2;

// A fault the unit reports for a channel's output stage.
inline constexpr int kMainAlarmBits = 5;
inline constexpr int kExternalAlarmBits = 4;
struct AlarmBit {
    bool external = false;  // the external-supply stage's status word, else the unit's own
    int bit = 0;
};

// Main-window widths for one and two circuits.
inline constexpr std::int32_t kOneCircuitWidth = 300;
inline constexpr std::int32_t kTwoCircuitWidth = 482;

// Everything the panel knows about the unit and its channels, and the document operations that
// keep the two in step. The model does no I/O: a change that the unit must hear of hands the
// output frames to the frame sink, and the exchanges with the unit are flows that take the link
// and the state. Channel arguments are indices 0 to 3; calls with any other index do nothing (and
// return false or an empty text).
class GeneratorState {
  public:
    // The application values the settings set carries (port name, linked operation, window
    // width), and where the output frames go: without a sink, nowhere (never connected).
    explicit GeneratorState(AppValues& app, FrameSink* sink = nullptr);

    AppValues& App() const { return *app_; }
    // The sink must outlive the state or be replaced first; null leaves the state on its own.
    void SetFrameSink(FrameSink* sink) { sink_ = sink; }
    // True while the frames handed to the sink reach the unit.
    bool Connected() const { return sink_ != nullptr && sink_->Connected(); }

    std::int32_t circuitCount = 1;  // 1, 2 or 4
    std::array<ChannelSettings, kChannelCount> channels{};
    std::string firmwareVersion;  // of the connected unit; not saved
    std::array<AutoOutputChannel, kChannelCount> autoOutput{};
    // What the unit reports it runs on its own; only channels 1 and 2 are ever reported.
    std::array<AutoOutputChannel, kChannelCount> unitAutoOutput{};

    // --- Settings sets --------------------------------------------------------------------

    // A fresh settings set for a unit with `count` circuits (1, 2 or 4; anything else is ignored).
    void ResetForCircuitCount(std::int32_t count);
    // Default range, conversion formula and presets of every channel.
    void ResetChannels();
    // Repairs range, decimals and scaled interval of every channel and puts the set-points at
    // their range defaults.
    void NormaliseChannels();
    // Default ramp settings and points of every channel.
    void ResetAutoOutput();
    // Repairs ramp settings and points of every channel.
    void ValidateAutoOutput();
    // Brings the presets of channel `ch` into their ranges and cuts them to the range's decimals.
    void ClampPresets(int ch);

    // Limits of range code `code` for channel `ch`: the codes without limits of their own (4, 8,
    // 9, 13 and above, and anything outside the range table) use the channel's scaled range.
    RangeLimits ChannelRangeLimits(int ch, OutputRange code) const;
    // The range code the channel's values are in: 15 while scaling is on, else its range. Always
    // a row of the per-range tables: a range outside them (only a damaged file can hold one)
    // counts as the scaled range, as every code without limits of its own does.
    OutputRange RangeInEffect(int ch) const;

    // --- Output and status ------------------------------------------------------------------

    // The fields of channel `ch`'s output frame, and the frame ready to send.
    OutputFrameFields OutputFrameFieldsOf(int ch) const;
    std::string BuildOutputFrame(int ch) const;
    // While connected, hands the output frame of channel `ch` to the frame sink and tells the
    // observers; otherwise nothing.
    void SendOutputFrame(int ch);
    // If connected, the output frame of every channel the unit has.
    void SendAllCircuits();
    // Number of channels asked for their status at connect: at least the first, at most four.
    int PolledCircuits() const;
    // Takes a status reply (the whole line, CR LF included) into the channel it names. False,
    // with nothing stored, for a malformed reply.
    bool ParseStatusReply(std::string_view reply);
    // Takes a decoded status reply into the channel it names.
    void ApplyStatusReport(const StatusReport& report);

    // outputCode from outputValue, and back.
    void ValueToCode(int ch);
    void CodeToValue(int ch);
    // Puts the hardware code of the channel's range into bits 0 to 2 of mainControl.
    void RangeToModeBits(int ch);
    // Switches the channel between range units and converted units, keeping the output.
    void SetScalingMode(int ch, bool on);
    // Puts the set-point at the range's resting value and, if connected, sends all circuits.
    void ApplyRangeDefaults(int ch);
    // Answers the unit's request to send everything again.
    void ResendAllOutputs();

    // Text of the lowest fault bit the unit reports for the channel's output stage, or empty.
    std::string StatusText(int ch) const;
    // That lowest fault bit: of the external-supply stage's word (bits 0 to 3) or of the unit's
    // own stage's (bits 0 to 4); nothing while neither reports a fault.
    std::optional<AlarmBit> LowestAlarm(int ch) const;
    bool OutputOn(int ch) const;
    // Switches the channel's output bits on or off (the caller sends the frame).
    void SetOutputOn(int ch, bool on);

    // Takes what the unit reported of channels 1 and 2 into `unitAutoOutput`.
    void ApplyStandaloneModes(const std::array<StandaloneModeReport, 2>& modes);

    // Number of channels the commands that go to "every circuit" address: circuitCount, kept
    // within 0 to 4 so a damaged settings file cannot reach past the channel tables.
    int AddressedCircuits() const;

    // --- Observers --------------------------------------------------------------------------

    // Whoever wants to hear of every output frame sent, every status reply taken and every run
    // state the PC changes (the output log, the trend). The observer must outlive its
    // registration.
    void AddObserver(OutputObserver& observer) { observers_.Add(observer); }
    void RemoveObserver(OutputObserver& observer) { observers_.Remove(observer); }
    // Tells the observers what just happened to channel `ch`.
    void NotifyObservers(int ch, OutputEvent event) const { observers_.Notify(*this, ch, event); }

  private:
    static bool IsChannel(int ch) { return ch >= 0 && ch < kChannelCount; }
    // A channel whose range code the unit does not know goes back to the first range, and the
    // unit hears of it at once.
    void RepairRange(int ch);

    AppValues* app_;
    FrameSink* sink_;
    OutputObservers observers_;
};

}  // namespace krv
