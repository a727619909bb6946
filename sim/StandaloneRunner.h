#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "protocol/StandaloneImage.h"

namespace krv::sim {

// What a channel the unit runs by itself puts out now.
struct RunnerOutput {
    std::uint8_t range = 0;
    std::uint16_t code = 0;
    bool external = false;  // the external-supply stage carries the output
    std::uint8_t runState = 0;
};

// Channels 1 and 2 running without the PC, as the image in use says after a power-on: a fixed
// value, or a sawtooth, triangle or point list stepped on the unit's own clock. The host may
// start, pause and stop an automatic output through the run state of its output frames.
class StandaloneRunner {
  public:
    using Time = std::chrono::steady_clock::time_point;
    static constexpr int kChannels = kStandaloneChannelCount;

    // Takes `image` into use at power-on `now`: automatic outputs start running.
    void Start(const StandaloneImage& image, Time now);
    // No image in use: the host drives every channel.
    void Clear();

    // 0 none (the host drives it), 1 fixed value, 2 automatic output. Index 0 or 1; others 0.
    int Mode(int k) const;
    RunnerOutput Output(int k) const;
    // Run state from the host: 1 runs (from the start after a stop, on after a pause), 2 pauses,
    // 0 stops. Only automatic outputs take it.
    void SetRunState(int k, int run, Time now);

    // When the next step is due; Time::max() while nothing runs.
    Time NextDue() const;
    // Steps every running output whose step is due, once: a late call does not replay the steps it
    // missed. Returns whether an output or run state changed.
    bool Advance(Time now);

    // Steps taken by channel k since it last started (for tests and demos).
    std::uint64_t Steps(int k) const;

  private:
    struct Channel {
        StandaloneChannelRecord record{};
        std::vector<StandalonePointEntry> points;  // the channel's own, at most 256
        int mode = 0;
        int run = 0;
        double value = 0.0;
        bool scaled = false;  // value is in the conversion formula's units
        std::size_t point = 0;
        bool descending = false;
        std::int64_t cycles = 0;
        Time due = Time::max();
        std::uint64_t steps = 0;
    };

    static void Begin(Channel& c, Time now);
    static void Step(Channel& c, Time now);
    static void EndCycle(Channel& c);
    static std::chrono::milliseconds Interval(std::int32_t hundredths);
    static std::chrono::milliseconds CurrentInterval(const Channel& c);

    std::array<Channel, kChannels> channels_{};
};

}  // namespace krv::sim
