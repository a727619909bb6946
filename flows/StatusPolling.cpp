#include "flows/StatusPolling.h"

#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/StatusReply.h"

namespace krv {

bool IsStatusOrAnnouncement(std::string_view line)
{
    return line.size() >= 2 && line[0] == kStx && (line[1] == 'A' || line[1] == 'R');
}

bool CheckUnsolicitedLine(DeviceLink& link, GeneratorState& state)
{
    if (link.ReadLine(LinkKind::Com) != kLineComplete) return false;
    const std::string_view line = link.ReplyLine();
    if (!IsStatusOrAnnouncement(line)) return false;
    if (line[1] == 'A') {
        state.ResendAllOutputs();
    } else {
        state.ParseStatusReply(line);
    }
    return true;
}

void StatusPolling::Start()
{
    pollingEnabled = true;
    pollChannel = 0;
    silentTicks = 0;
    lastRequest_.reset();
}

bool StatusPolling::Tick(DeviceLink& link, const GeneratorState& state, TimePoint now)
{
    if (!pollingEnabled) return false;
    if (lastRequest_ && now - *lastRequest_ < kMinRequestSpacing) return false;
    lastRequest_ = now;
    if (pollChannel < 0 || pollChannel >= state.AddressedCircuits()) pollChannel = 0;
    WriteStatusRequest(link, pollChannel);
    if (++pollChannel >= state.AddressedCircuits()) pollChannel = 0;
    if (++silentTicks >= kLostAfterRequests) {
        silentTicks = 0;
        return true;
    }
    return false;
}

}  // namespace krv
