#pragma once

#include <filesystem>
#include <string>

#include "firmware/FirmwareContext.h"
#include "model/GeneratorState.h"
#include "platform/Translate.h"

namespace krv {

// The firmware update as a whole, shared by the update dialog and krvctl: it finds the one unit
// on the USB bridges, secures the unit's calibration (read from the unit, checked, saved to the
// backup file and read back from it, or taken from an earlier backup when the unit cannot
// deliver it), programs the unit (ProgramUnit), writes the calibration back, has the unit store
// it, and restarts it.
//
// The unit is reached through the context's link. The calibration store is `state`: its
// calibration tables hold, afterwards, what was written into the unit, and its circuit count is
// the one the unit's serial number gives. See
// FirmwareContext for how to run it on a worker thread; a cancel request is acted on by the
// programming only. Whatever the outcome, the serial port and the bridge are closed afterwards.

enum class FirmwareUpdateOutcome {
    Succeeded,  // programmed, calibration restored and stored
    // Stopped before anything was read from the unit (no unit or several, a bad serial number,
    // no file, a file that is not a whole image): the update may be started again.
    Refused,
    Failed,  // stopped later (it said why, or the user cancelled); status "キャンセルしました"
    // Programmed, but the unit did not take its calibration back: the user has been told where
    // the backup file is.
    CalibrationNotRestored,
};

struct FirmwareUpdateRequest {
    std::filesystem::path firmwareFile;       // empty: no file chosen
    std::filesystem::path backupFolder = {};  // empty: CalibrationBackupFolder()
};

struct FirmwareUpdateResult {
    FirmwareUpdateOutcome outcome = FirmwareUpdateOutcome::Refused;
    std::string unitSerial;            // of the unit found, if any
    std::filesystem::path backupFile;  // the calibration backup used, once known
    // The earlier backup, kept under another name because the new one differs; empty if none.
    std::filesystem::path keptBackup;
    // The programming got as far as erasing the unit: it must be updated again.
    bool unitErased = false;
};

FirmwareUpdateResult RunFirmwareUpdate(FirmwareContext& context, GeneratorState& state,
                                       const FirmwareUpdateRequest& request);

// Whether a firmware file may be programmed: empty when it is a whole image, else the message
// that refuses it ("ファイルが開けません", or "転送ファイルに誤りがあります " and the reason).
// The update checks its file with it before anything is sent to the unit; so do the callers that
// switch the outputs off before the update.
std::string CheckFirmwareFileForUpdate(const std::filesystem::path& file);

// The circuit count a unit's serial number gives (its third character), or the message number of
// the serial-number message: 1 when that character is no number (or the serial number cannot
// name a backup file), 2 when the number is not 1 or 2.
struct SerialCircuits {
    int circuits = 0;  // 1 or 2 when accepted
    int messageNumber = 0;
};
SerialCircuits CircuitsFromSerial(const std::string& serial);

// Messages and status texts.
inline constexpr const char* kNoUnit =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "アナログユニットが接続されていません");
inline constexpr const char* kSeveralUnits = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate", "アナログユニットが２台以上接続されています\n１台のみ接続してください");
inline constexpr const char* kSerialMessage1 =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "FTDIシリアル番号が異常です(1)\n");
inline constexpr const char* kSerialMessage2 =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "FTDIシリアル番号が異常です(2)\n");
inline constexpr const char* kNoFileChosen =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "ファイルが選択されていません");
inline constexpr const char* kAskUseFileAfterReadFailure =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "接続できません\nパソコン内ファイルを検索しますか。");
inline constexpr const char* kAskUseFileAfterBadData = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate", "本体補正データが異常です\nパソコン内ファイルを検索しますか。");
// The unit's calibration holds only start values (its flash was erased) while its backup file
// holds real values.
inline constexpr const char* kAskUseFileAfterStartValues = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate", "本体補正データが初期値です\nパソコン内ファイルを検索しますか。");
// The backup file just saved does not read back as the values the unit gave.
inline constexpr const char* kBackupDiffersFromUnit = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate",
    "保存した補正ファイルが本体補正データと一致しません\n更新できません\nシリアル番号:");
inline constexpr const char* kCannotSaveBackup =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "補正データを保存できません");
inline constexpr const char* kCannotReadBackup = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate",
    "パソコン内補正ファイルの読込みが行えません\n更新できません\nメーカーに連絡してください\n"
    "シリアル番号:");
inline constexpr const char* kBadBackup = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate",
    "パソコン内補正ファイル内容が異常です\n更新できません\nメーカーに連絡してください\n"
    "シリアル番号:");
inline constexpr const char* kBadBackupData = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate", "補正データが異常です\nメーカーに連絡してください\nシリアル番号:");
inline constexpr const char* kUpdateDone =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "更新が終了しました");
inline constexpr const char* kStatusUpdateDone =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "更新正常終了");
// When the unit does not take its calibration back after the programming.
inline constexpr const char* kCalibrationNotRestored = KRV_TRANSLATE_NOOP(
    "FirmwareUpdate",
    "補正データを発生器に書き戻せませんでした\nファームウェアは更新されています\n"
    "補正データはパソコン内ファイルに保存されています\n");
inline constexpr const char* kStatusCalibrationNotRestored =
    KRV_TRANSLATE_NOOP("FirmwareUpdate", "補正データ書込失敗");

}  // namespace krv
