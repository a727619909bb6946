#pragma once

#include <optional>
#include <string>

#include "link/DeviceLink.h"
#include "model/GeneratorState.h"
#include "platform/Translate.h"
#include "platform/UserInterface.h"
#include "protocol/Calibration.h"

namespace krv {

// Reads the maker and the user calibration of every named range of the first `circuits`
// channels from the unit into the document's tables, in code order, letting pending events of `ui`
// (if given) run between the ranges. Stops at the first read that fails and returns false.
bool ReadUnitCalibration(DeviceLink& link, GeneratorState& state, int circuits,
                         UserInterface* ui = nullptr);
// The same over `link` into `tables`. Also ends with false, before the next range, once `ui`
// answers that the program is stopping.
bool ReadUnitCalibration(DeviceLink& link, const CalibrationTables& tables, int circuits,
                         UserInterface* ui = nullptr);

// The unit information text from what the document holds: firmware version, circuit count and
// the calibration table of the first `circuits` channels. Lines end in CR LF.
std::string FormatUnitInformation(const GeneratorState& state, int circuits);

// Reads the unit's calibration and builds the text, letting pending events run meanwhile. A failed
// read shows "通信エラーが発生しました" and gives nothing.
std::optional<std::string> BuildUnitInformation(DeviceLink& link, GeneratorState& state,
                                                int circuits, UserInterface& ui);

inline constexpr const char* kCommunicationError =
    KRV_TRANSLATE_NOOP("UnitInformation", "通信エラーが発生しました");

}  // namespace krv
