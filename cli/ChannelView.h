#pragma once

// A channel as `krvctl status` shows it, whether the report came from the unit's port or from
// `krvctl serve`.

#include <map>
#include <string>

#include "cli/Json.h"
#include "model/GeneratorState.h"
#include "protocol/StatusReply.h"

namespace krv::cli {

// One channel as the unit reports it, in the panel's terms.
struct ChannelView {
    int channel = 0;  // 1 to 4
    std::string rangeKey;
    unsigned range = 0;
    unsigned code = 0;
    double value = 0.0;
    bool on = false;
    std::string alarm;
    unsigned calibrationMode = 0;
    int standaloneMode = 0;
    int runState = 0;

    bool operator==(const ChannelView&) const = default;
};

// Takes the unit's report of a channel into `state` as the channel's settings, so the model's own
// conversions and texts describe what the unit does.
void AdoptReport(GeneratorState& state, const StatusReport& report);
// As AdoptReport, and the run state as the unit reports it: what the output log records of a
// channel the program only watches.
void AdoptForLog(GeneratorState& state, const StatusReport& report);
// The channel of `report`, taken into `state` first.
ChannelView ViewOf(GeneratorState& state, const StatusReport& report);
// One line of text, or one JSON object, for a channel.
void PrintView(const ChannelView& view);
void WriteView(JsonWriter& json, const ChannelView& view);
// What `status` prints first: firmware, circuits and every channel, as text lines or one JSON
// object on one line.
void PrintSummary(const std::string& firmware, int circuits,
                  const std::map<int, ChannelView>& views, bool json);
// A channel that changed while watching: its text line, or a JSON object on a line of its own.
void PrintChange(const ChannelView& view, bool json);

}  // namespace krv::cli
