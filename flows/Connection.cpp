#include "flows/Connection.h"

#include "link/DeviceLink.h"
#include "protocol/Identification.h"
#include "protocol/StandaloneModes.h"
#include "protocol/StatusReply.h"

namespace krv {

namespace {

void Warn(UserInterface& ui, const char* text)
{
    ui.ShowMessage(TrMarked("Connection", text), kCaptionWarning, MessageIcon::Warning,
                   MessageButtons::Ok);
}

ConnectOutcome Fail(DeviceLink& link, UserInterface& ui)
{
    if (link.IsOpen()) link.ClosePort();
    Warn(ui, kCannotConnect);
    return ConnectOutcome::Failed;
}

}  // namespace

ConnectOutcome ConnectToUnit(DeviceLink& link, GeneratorState& state, const std::string& portName,
                             UserInterface& ui, const ConnectOptions& options)
{
    if (link.IsOpen()) link.ClosePort();
    link.SetPortName(portName);
    // Right after a firmware update or a restart over the bridge, its port may not be back yet.
    if (!link.OpenReturningPort()) return ConnectOutcome::PortUnavailable;
    if (!ui.ProcessPendingEvents()) return ConnectOutcome::Quit;

    std::string version;
    if (!QueryVersion(link, LinkKind::Com, version)) return Fail(link, ui);
    state.firmwareVersion = version;
    if (VersionNumber(version) < VersionNumber(kRequiredFirmware)) {
        Warn(ui, kUpdateFirmware);
        return ConnectOutcome::FirmwareTooOld;
    }
    if (!ui.ProcessPendingEvents()) return ConnectOutcome::Quit;

    const int circuits = QueryCircuitCount(link);
    if (circuits < 0) return Fail(link, ui);
    if (circuits != state.circuitCount) {
        if (options.takeOverOutputs) Warn(ui, kCircuitCountChanged);
        state.circuitCount = circuits;
        if (options.takeOverOutputs) state.ResetForCircuitCount(circuits);
        if (options.circuitCountChanged) options.circuitCountChanged();
    }

    QueryStandaloneModes(link, state);
    bool statusRead = false;
    {
        WaitCursor cursor(ui);
        statusRead = PollStatus(link, state);
    }
    if (!statusRead) {
        Warn(ui, kStatusCheckFailed);
        return ConnectOutcome::StatusFailed;
    }

    state.App().lastPortName = link.PortName();
    link.OpenPort();
    if (options.takeOverOutputs) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            state.RangeToModeBits(ch);
            state.ValueToCode(ch);
        }
        state.SendAllCircuits();
    }
    return ConnectOutcome::Connected;
}

bool QueryStandaloneModes(DeviceLink& link, GeneratorState& state)
{
    const auto modes = ReadStandaloneModes(link);
    if (!modes) return false;
    state.ApplyStandaloneModes(*modes);
    return true;
}

bool PollStatus(DeviceLink& link, GeneratorState& state)
{
    if (!link.IsOpen()) link.OpenPort();
    for (int ch = 0; ch < state.PolledCircuits(); ++ch) {
        const std::optional<StatusReport> report = ExchangeStatus(link, ch);
        if (!report) return false;
        state.ApplyStatusReport(*report);
    }
    return true;
}

void DisconnectFromUnit(DeviceLink& link, GeneratorState& state)
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (state.unitAutoOutput[ch].standaloneMode != kStandaloneOff) continue;
        state.SetOutputOn(ch, false);
        if (link.IsOpen()) state.SendOutputFrame(ch);
    }
    if (link.IsOpen()) link.ClosePort();
}

void ReleaseUnitForFirmwareUpdate(DeviceLink& link, GeneratorState& state)
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        state.SetOutputOn(ch, false);
        if (link.IsOpen()) state.SendOutputFrame(ch);
    }
    if (link.IsOpen()) link.ClosePort();
}

}  // namespace krv
