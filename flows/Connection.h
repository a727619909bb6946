#pragma once

#include <functional>
#include <string>

#include "model/GeneratorState.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

enum class ConnectOutcome {
    Connected,
    PortUnavailable,  // the port could not be opened (the link said so)
    Failed,           // no answer to VER or CH: "接続できません。", port closed
    FirmwareTooOld,   // the port stays open
    StatusFailed,     // the port stays open
    Quit,             // the application is quitting
};

struct ConnectOptions {
    // Called after the unit's circuit count replaced the document's, to lay the panel out again.
    std::function<void()> circuitCountChanged;
    // The panel takes the unit's outputs over: another circuit count is announced and resets the
    // document's channels (which sends them), and at the end every channel's output is sent so the
    // unit follows the document. A tool that only looks at the unit, or changes one channel, turns
    // this off: then only the circuit count is taken and no output is touched.
    bool takeOverOutputs = true;
};

// Every function here drives the unit over `link`; the state's frame sink must send over the same
// link (LinkFrameSink), so the outputs it sends reach the unit that was asked.

// Connects to the unit on port `portName`: opens the port, identifies the unit (the firmware must
// be at least 020000), adopts its circuit count, reads its standalone modes and the status of every
// channel and, unless told otherwise, sends every channel's output. Messages go to `ui`.
ConnectOutcome ConnectToUnit(DeviceLink& link, GeneratorState& state, const std::string& portName,
                             UserInterface& ui, const ConnectOptions& options = {});

// Asks the unit which standalone mode channels 1 and 2 run in and takes the answer into the
// state. False, with nothing changed, when the unit does not answer.
bool QueryStandaloneModes(DeviceLink& link, GeneratorState& state);

// Connect-time status exchange for every channel of the unit (opening the port if needed). False
// when a channel did not answer acceptably after its fourth try; the channels after it are not
// asked.
bool PollStatus(DeviceLink& link, GeneratorState& state);

// Switches off every output the PC drives (channels the unit runs on its own keep theirs) and
// closes the port.
void DisconnectFromUnit(DeviceLink& link, GeneratorState& state);

// Before the unit is reprogrammed: switches off the output of every channel, also of those the
// unit runs on its own, and closes the port. The port is left closed.
void ReleaseUnitForFirmwareUpdate(DeviceLink& link, GeneratorState& state);

// Messages of the connection.
// Shown translated (krv::TrMarked, context "Connection").
inline constexpr const char* kCannotConnect = KRV_TRANSLATE_NOOP("Connection", "接続できません。");
inline constexpr const char* kUpdateFirmware =
    KRV_TRANSLATE_NOOP("Connection", "KRVのファームウェアを最新版に更新してください。");
inline constexpr const char* kCircuitCountChanged =
    KRV_TRANSLATE_NOOP("Connection", "表示回路数を切替ます。");
inline constexpr const char* kStatusCheckFailed =
    KRV_TRANSLATE_NOOP("Connection", "状態確認に失敗しました。");
inline constexpr const char* kCaptionWarning = KRV_TRANSLATE_NOOP("Caption", "警告");

}  // namespace krv
