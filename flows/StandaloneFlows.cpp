#include "flows/StandaloneFlows.h"

#include "platform/Translate.h"
#include "protocol/StandaloneMemory.h"
#include "protocol/StandaloneModes.h"

namespace krv {

namespace {

// A message or status of the flows, in the program's language.
std::string StandaloneFlowsText(const char* marked)
{
    return TrMarked("StandaloneFlows", marked);
}

// The job a standalone flow runs as: its reports, messages and cancel request are the flow
// context's.
JobContext JobOf(FlowContext& context)
{
    return JobContext(context.link, context.ui, context.progress, context.cancel, kCaptionNotice);
}

// Loads the three areas back into the unit's buffer and reads it (the read-back's point table is
// cleared first).
FlowOutcome LoadAndReadBack(JobContext& steps, StandaloneImage& readBack)
{
    static constexpr const char* kLoading[] = {
        KRV_TRANSLATE_NOOP("StandaloneFlows", "データ読出中1"),
        KRV_TRANSLATE_NOOP("StandaloneFlows", "データ読出中2"),
        KRV_TRANSLATE_NOOP("StandaloneFlows", "データ読出中3")};
    static constexpr int kLoaded[] = {60, 65, 70};
    for (int area = 0; area < kMemoryAreaCount; ++area) {
        if (!steps.GoOn()) return FlowOutcome::Cancelled;
        steps.SetStatus(StandaloneFlowsText(kLoading[area]));
        // The buffer of an area that did not load still holds what was stored into it last, which
        // after a write is the very image to compare with: reading it back would prove nothing.
        if (!LoadMemoryArea(steps.Link(), area)) {
            steps.Message(StandaloneFlowsText(kReadBackError));
            return FlowOutcome::Failed;
        }
        steps.SetProgress(kLoaded[area]);
    }
    if (!steps.GoOn()) return FlowOutcome::Cancelled;
    steps.SetStatus(Tr("StandaloneFlows", "データ読出中4"));
    readBack.ClearPoints();
    if (!ReadBackMemory(steps.Link(), readBack.bytes)) {
        steps.Message(StandaloneFlowsText(kReadBackError));
        return FlowOutcome::Failed;
    }
    steps.SetProgress(90);
    return FlowOutcome::Succeeded;
}

FlowOutcome Compare(JobContext& steps, const StandaloneImage& image,
                    const StandaloneImage& readBack)
{
    const int code = CompareStandaloneImage(image, readBack);
    if (code != kImageSame) {
        steps.Message(StandaloneFlowsText(kCompareError) + ImageItemName(code));
        return FlowOutcome::Failed;
    }
    steps.SetProgress(90);
    return FlowOutcome::Succeeded;
}

StandaloneImage ImageOf(const StandaloneSource& source)
{
    return BuildStandaloneImage(source.state, source.fixedValues, source.linked);
}

}  // namespace

FlowOutcome RunStandaloneWrite(FlowContext& context, const StandaloneSource& source,
                               StandaloneImage& readBack)
{
    JobContext steps = JobOf(context);
    if (const auto refusal = StandalonePointCountRefusal(source.state)) {
        steps.Message(*refusal);
        return FlowOutcome::Refused;
    }
    const StandaloneImage image = ImageOf(source);
    DeviceLink& link = context.link;

    steps.SetStatus(Tr("StandaloneFlows", "消去中"));
    static constexpr int kErased[] = {5, 10, 15};
    for (int area = 0; area < kMemoryAreaCount; ++area) {
        if (!steps.GoOn()) return FlowOutcome::Cancelled;
        if (const int code = EraseMemoryArea(link, area); code != kDeviceNoError) {
            steps.Message(MemoryRefusalText(code) + StandaloneFlowsText(kEndsHere));
            return FlowOutcome::Failed;
        }
        steps.SetProgress(kErased[area]);
    }

    steps.SetStatus(Tr("StandaloneFlows", "データ転送中"));
    static constexpr int kStored[] = {20, 30, 40};
    for (int area = 0; area < kMemoryAreaCount; ++area) {
        if (!steps.GoOn()) return FlowOutcome::Cancelled;
        const StoreOutcome outcome = StoreMemoryBlock(link, area, image.bytes);
        if (outcome == StoreOutcome::Failed) {
            // The unit stopped acknowledging: writing a half-filled buffer would only fail later.
            steps.Message(DeviceErrorText(kDeviceTimeout) + StandaloneFlowsText(kEndsHere));
            return FlowOutcome::Failed;
        }
        steps.SetProgress(kStored[area]);
        if (outcome == StoreOutcome::DataEnded) break;
    }

    static constexpr const char* kWriting[] = {
        KRV_TRANSLATE_NOOP("StandaloneFlows", "データ書込中1"),
        KRV_TRANSLATE_NOOP("StandaloneFlows", "データ書込中2"),
        KRV_TRANSLATE_NOOP("StandaloneFlows", "データ書込中3")};
    static constexpr int kWritten[] = {45, 50, 55};
    for (int area = 0; area < kMemoryAreaCount; ++area) {
        if (!steps.GoOn()) return FlowOutcome::Cancelled;
        steps.SetStatus(StandaloneFlowsText(kWriting[area]));
        // A refusal ends the write here. An unanswered write is left to the read-back: the unit
        // may have written the area all the same, and a load from an area it did not write fails
        // the comparison.
        if (const int code = WriteMemoryArea(link, area);
            code != kDeviceNoError && code != kDeviceTimeout) {
            steps.Message(MemoryRefusalText(code) + StandaloneFlowsText(kEndsHere));
            return FlowOutcome::Failed;
        }
        steps.SetProgress(kWritten[area]);
    }

    if (const FlowOutcome read = LoadAndReadBack(steps, readBack); read != FlowOutcome::Succeeded) {
        return read;
    }
    if (const FlowOutcome same = Compare(steps, image, readBack); same != FlowOutcome::Succeeded) {
        return same;
    }
    if (!steps.GoOn()) return FlowOutcome::Cancelled;
    if (!MoveMemoryImage(link)) {
        steps.Message(StandaloneFlowsText(kImageMoveError));
        return FlowOutcome::Failed;
    }
    steps.SetProgress(100);

    // The unit has the new image in use; what follows only restarts it, so it always runs on.
    steps.SetStatus(Tr("StandaloneFlows", "書込完了"));
    steps.Message(StandaloneFlowsText(kWriteDone));
    if (link.IsOpen()) link.ClosePort();
    steps.SetStatus(Tr("StandaloneFlows", "再起動中"));
    const bool restarted =
        context.restartUnit ? context.restartUnit(link) : RestartUnitOverBridge(link);
    if (!restarted) steps.Message(StandaloneFlowsText(kRestartByHand));
    if (link.FtdiPort().IsFtdiOpen()) link.FtdiPort().CloseFtdiDevice();
    // The port's own message says when it did not come back.
    const bool reopened = link.OpenPortWithin(context.portReturnBudget);
    if (!restarted || !reopened) return FlowOutcome::RestartFailed;
    // The restarted unit asks for every channel's output as soon as it is up. Answered by a host
    // that still believes the unit's channels are its own, that request would stop the
    // automatic output just written; so the flow ends only once the unit has answered, the
    // request having been passed over on the way.
    if (!AwaitUnitStart(link, context.unitStartBudget)) {
        steps.Message(StandaloneFlowsText(kUnitSilentAfterRestart));
        return FlowOutcome::RestartFailed;
    }
    // Only now: the status stays at the restart while the unit is not back.
    steps.SetStatus(Tr("StandaloneFlows", "正常終了"));
    return FlowOutcome::Succeeded;
}

FlowOutcome RunStandaloneVerify(FlowContext& context, const StandaloneSource& source,
                                StandaloneImage& readBack)
{
    JobContext steps = JobOf(context);
    const StandaloneImage image = ImageOf(source);
    if (const FlowOutcome read = LoadAndReadBack(steps, readBack); read != FlowOutcome::Succeeded) {
        return read;
    }
    if (const FlowOutcome same = Compare(steps, image, readBack); same != FlowOutcome::Succeeded) {
        return same;
    }
    steps.SetStatus(Tr("StandaloneFlows", "照合完了"));
    steps.Message(StandaloneFlowsText(kVerifyDone));
    return FlowOutcome::Succeeded;
}

FlowOutcome ReadStandaloneImage(FlowContext& context, StandaloneImage& readBack)
{
    JobContext steps = JobOf(context);
    return LoadAndReadBack(steps, readBack);
}

bool AwaitUnitStart(DeviceLink& link, std::chrono::milliseconds budget)
{
    const TimePoint deadline = Now() + budget;
    do {
        // Each try is a whole exchange (four periods): lines the unit sends before its answer
        // are passed over.
        if (ReadStandaloneModes(link)) return true;
        if (!link.Ui().ProcessPendingEvents()) return false;
    } while (Now() < deadline);
    return false;
}

bool RestartUnitOverBridge(DeviceLink& link)
{
    CFtdiPort& bridge = link.FtdiPort();
    if (!bridge.IsFtdiOpen() && !bridge.OpenFtdiDevice()) return false;
    // A pulse on the bridge's CBUS pins (levels 0x31 and 0x30, 200 ms each, then bit-bang off and
    // 200 ms to settle); the window keeps painting meanwhile.
    bridge.SetFtdiBitMode();
    return true;
}

}  // namespace krv
