// The whole firmware update against the virtual unit behind its simulated bridge: the unit's
// calibration saved, the unit programmed, the calibration written back and stored.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "firmware/CalibrationBackup.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/ProgramUnit.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "protocol/Identification.h"
#include "sim/BootLoader.h"
#include "sim/CommandFaults.h"
#include "support/FileContents.h"
#include "support/FirmwareFixture.h"
#include "support/HostileFirmware.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class FirmwareUpdateTest : public test::FirmwareFixture {
  protected:
    FirmwareUpdateResult Update(const fs::path& file, const fs::path& backups)
    {
        FirmwareContext context = Context();
        return RunFirmwareUpdate(context, state, {file, backups});
    }
    sim::CalibrationValues UnitEntry(int ch, int code)
    {
        return simulation->Server().WithUnit(
            [&](sim::VirtualUnit& u) { return u.Calibration().Stored(ch, code); });
    }

    AppValues app;
    GeneratorState state{app};
};

// The question before the programming, to a virtual unit that answers VER with its default.
std::string DefaultQuestion()
{
    return UpdateQuestion("020000", "020100");
}

using test::ReadAll;

// Values of every range of both channels, none of them a start value.
sim::CalibrationValues Changed(int ch, int code)
{
    return {static_cast<std::uint16_t>(code % 3), static_cast<std::uint16_t>(0x10 + code + 32 * ch),
            static_cast<std::uint16_t>(0x8000 - code - 1),
            static_cast<std::uint16_t>(0xFFF0 + code),
            static_cast<std::uint16_t>(0x8001 + 3 * ch + code)};
}

TEST_F(FirmwareUpdateTest, PackedFileUpdatesTheUnitAndItsCalibrationSurvives)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 2;
    Start(options, /*instant=*/false);
    simulation->Server().WithUnit([](sim::VirtualUnit& u) {
        for (int ch = 0; ch < 2; ++ch) {
            for (int code = 0; code < 16; ++code) u.Calibration().Set(ch, code, Changed(ch, code));
        }
    });
    // An S-record file with records of 64 data bytes, as a build might write it.
    std::string srec = "S00600004844521B\r\n";
    for (const SRecord& r : Records({"020100", 12}, &expected)) {
        if (r.type == '7') {
            srec += SRecordLine('7', r.address, nullptr, 0) + "\r\n";
            continue;
        }
        for (std::size_t at = 0; at < r.data.size(); at += 64) {
            srec += SRecordLine('3', r.address + static_cast<std::uint32_t>(at), r.data.data() + at,
                                64) +
                    "\r\n";
        }
    }
    std::vector<SRecord> parsed;
    std::string error;
    ASSERT_TRUE(ParseSRecords(srec, parsed, error)) << error;
    const fs::path file = WriteFile("new.cya", PackFirmware(parsed, {0x02, 0x01, 0x00}));
    state.circuitCount = 4;

    const FirmwareUpdateResult result = Update(file, folder / "backups");
    ASSERT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded)
        << testing::PrintToString(ui.Texts());
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{DefaultQuestion(), kUpdateDone}));
    EXPECT_EQ(
        Statuses(),
        (std::vector<std::string>{
            "本体補正データ受信中", "補正データチェック中", "補正ファイル読込み中",
            "補正ファイル検証中", "更新準備中", "発生器を再起動しています",
            "ビットレート自動調整中", "ターゲットMCU確定中", "メモリ消去中", "プログラム転送中",
            "プログラム書込中", "プログラム照合中", "更新後リセット中", "補正データ転送中",
            "補正データ書込中", "補正データ書込後リセット中", kStatusUpdateDone}));
    EXPECT_EQ(LastProgress(), 100);
    EXPECT_EQ(state.circuitCount, 2) << "the circuit count comes from the serial number";
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());

    // The new firmware answers, over the unit's serial port.
    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Com, version));
    EXPECT_EQ(version, "020100");
    const auto flash = Flash();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), expected.Bytes().begin()));
    // Every range's calibration is stored in the unit as it was before.
    for (int ch = 0; ch < 2; ++ch) {
        for (const OutputRange code : kBackupRangeList) {
            EXPECT_EQ(UnitEntry(ch, code), Changed(ch, code))
                << "channel " << ch << " code " << code;
        }
    }
    // The backup file is in place and holds those values.
    EXPECT_EQ(result.backupFile, folder / "backups" / "KR2A0001_R.txt");
    const std::string backup = ReadAll(result.backupFile);
    EXPECT_EQ(backup.rfind("KR2A0001,\r\n1,0,0_5V,16,-1,-16,1,0,\r\n", 0), 0u) << backup;
    EXPECT_NE(backup.find("\r\n2,12,E0_24mA,60,-13,-4,16,0,\r\n"), std::string::npos) << backup;
    EXPECT_EQ(std::count(backup.begin(), backup.end(), '\n'), 21);
}

