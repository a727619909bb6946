#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "flows/JobContext.h"
#include "link/DeviceLink.h"
#include "model/GeneratorState.h"
#include "model/StandaloneImageBuilder.h"
#include "platform/Translate.h"
#include "platform/UserInterface.h"

namespace krv {

// The write and verify of the standalone settings: the steps, their status texts and progress
// values, and their messages. The setup dialog, krvctl and the tests all run these.

// A USB serial port reappears some time after its bridge was driven directly (the driver has to
// take the bridge back and the device node to be made again); a second or two is usual.
inline constexpr std::chrono::milliseconds kPortReturnBudget = DeviceLink::kPortReturnBudget;

// A unit starts within a second; one that has not answered after this is taken as not started.
inline constexpr std::chrono::milliseconds kUnitStartBudget{10000};

struct FlowContext {
    DeviceLink& link;
    UserInterface& ui;  // messages, and pending events between the steps
    FlowProgress progress{};
    // When set, the flow ends at the next step boundary before it has the unit take a new image
    // into use; a flow asked to stop that way shows nothing.
    std::atomic<bool>* cancel = nullptr;
    // Restarts the unit after a write; false when it cannot. Empty: RestartUnitOverBridge.
    std::function<bool(DeviceLink&)> restartUnit{};
    // How long the serial port may take to come back after the restart.
    std::chrono::milliseconds portReturnBudget = kPortReturnBudget;
    // How long the restarted unit may take until it answers.
    std::chrono::milliseconds unitStartBudget = kUnitStartBudget;
};

enum class FlowOutcome {
    Succeeded,
    Refused,    // too many points: nothing was sent
    Failed,     // a step failed and said so
    Cancelled,  // stopped between two steps
    // The unit took the new image into use, but it could not be restarted, or its serial port
    // did not come back afterwards; the flow has said which.
    RestartFailed,
};

// What the image is built from: channels 1 and 2 of `state` (their standalone modes already
// chosen), the fixed output values, and whether the automatic outputs run linked.
struct StandaloneSource {
    const GeneratorState& state;
    std::array<float, kStandaloneChannelCount> fixedValues{};
    bool linked = false;
};

// Erase, transfer, write, read back, compare, take into use, restart. `readBack` is the caller's
// and keeps what the unit sent.
FlowOutcome RunStandaloneWrite(FlowContext& context, const StandaloneSource& source,
                               StandaloneImage& readBack);
// Load, read back, compare.
FlowOutcome RunStandaloneVerify(FlowContext& context, const StandaloneSource& source,
                                StandaloneImage& readBack);
// Loads the three areas and reads the unit's image back, without comparing. Shows
// "データ読出エラー" when the read fails.
FlowOutcome ReadStandaloneImage(FlowContext& context, StandaloneImage& readBack);

// Waits until the unit answers a standalone-mode query, for about `budget` at least (whole
// queries of four tries each). False when it stays silent or the user interface asks to stop.
bool AwaitUnitStart(DeviceLink& link, std::chrono::milliseconds budget);

// Restarts the unit through its USB bridge. False when no bridge can be reached; the caller then
// asks the user to restart the unit by hand.
bool RestartUnitOverBridge(DeviceLink& link);

// Messages of the flows.
inline constexpr const char* kEndsHere = KRV_TRANSLATE_NOOP("StandaloneFlows", "、終了します");
inline constexpr const char* kReadBackError =
    KRV_TRANSLATE_NOOP("StandaloneFlows", "データ読出エラー");
inline constexpr const char* kCompareError = KRV_TRANSLATE_NOOP("StandaloneFlows", "照合エラー ");
inline constexpr const char* kImageMoveError =
    KRV_TRANSLATE_NOOP("StandaloneFlows", "ImageMoveエラー");
// Printed by krvctl to standard output after a successful write (krvctl knows it by the flow's
// outcome and by this text in the language shown).
inline constexpr const char* kWriteDone =
    KRV_TRANSLATE_NOOP("StandaloneFlows", "書込み正常終了、再起動します");
inline constexpr const char* kVerifyDone = KRV_TRANSLATE_NOOP("StandaloneFlows", "照合結果：一致");
inline constexpr const char* kUnitSilentAfterRestart = KRV_TRANSLATE_NOOP(
    "StandaloneFlows", "発生器が再起動後に応答しません。発生器の電源を入れ直してください。");
inline constexpr const char* kRestartByHand = KRV_TRANSLATE_NOOP(
    "StandaloneFlows", "発生器を自動で再起動できませんでした。発生器の電源を入れ直してください。");

}  // namespace krv
