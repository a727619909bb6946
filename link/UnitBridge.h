#pragma once

namespace krv {

// The USB description of the unit's bridge: how the unit is told apart from other devices on the
// same chip, and what the virtual unit's simulated bridge calls itself.
inline constexpr const char* kUnitBridgeDescription = "Holvik KRV FT230X";

}  // namespace krv