TEST_F(FirmwareUpdateTest, RefusedBeforeTheUnitIsAsked)
{
    struct Case {
        const char* name;
        std::string serial;  // of the unit's bridge; empty: KR2A0001
        std::vector<sim::ExtraBridge> extra;
        bool file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no unit", "XY2A0001", {}, true, kNoUnit},
        {"two units", "", {{"KR2B0002"}}, true, kSeveralUnits},
        {"three circuits", "KR3A0001", {}, true, std::string(kSerialMessage2) + "KR3A0001"},
        {"letter", "KRXA0001", {}, true, std::string(kSerialMessage1) + "KRXA0001"},
        {"too short", "KR", {}, true, std::string(kSerialMessage2) + "KR"},
        {"path", "KR1/../../x", {}, true, std::string(kSerialMessage1) + "KR1/../../x"},
        {"no file", "", {}, false, kNoFileChosen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulationOptions options;
        options.bridgeSerial = c.serial;
        options.extraBridges = c.extra;
        Start(options);
        const fs::path file = c.file ? WriteFirmware({}) : fs::path();
        const FirmwareUpdateResult result = Update(file, folder / "backups");
        EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Refused);
        EXPECT_EQ(ui.Texts(), (std::vector<std::string>{c.message}));
        EXPECT_EQ(Statuses(), (std::vector<std::string>{kStatusCancelled}));
        EXPECT_EQ(simulation->Bridge().Restarts(), 0u);
        EXPECT_FALSE(fs::exists(folder / "backups"));
        EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
        Restart();
    }
}

TEST_F(FirmwareUpdateTest, UnreadableUnitWithoutABackupIsLeftUntouched)
{
    for (const MessageAnswer answer : {MessageAnswer::Ok, MessageAnswer::Cancel}) {
        sim::SimulationOptions options;
        options.server.unit.circuits = 1;
        options.server.unit.faults.silentAfter = 0;
        Start(options);
        const auto before = Flash();
        ui.answers[kAskUseFileAfterReadFailure] = answer;
        const FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
        EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Failed);
        std::vector<std::string> messages = {kAskUseFileAfterReadFailure};
        if (answer == MessageAnswer::Ok)
            messages.push_back(std::string(kCannotReadBackup) + "KR1A0001");
        EXPECT_EQ(ui.Texts(), messages);
        EXPECT_EQ(events.back().first, kStatusCancelled);
        EXPECT_EQ(simulation->Bridge().Restarts(), 0u);
        EXPECT_TRUE(Flash() == before);
        Restart();
    }
}

TEST_F(FirmwareUpdateTest, ErasedCalibrationIsTakenFromAnEarlierBackup)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 1;
    Start(options);
    // The backup of an earlier update, and a unit whose calibration has since been lost (an
    // update that was cut short).
    state.circuitCount = 1;
    for (int code = 0; code < 16; ++code) {
        const sim::CalibrationValues v = Changed(0, code);
        state.channels[0].makerCalibration[code] = {v.makerZero, v.makerGain};
        state.channels[0].userCalibration[code] = {v.mode, v.userZero, v.userGain};
    }
    ASSERT_TRUE(SaveCalibrationBackup(state, folder, "KR1A0001"));
    simulation->Server().WithUnit([](sim::VirtualUnit& u) { u.Calibration().Erase(); });
    ClearCalibrationTables(state);

    const FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
    EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded);
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{kAskUseFileAfterBadData, DefaultQuestion(), kUpdateDone}));
    for (const OutputRange code : kBackupRangeList) {
        EXPECT_EQ(UnitEntry(0, code), Changed(0, code)) << "code " << code;
    }
    // Codes without a range are not in the file: they go back at their start values.
    EXPECT_EQ(UnitEntry(0, 4), (sim::CalibrationValues{0, 0, 0x8000, 0, 0x8000}));
}

