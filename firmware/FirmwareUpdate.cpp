#include "firmware/FirmwareUpdate.h"

#include "firmware/CalibrationBackup.h"
#include "firmware/ProgramUnit.h"
#include "flows/StandaloneFlows.h"
#include "model/CalibrationValues.h"
#include "platform/Translate.h"
#include "protocol/Calibration.h"

namespace krv {

namespace {

// A message or status of the update, in the program's language.
std::string FirmwareUpdateText(const char* marked)
{
    return TrMarked("FirmwareUpdate", marked);
}

}  // namespace

namespace {

class Update {
  public:
    Update(FirmwareContext& context, GeneratorState& state, const FirmwareUpdateRequest& request)
        : context_(context), state_(state), link_(context.Link()), request_(request)
    {
    }
    // The end step, whatever happened: neither link stays open.
    ~Update()
    {
        link_.FtdiPort().CloseFtdiDevice();
        link_.ClosePort();
    }
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

    FirmwareUpdateResult Run();

  private:
    FirmwareUpdateResult Finish(FirmwareUpdateOutcome outcome, const std::string& message = {})
    {
        context_.SetStatus(FirmwareUpdateText(kStatusCancelled));
        if (!message.empty()) context_.Message(message);
        result_.outcome = outcome;
        return result_;
    }
    FirmwareUpdateResult Refuse(const std::string& message)
    {
        return Finish(FirmwareUpdateOutcome::Refused, message);
    }
    FirmwareUpdateResult Fail(const std::string& message = {})
    {
        return Finish(FirmwareUpdateOutcome::Failed, message);
    }
    // Whether the unit's backup in `folder` reads whole and holds other than start values.
    bool BackupHoldsCalibration(const std::filesystem::path& folder) const
    {
        GeneratorState earlier = state_;
        ClearCalibrationTables(earlier);
        return LoadCalibrationBackup(earlier, folder, result_.unitSerial, state_.circuitCount) ==
                   kBackupRead &&
               !HoldsOnlyStartValues(earlier, state_.circuitCount);
    }
    // Steps 10 to 13: restart, write the calibration back, store it, restart. False at the first
    // write or store the unit does not acknowledge.
    bool RestoreCalibration();

