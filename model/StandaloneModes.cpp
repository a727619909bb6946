// Which standalone mode the unit runs channels 1 and 2 in.
#include "protocol/StandaloneModes.h"
#include "model/GeneratorState.h"

namespace krv {

void GeneratorState::ApplyStandaloneModes(const std::array<StandaloneModeReport, 2>& modes)
{
    for (std::size_t k = 0; k < modes.size(); ++k) {
        AutoOutputChannel& unit = unitAutoOutput[k];
        unit.standaloneMode = modes[k].mode;
        // A fixed value leaves the run state as it was.
        if (modes[k].runState) unit.runState = *modes[k].runState;
    }
}

}  // namespace krv