// The backup of a one-circuit unit as SaveCalibrationBackup writes it, every entry a real value.
std::string OneChannelBackup(const std::string& serial)
{
    std::string text = serial + ",\r\n";
    for (const OutputRange code : kBackupRangeList) {
        text += "1," + std::to_string(code) + ",key,5,-3,2,1,1,\r\n";
    }
    return text;
}

TEST_F(FirmwareUpdateTest, BackupFileResultsAndTheirMessages)
{
    struct Case {
        const char* name;
        std::string backup;  // empty: no file
        std::string message;
    };
    const std::string serial = "KR1A0001";
    const std::string whole = OneChannelBackup(serial);
    const std::string firstEntry = "1,0,key,5,-3,2,1,1,\r\n";
    const auto Changing = [&](const std::string& from, const std::string& to) {
        std::string text = whole;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::vector<Case> cases = {
        {"no file", "", kCannotReadBackup + serial},
        {"another unit's", Changing(serial, "KR1A0002"), kBadBackup + serial},
        {"channel 3", whole + "3,0,0_5V,0,0,0,0,1,\r\n", kBadBackup + serial},
        {"range code 16", whole + "1,16,x,0,0,0,0,1,\r\n", kBadBackup + serial},
        {"not a number", Changing(",5,-3,", ",5,zero,"), kBadBackup + serial},
        {"empty field", Changing(",5,-3,", ",,-3,"), kBadBackup + serial},
        {"octal or hexadecimal", Changing(",5,-3,", ",0x5,-3,"), kBadBackup + serial},
        {"only its first line", serial + ",\r\n", kBadBackup + serial},
        {"an entry missing", Changing(firstEntry, ""), kBadBackup + serial},
        {"an entry twice", whole + firstEntry, kBadBackup + serial},
        {"mode 3", Changing(",2,1,1,\r\n", ",2,1,3,\r\n"), kBadBackupData + serial},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulationOptions options;
        options.server.unit.circuits = 1;
        Start(options);
        // The unit's own calibration is gone, so the backup file is asked for.
        simulation->Server().WithUnit([](sim::VirtualUnit& u) { u.Calibration().Erase(); });
        if (!c.backup.empty()) WriteFile(serial + "_R.txt", c.backup);
        const FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
        EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Failed);
        EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUseFileAfterBadData, c.message}));
        EXPECT_EQ(ui.Icons(),
                  (std::vector<MessageIcon>{MessageIcon::Warning, MessageIcon::Warning}));
        EXPECT_EQ(simulation->Bridge().Restarts(), 0u) << "the unit is left as it is";
        Restart();
    }
}

// A unit wiped by an update cut short may read as start values that pass the mode check: they
// must neither replace the backup nor go back into the unit.
TEST_F(FirmwareUpdateTest, StartValuesOfAWipedUnitDoNotReplaceItsBackup)
{
    for (const MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Ok}) {
        sim::SimulationOptions options;
        options.server.unit.circuits = 1;
        Start(options);
        const std::string backup = OneChannelBackup("KR1A0001");
        WriteFile("KR1A0001_R.txt", backup);
        simulation->Server().WithUnit(
            [](sim::VirtualUnit& u) { u.Calibration().Erase(sim::WipedCalibration::StartValues); });
        ui.answers[kAskUseFileAfterStartValues] = answer;
        const FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
        EXPECT_EQ(ReadAll(folder / "KR1A0001_R.txt"), backup);
        EXPECT_TRUE(result.keptBackup.empty());
        if (answer == MessageAnswer::Cancel) {
            EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Failed);
            EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUseFileAfterStartValues}));
            EXPECT_EQ(simulation->Bridge().Restarts(), 0u);
        } else {
            EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded);
            EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUseFileAfterStartValues,
                                                            DefaultQuestion(), kUpdateDone}));
            EXPECT_EQ(UnitEntry(0, 7), (sim::CalibrationValues{1, 5, 0x8000 - 3, 2, 0x8001}));
        }
        Restart();
    }
}

// A unit whose calibration changed since the last backup: the new backup is SERIAL_R.txt, the
// earlier one stays beside it under a name with its time.
TEST_F(FirmwareUpdateTest, ChangedCalibrationKeepsTheEarlierBackup)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 1;
    Start(options);
    const std::string earlier = OneChannelBackup("KR1A0001");
    WriteFile("KR1A0001_R.txt", earlier);
    const FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
    ASSERT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded);
    ASSERT_FALSE(result.keptBackup.empty());
    EXPECT_EQ(result.keptBackup.parent_path(), folder);
    EXPECT_EQ(result.keptBackup.filename().string().rfind("KR1A0001_R-", 0), 0u);
    EXPECT_EQ(ReadAll(result.keptBackup), earlier);
    EXPECT_NE(ReadAll(result.backupFile), earlier);
}

