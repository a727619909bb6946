// Which standalone mode the unit runs channels 1 and 2 in.
#include "document/GeneratorState.h"
#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"

namespace krv {

bool GeneratorState::QueryStandaloneModes()
{
    ExchangeSettings settings;
    settings.link = LinkKind::Com;
    settings.timeout = kShortTimeout;
    settings.resendOnTimeout = true;
    settings.waitCursor = true;

    std::string reply;
    const ExchangeResult result = RunExchange(
        *link_, settings, CommandFrame::Framed("MS").WithEtx(), [&reply](std::string_view line) {
            if (line.size() < 3 || line[1] != 'M' || line[2] != 'S') return LineVerdict::Ignore;
            reply.assign(line);
            return LineVerdict::Match;
        });
    if (result != ExchangeResult::Success) return false;

    // Two digits per channel from byte 3 on; a short line reads as "no standalone mode".
    auto at = [&reply](std::size_t i) { return i < reply.size() ? reply[i] : '\0'; };
    for (int k = 0; k < 2; ++k) {
        const char mode = at(3 + 2 * k);
        const char state = at(4 + 2 * k);
        AutoOutputChannel& unit = unitAutoOutput[k];
        if (mode == '1') {
            unit.standaloneMode = kStandaloneFixed;  // the run state stays as it was
        } else if (mode == '2') {
            unit.standaloneMode = kStandaloneAuto;
            unit.runState = state == '1' ? 1 : state == '2' ? 2 : 0;
        } else {
            unit.standaloneMode = kStandaloneOff;
            unit.runState = 0;
        }
    }
    return true;
}

}  // namespace krv
