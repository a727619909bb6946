#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "model/GeneratorState.h"
#include "platform/Clock.h"

namespace krv {

class DeviceLink;

// True for the lines that show the unit is there: a status reply (STX "R", whether or not it
// decodes) and the unit's request to send everything again (STX "A").
bool IsStatusOrAnnouncement(std::string_view line);

// Takes at most one line the unit sent on its own: a resend request is answered with every
// channel's output frame, a status reply is taken into its channel. True when a status or
// announcement line was taken (even one that did not decode); other lines are dropped. The frames
// go out through the state's frame sink.
bool CheckUnsolicitedLine(DeviceLink& link, GeneratorState& state);

// The round-robin status polling of a connected unit and its watch for a unit that went away, as
// the panel's tick and `krvctl status --watch` both run it.
//
// Ticks come every 50 ms, but those that waited behind a busy moment (an exchange with the unit,
// a slow connect) arrive one after another within a millisecond. Each still runs, yet a status
// request goes out only when the previous one is at least kMinRequestSpacing old: a burst of late
// ticks sends one request, not one per tick, so the replies in flight never outgrow the receive
// ring. Silence is counted in requests the unit left unanswered, not in ticks, so a block of any
// length costs at most one count, while a unit that stops answering is still noticed after 100
// requests, 5 s of regular ticks.
class StatusPolling {
  public:
    static constexpr int kLostAfterRequests = 100;                      // 5 s of 50 ms ticks
    static constexpr std::chrono::milliseconds kMinRequestSpacing{25};  // half a tick

    bool pollingEnabled = false;  // status requests go out on the tick
    int pollChannel = 0;          // channel asked next
    int silentTicks = 0;          // requests sent since the unit last sent a status or
                                  // announcement line

    // One tick at `now` while connected: asks the next channel for its status when polling is
    // enabled and the last request is not too recent. True when the unit has now left
    // kLostAfterRequests requests unanswered (the count starts over; the caller disconnects and
    // says so).
    bool Tick(DeviceLink& link, const GeneratorState& state, TimePoint now);

    // The unit sent a status or announcement line.
    void Heard() { silentTicks = 0; }

    // Starts polling afresh (a successful connect): channel 1 first, no silence counted.
    void Start();
    // Stops polling (disconnect).
    void Stop() { pollingEnabled = false; }

  private:
    std::optional<TimePoint> lastRequest_;
};

}  // namespace krv