// A calibration reply that comes after its time-out, ahead of the answer to the next read,
// belongs to the read before: the entry asked for is still read, and the calibration comes back.
TEST_F(FirmwareUpdateTest, LateCalibrationReplyOnTheBridgeIsNotTakenForTheNext)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 1;
    options.bridgeFaults = "delay=540:1#CRU";
    Start(options);
    simulation->Server().WithUnit([](sim::VirtualUnit& u) {
        for (int code = 0; code < 16; ++code) u.Calibration().Set(0, code, Changed(0, code));
    });
    const FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
    ASSERT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded)
        << testing::PrintToString(ui.Texts());
    for (const OutputRange code : kBackupRangeList) {
        EXPECT_EQ(UnitEntry(0, code), Changed(0, code)) << "code " << code;
    }
}

TEST_F(FirmwareUpdateTest, UnitThatDoesNotTakeItsCalibrationBackIsReported)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 1;
    Start(options);
    // Firmware without a version line: nothing runs after the programming to take the values.
    test::TestFirmware broken;
    broken.versionLine = false;
    const FirmwareUpdateResult result = Update(WriteFirmware(broken), folder);
    EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::CalibrationNotRestored);
    const fs::path backup = folder / "KR1A0001_R.txt";
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{
                  DefaultQuestion(), std::string(kCalibrationNotRestored) + backup.string() +
                                         "\nメーカーに連絡してください\nシリアル番号:KR1A0001"}));
    EXPECT_EQ(events.back().first, kStatusCalibrationNotRestored);
    EXPECT_TRUE(fs::exists(backup));
    EXPECT_EQ(simulation->Bridge().Restarts(), 4u) << "into boot mode, out of it, and twice after";
}

TEST_F(FirmwareUpdateTest, BackupThatCannotBeWrittenStopsTheUpdate)
{
    Start();
    std::ofstream(folder / "plain") << "not a folder";
    const FirmwareUpdateResult result = Update(WriteFirmware({}), folder / "plain");
    EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Failed);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kCannotSaveBackup}));
    EXPECT_EQ(simulation->Bridge().Restarts(), 0u);
}

TEST_F(FirmwareUpdateTest, FileThatIsNotAWholeImageIsRefusedBeforeAnythingIsSent)
{
    for (const test::HostileFirmware& hostile : test::HostileFirmwareFiles()) {
        SCOPED_TRACE(hostile.name);
        Start();
        simulation->Server().ClearRecords();
        const fs::path file = WriteFile("hostile.cya", hostile.bytes);
        const FirmwareUpdateResult result = Update(file, folder / "backups");
        EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Refused);
        const std::vector<std::string> texts = ui.Texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind(std::string(kFileError) + "\n", 0), 0u) << texts[0];
        if (!hostile.reason.empty()) {
            EXPECT_EQ(texts[0], std::string(kFileError) + "\n" + hostile.reason);
        }
        // Not a byte reached the unit: neither bridge nor port was opened, and no calibration
        // was read or saved.
        EXPECT_EQ(simulation->Bridge().Opens(), 0u);
        EXPECT_EQ(simulation->Bridge().Restarts(), 0u);
        EXPECT_EQ(simulation->Server().ReceivedCount(), 0u);
        EXPECT_FALSE(fs::exists(folder / "backups"));
        Restart();
    }
}

TEST_F(FirmwareUpdateTest, FailureAfterTheErasureNamesTheBackupAndACancelAfterTheReadBackIsIgnored)
{
    sim::SimulationOptions options = {};
    std::string error;
    ASSERT_TRUE(sim::ParseCommandFaults("b15-silent=0", options.server.unit.faults, &error));
    Start(options);
    FirmwareUpdateResult result = Update(WriteFirmware({}), folder);
    EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Failed);
    EXPECT_TRUE(result.unitErased);
    const fs::path backup = folder / "KR2A0001_R.txt";
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{DefaultQuestion(), std::string(kMemoryReadError) + "\n" +
                                                               ErasedUnitNote(backup)}));
    EXPECT_NE(ErasedUnitNote(backup).find(backup.string()), std::string::npos);
    EXPECT_TRUE(fs::exists(backup));
    Restart();

    // The unit holds its new firmware once the read-back has passed: a cancel then changes
    // nothing, and the calibration still goes back.
    Start();
    FirmwareContext context(
        *link, ui,
        [this](const std::string& status, int progress) {
            events.push_back({status, progress});
            if (progress == 100) cancel = true;
        },
        &cancel);
    result = RunFirmwareUpdate(context, state, {WriteFirmware({}), folder});
    EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{DefaultQuestion(), kUpdateDone}));
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

