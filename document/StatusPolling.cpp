#include "document/StatusPolling.h"

#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"

namespace krv {

bool CheckUnsolicitedLine(GeneratorState& state)
{
    DeviceLink& link = state.Link();
    if (link.ReadLine(LinkKind::Com) != kLineComplete) return false;
    const std::string_view line = link.ReplyLine();
    if (line.size() < 2 || line[0] != kStx) return false;
    if (line[1] == 'A') {
        state.ResendAllOutputs();
        return true;
    }
    if (line[1] == 'R') {
        state.ParseStatusReply(line);
        return true;
    }
    return false;
}

bool StatusPolling::Tick(GeneratorState& state)
{
    if (!pollingEnabled) return false;
    state.SendStatusRequest(pollChannel);
    if (++pollChannel >= state.AddressedCircuits()) pollChannel = 0;
    if (++silentTicks >= kLostAfterTicks) {
        silentTicks = 0;
        return true;
    }
    return false;
}

}  // namespace krv
