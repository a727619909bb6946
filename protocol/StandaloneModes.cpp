#include "protocol/StandaloneModes.h"

#include <string>
#include <string_view>

#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"

namespace krv {

std::optional<std::array<StandaloneModeReport, 2>> ReadStandaloneModes(DeviceLink& link)
{
    ExchangeSettings settings;
    settings.link = LinkKind::Com;
    settings.timeout = kShortTimeout;
    settings.resendOnTimeout = true;
    settings.waitCursor = true;

    std::string reply;
    const ExchangeResult result = RunExchange(
        link, settings, CommandFrame::Framed("MS").WithEtx(), [&reply](std::string_view line) {
            if (line.size() < 3 || line[1] != 'M' || line[2] != 'S') return LineVerdict::Ignore;
            reply.assign(line);
            return LineVerdict::Match;
        });
    if (result != ExchangeResult::Success) return std::nullopt;

    // Two digits per channel from byte 3 on.
    auto at = [&reply](std::size_t i) { return i < reply.size() ? reply[i] : '\0'; };
    std::array<StandaloneModeReport, 2> modes{};
    for (std::size_t k = 0; k < modes.size(); ++k) {
        const char mode = at(3 + 2 * k);
        const char state = at(4 + 2 * k);
        if (mode == '1') {
            modes[k] = {1, std::nullopt};
        } else if (mode == '2') {
            modes[k] = {2, state == '1' ? 1 : state == '2' ? 2 : 0};
        } else {
            modes[k] = {0, 0};
        }
    }
    return modes;
}

}  // namespace krv