    FirmwareContext& context_;
    GeneratorState& state_;
    DeviceLink& link_;
    const FirmwareUpdateRequest& request_;
    FirmwareUpdateResult result_;
};

FirmwareUpdateResult Update::Run()
{
    // 1. Exactly one unit.
    link_.ClosePort();
    CFtdiPort& bridge = link_.FtdiPort();
    const int units = bridge.ListFtdiDevices();
    if (units == 0) return Refuse(FirmwareUpdateText(kNoUnit));
    if (units > 1) return Refuse(FirmwareUpdateText(kSeveralUnits));

    // 2. Its serial number: the circuit count, and the backup file's name.
    const std::string serial = bridge.CurrentUnit().serialNumber;
    result_.unitSerial = serial;
    const SerialCircuits circuits = CircuitsFromSerial(serial);
    if (circuits.messageNumber != 0) {
        return Refuse(
            FirmwareUpdateText(circuits.messageNumber == 1 ? kSerialMessage1 : kSerialMessage2) +
            serial);
    }
    state_.circuitCount = circuits.circuits;
    const std::filesystem::path folder =
        request_.backupFolder.empty() ? CalibrationBackupFolder() : request_.backupFolder;
    result_.backupFile = CalibrationBackupPath(folder, serial);

    // 3. A file to program, whole: nothing has been sent to the unit yet.
    if (request_.firmwareFile.empty()) return Refuse(FirmwareUpdateText(kNoFileChosen));
    if (const std::string refusal = CheckFirmwareFileForUpdate(request_.firmwareFile);
        !refusal.empty()) {
        return Refuse(refusal);
    }

    // 4. The unit's calibration.
    context_.SetStatus(Tr("FirmwareUpdate", "本体補正データ受信中"));
    ClearCalibrationTables(state_);
    const int channels = state_.circuitCount;
    bool fromUnit = true;
    if (ReceiveUnitCalibration(link_, state_, channels, context_.Ui()) != 0) {
        if (!context_.AskOk(FirmwareUpdateText(kAskUseFileAfterReadFailure), MessageIcon::Warning))
            return Fail();
        fromUnit = false;
    }

    // 5. Checked, 6. saved.
    if (fromUnit) {
        context_.SetStatus(Tr("FirmwareUpdate", "補正データチェック中"));
        if (CheckCalibrationModes(state_, channels) != 0) {
            if (!context_.AskOk(FirmwareUpdateText(kAskUseFileAfterBadData), MessageIcon::Warning))
                return Fail();
            fromUnit = false;
        }
    }
    // A unit whose flash was erased by an update that stopped half-way may read as start values
    // with valid modes. Saved, they would take the place of the backup that holds the unit's
    // real calibration, and go back into the unit for good.
    if (fromUnit && HoldsOnlyStartValues(state_, channels) && BackupHoldsCalibration(folder)) {
        if (!context_.AskOk(FirmwareUpdateText(kAskUseFileAfterStartValues), MessageIcon::Warning))
            return Fail();
        fromUnit = false;
    }
    const GeneratorState fromTheUnit = state_;
    if (fromUnit && !SaveCalibrationBackup(state_, folder, serial, nullptr, &result_.keptBackup)) {
        return Fail(FirmwareUpdateText(kCannotSaveBackup));
    }

    // 7. The backup file is what goes back into the unit.
    context_.SetStatus(Tr("FirmwareUpdate", "補正ファイル読込み中"));
    ClearCalibrationTables(state_);
    const int loaded = LoadCalibrationBackup(state_, folder, serial, channels);
    if (loaded == kBackupCannotOpen) return Fail(FirmwareUpdateText(kCannotReadBackup) + serial);
    if (loaded != kBackupRead) return Fail(FirmwareUpdateText(kBadBackup) + serial);
    // What the file gives back must be what the unit gave: the file is the copy the unit's
    // calibration is restored from.
    if (fromUnit && !SameBackedUpCalibration(fromTheUnit, state_, channels)) {
        return Fail(FirmwareUpdateText(kBackupDiffersFromUnit) + serial);
    }

    // 8.
    context_.SetStatus(Tr("FirmwareUpdate", "補正ファイル検証中"));
    if (CheckCalibrationModes(state_, channels) != 0) {
        return Fail(FirmwareUpdateText(kBadBackupData) + serial);
    }

    // 9. A failure from the erasure on names the backup the next run will need.
    context_.SetErasedNote(ErasedUnitNote(result_.backupFile));
    const bool programmed = ProgramUnit(context_, request_.firmwareFile);
    result_.unitErased = context_.UnitErased();
    if (!programmed) return Fail();

    if (!RestoreCalibration()) {
        context_.SetStatus(FirmwareUpdateText(kStatusCalibrationNotRestored));
        context_.Message(FirmwareUpdateText(kCalibrationNotRestored) + result_.backupFile.string() +
                         Tr("FirmwareUpdate", "\nメーカーに連絡してください\nシリアル番号:") +
                         serial);
        result_.outcome = FirmwareUpdateOutcome::CalibrationNotRestored;
        return result_;
    }

    // 14.
    context_.Message(FirmwareUpdateText(kUpdateDone));
    context_.SetStatus(FirmwareUpdateText(kStatusUpdateDone));
    result_.outcome = FirmwareUpdateOutcome::Succeeded;
    return result_;
}

bool Update::RestoreCalibration()
{
    // 10.
    context_.SetStatus(Tr("FirmwareUpdate", "更新後リセット中"));
    RestartUnitOverBridge(link_);

    // 11. Each write must be acknowledged: a unit that stays silent would otherwise lose its
    // calibration while the update reported success.
    context_.SetStatus(Tr("FirmwareUpdate", "補正データ転送中"));
    const CalibrationTables tables = CalibrationTablesOf(state_);
    bool restored = true;
    for (int ch = 0; restored && ch < state_.circuitCount; ++ch) {
        for (OutputRange code = 0; restored && code < kRangeTableSize; ++code) {
            restored = WriteCalibration(link_, LinkKind::Ftdi, ch, code, kMakerTable, tables) &&
                       WriteCalibration(link_, LinkKind::Ftdi, ch, code, kUserTable, tables);
        }
    }

    // 12.
    if (restored) {
        context_.SetStatus(Tr("FirmwareUpdate", "補正データ書込中"));
        restored = SaveCalibration(link_, LinkKind::Ftdi, kMakerTable) &&
                   SaveCalibration(link_, LinkKind::Ftdi, kUserTable);
    }

    // 13. Also after a failure: the unit then starts from what it has stored.
    context_.SetStatus(Tr("FirmwareUpdate", "補正データ書込後リセット中"));
    RestartUnitOverBridge(link_);
    return restored;
}

}  // namespace

SerialCircuits CircuitsFromSerial(const std::string& serial)
{
    if (!IsSafeBackupSerial(serial)) return {0, 1};
    const std::string digit = serial.size() >= 3 ? serial.substr(2, 1) : std::string();
    long value = 0;
    if (!ReadWholeInteger(digit, value)) return {0, 1};
    if (value != 1 && value != 2) return {0, 2};
    return {static_cast<int>(value), 0};
}

std::string CheckFirmwareFileForUpdate(const std::filesystem::path& file)
{
    const FirmwareFileCheck check = CheckFirmwareFile(file);
    if (check.Usable()) return {};
    return check.fault == FirmwareFault::CannotOpen ? TrMarked("ProgramUnit", kCannotOpenFile)
                                                    : FirmwareFileRefusal(check);
}

FirmwareUpdateResult RunFirmwareUpdate(FirmwareContext& context, GeneratorState& state,
                                       const FirmwareUpdateRequest& request)
{
    Update update(context, state, request);
    return update.Run();
}

}  // namespace krv