// Thrown from the progress report: the process running the update ends there. Its handles are
// closed as the system closes those of a process that was killed; the unit carries on with what
// it had received.
struct ProcessEnded {};

// Where and how an update is cut short.
struct Interruption {
    const char* name;
    std::string status;  // at this status line
    int progress;        // from this progress on; -1: as soon as the status shows
    bool silent;         // the unit stops answering and the user cancels; else the process ends
    sim::WipedCalibration wiped;
};

class InterruptedUpdateTest : public FirmwareUpdateTest {
  protected:
    FirmwareUpdateOutcome RunInterrupted(const fs::path& file, const Interruption& at)
    {
        bool done = false;
        FirmwareContext context(
            *link, ui,
            [&](const std::string& status, int progress) {
                if (done || status != at.status || progress < at.progress) return;
                done = true;
                if (!at.silent) throw ProcessEnded{};
                simulation->Target().SetBootLoader(nullptr);
                simulation->Server().WithUnit([](sim::VirtualUnit& u) {
                    sim::CommandFaults silent;
                    silent.silentAfter = 0;
                    u.SetCommandFaults(silent);
                });
                cancel = true;
            },
            &cancel);
        try {
            return RunFirmwareUpdate(context, state, {file, folder}).outcome;
        } catch (const ProcessEnded&) {
            return FirmwareUpdateOutcome::Failed;
        }
    }
    // The unit answers again; a new process with a link and a document of its own.
    void Rerun()
    {
        simulation->Target().SetBootLoader(
            std::make_shared<sim::SimBootLoader>(simulation->Target()));
        simulation->Server().WithUnit([](sim::VirtualUnit& u) { u.SetCommandFaults({}); });
        link = std::make_unique<DeviceLink>(ui, sim::SimulatedD2xxLibrary());
        link->SetPortName(simulation->Server().PortPath());
        ClearCalibrationTables(state);
        ui.Reset();
        events.clear();
        cancel = false;
    }
};

// An update cut short at any step from the erasure on, by a unit that stops answering or a
// process that ends, is repaired by running it again: the unit runs the new firmware and has
// its calibration back. (The full set of steps is bench_firmware_recovery's.)
TEST_F(InterruptedUpdateTest, SecondRunRepairsTheFirst)
{
    using W = sim::WipedCalibration;
    const std::vector<Interruption> points = {
        {"ended half-way through programming", "プログラム転送中", 30, false, W::StartValues},
        {"ended before the restart", "更新後リセット中", -1, false, W::StartValues},
        {"ended before the restart, flash erased", "更新後リセット中", -1, false, W::Erased},
        {"silent half-way through programming", "プログラム転送中", 30, true, W::StartValues},
        {"silent when the calibration goes back", "補正データ転送中", -1, true, W::StartValues},
    };
    for (const Interruption& point : points) {
        SCOPED_TRACE(point.name);
        sim::SimulationOptions options;
        options.server.unit.circuits = 1;
        options.server.unit.wipedCalibration = point.wiped;
        Start(options);
        simulation->Server().WithUnit([](sim::VirtualUnit& u) {
            for (int code = 0; code < 16; ++code) u.Calibration().Set(0, code, Changed(0, code));
        });
        const fs::path file = WriteFirmware({"020100", 64});
        EXPECT_NE(RunInterrupted(file, point), FirmwareUpdateOutcome::Succeeded);

        Rerun();
        const FirmwareUpdateResult again = Update(file, folder);
        ASSERT_EQ(again.outcome, FirmwareUpdateOutcome::Succeeded)
            << testing::PrintToString(ui.Texts());
        std::string version;
        ASSERT_TRUE(QueryVersion(*link, LinkKind::Com, version));
        EXPECT_EQ(version, "020100");
        for (const OutputRange code : kBackupRangeList) {
            EXPECT_EQ(UnitEntry(0, code), Changed(0, code)) << "code " << code;
        }
        // The one backup, never replaced by what the wiped unit said.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2)
            << "the backup and the firmware file";
        Restart();
    }
}

}  // namespace
}  // namespace krv
