// Programming the virtual unit through its simulated bridge and boot loader, end to end: the
// boot-mode protocol, the checks before anything is touched, the boot loader's faults, cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "firmware/BootProtocol.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/ProgramUnit.h"
#include "protocol/Identification.h"
#include "support/FirmwareFixture.h"
#include "support/WaitUntil.h"

namespace krv {
namespace {

using ProgramUnitTest = test::FirmwareFixture;
using namespace std::chrono_literals;

// The question before anything is sent, to a virtual unit that answers VER with its default.
std::string Question(const std::string& file = "020100", const std::string& unit = "020000")
{
    return UpdateQuestion(unit, file);
}

sim::SimulationOptions WithFaults(const std::string& spec, const std::string& firmware = "02.000")
{
    sim::SimulationOptions options;
    options.server.unit.firmware = firmware;
    std::string error;
    EXPECT_TRUE(sim::ParseCommandFaults(spec, options.server.unit.faults, &error)) << error;
    return options;
}

TEST_F(ProgramUnitTest, ProgramsVerifiesAndRunsTheNewFirmware)
{
    Start();
    simulation->Server().WithUnit([](sim::VirtualUnit& u) {
        u.Calibration().Set(0, 5, {0x0002, 0x0011, 0x8022, 0x0033, 0x8044});
    });
    const auto file = WriteFirmware({"020100", 40});
    FirmwareContext context = Context();
    ASSERT_TRUE(ProgramUnit(context, file));

    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{Question()}));
    EXPECT_EQ(ui.Icons(), (std::vector<MessageIcon>{MessageIcon::Information}));
    EXPECT_EQ(ui.Captions(), (std::vector<std::string>{"確認"}));
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"更新準備中", "発生器を再起動しています",
                                                    "ビットレート自動調整中", "ターゲットMCU確定中",
                                                    "メモリ消去中", "プログラム転送中",
                                                    "プログラム書込中", "プログラム照合中"}));
    std::vector<int> progress;
    for (const auto& e : events) {
        if (progress.empty() || progress.back() != e.second) progress.push_back(e.second);
    }
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress[1], 5);
    EXPECT_NE(std::find(progress.begin(), progress.end(), 10 + 511 / 11), progress.end());
    EXPECT_NE(std::find(progress.begin(), progress.end(), 60 + 511 / 14), progress.end());
    EXPECT_EQ(progress.back(), 100);

    // The whole window is programmed: the file's blocks, 0xFF elsewhere.
    const std::vector<std::uint8_t> flash = Flash();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), expected.Bytes().begin()));
    EXPECT_EQ(simulation->Bridge().BootRestarts(), 1u);
    EXPECT_FALSE(InBootMode());
    EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
    EXPECT_EQ(simulation->Bridge().BaudRate(), 1000000u) << "programmed at 1,000,000 baud";

    // The unit runs the new firmware, and the reprogramming took its calibration with it.
    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Com, version));
    EXPECT_EQ(version, "020100");
    const auto entry = simulation->Server().WithUnit(
        [](sim::VirtualUnit& u) { return u.Calibration().Stored(0, 5); });
    EXPECT_EQ(entry, (sim::CalibrationValues{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
}

TEST_F(ProgramUnitTest, NothingIsTouchedBeforeTheUserAgrees)
{
    struct Case {
        const char* name;
        std::string bytes;        // the file; "-" for none at all
        std::string unitVersion;  // what the unit answers VER with
        std::map<std::string, MessageAnswer> answers;
        std::vector<std::string> messages;
        const char* status;
    };
    const std::string image = PackFirmware(Records({"020100", 2}), {2, 1, 0});
    const std::vector<Case> cases = {
        {"empty file",
         "",
         "02.000",
         {},
         {std::string(kFileError) + "\nファイルが空です"},
         kStatusCancelled},
        {"cut-off header",
         "\x01\x02",
         "02.000",
         {},
         {std::string(kFileError) + "\nヘッダーの途中、2バイトで切れています"},
         kStatusCancelled},
        // Programmed before as all 0xFF, leaving the unit without a program.
        {"header only",
         image.substr(0, 4),
         "02.000",
         {},
         {std::string(kFileError) + "\nデータレコードがありません"},
         kStatusCancelled},
        {"no file", "-", "02.000", {}, {kCannotOpenFile}, ""},
        {"update declined",
         image,
         "02.000",
         {{kAskUpdate, MessageAnswer::Cancel}},
         {Question()},
         ""},
        {"same version declined",
         image,
         "02 100",
         {{kAskSameVersion, MessageAnswer::Cancel}},
         {Question("020100", "020100"), kAskSameVersion},
         kStatusCancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulationOptions options;
        options.server.unit.firmware = c.unitVersion;
        Start(options);
        const auto before = Flash();
        const auto file = c.bytes == "-" ? folder / "missing.cya" : WriteFile("f.cya", c.bytes);
        ui.answers = c.answers;
        FirmwareContext context = Context();
        EXPECT_FALSE(ProgramUnit(context, file));
        EXPECT_EQ(ui.Texts(), c.messages);
        EXPECT_EQ(context.Status(), c.status);
        EXPECT_EQ(simulation->Bridge().Restarts(), 0u);
        EXPECT_TRUE(Flash() == before);
        EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
        Restart();
    }
}

TEST_F(ProgramUnitTest, BitRateAdjustmentIsRetriedWithARestartUntilAnswered)
{
    Start(WithFaults("b1-from=3"));
    const auto file = WriteFirmware({"020100", 4});
    FirmwareContext context = Context();
    ASSERT_TRUE(ProgramUnit(context, file));
    EXPECT_EQ(simulation->Bridge().BootRestarts(), 3u);
    // An unanswered adjustment is not reported: it is simply tried again.
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{Question()}));
}

TEST_F(ProgramUnitTest, UnitThatNeverAnswersIsGivenUpAfterTheTriesAllowed)
{
    Start(WithFaults("b1-from=1000"));
    const auto file = WriteFirmware({"020100", 4});
    FirmwareContext context = Context();
    context.SetBootTries(3);
    EXPECT_FALSE(ProgramUnit(context, file));
    EXPECT_EQ(simulation->Bridge().BootRestarts(), 3u);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{Question(), kBootNotAnswered}));
    EXPECT_EQ(context.Status(), kStatusCancelled);
    EXPECT_FALSE(context.UnitErased());
    EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
}

TEST_F(ProgramUnitTest, UnitThatNeverAnswersRestartsUntilCancelled)
{
    Start(WithFaults("b1-from=1000"));
    const auto file = WriteFirmware({"020100", 4});
    ui.onPendingEvents = [this] {
        if (simulation->Bridge().BootRestarts() >= 2) cancel = true;
    };
    FirmwareContext context = Context();
    EXPECT_FALSE(ProgramUnit(context, file));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{Question(), kCancelledRestart}));
    EXPECT_EQ(context.Status(), kStatusCancelled);
    EXPECT_FALSE(cancel.load()) << "the request is taken";
    EXPECT_GE(simulation->Bridge().BootRestarts(), 2u);
    EXPECT_TRUE(InBootMode()) << "left in boot mode; the message asks for a restart";
    EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
}

TEST_F(ProgramUnitTest, RunsOnAWorkerThreadAndStopsWhenAnotherThreadCancels)
{
    Start(WithFaults("b1-from=1000"));
    const auto file = WriteFirmware({"020100", 4});
    std::atomic<bool> result{true};
    std::thread worker([&] {
        FirmwareContext context = Context();
        result = ProgramUnit(context, file);
    });
    // What a dialog's cancel button does, from its own thread.
    EXPECT_TRUE(test::WaitUntil([&] { return simulation->Bridge().BootRestarts() >= 2; }));
    cancel = true;
    worker.join();
    EXPECT_FALSE(result.load());
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{Question(), kCancelledRestart}));
    EXPECT_EQ(events.back().first, kStatusCancelled);
}

TEST_F(ProgramUnitTest, BootLoaderFaultsAndCancelStopTheRunWithOneMessage)
{
    struct Case {
        const char* name;
        const char* faults;
        int cancelAt;  // progress at which the user cancels; 0: never
        int blocks;    // of the firmware: blocks after them hold 0xFF
        std::string message;
        int progress;  // where the progress stands at the end
        bool erased;
    };
    const std::string ng = BootSession::kReplyFailure;
    const std::string note = "\n" + ErasedUnitNote({});
    const std::vector<Case> cases = {
        {"refused programming state", "b8=51", 0, 4, kTransitionError, 5, false},
        {"one byte differs", "b15-bad=300", 0, 400, kMemoryReadError + note, 60 + 300 / 14, true},
        // Silent from the programming of a block on: one message, not one per block left.
        {"silent while programming", "b13-silent=20", 0, 4, ng + note, 10 + 20 / 11, true},
        {"silent from the first block", "b13-silent=0", 0, 4, ng + note, 10, true},
        // Silent from the read of block 450, whose 0xFF bytes equal the block before it: a
        // failed read is a difference, whatever the reply buffer still holds.
        {"silent while reading back", "b15-silent=450", 0, 4, kMemoryReadError + note,
         60 + 450 / 14, true},
        {"cancel while programming", "", 30, 4, kCancelledRestart + note, 30, true},
        {"cancel while reading back", "", 70, 4, kCancelledRestart + note, 70, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(WithFaults(c.faults));
        const auto file = WriteFirmware({"020100", c.blocks});
        FirmwareContext context(
            *link, ui,
            [&](const std::string& status, int progress) {
                events.push_back({status, progress});
                if (c.cancelAt != 0 && progress == c.cancelAt) cancel = true;
            },
            &cancel);
        EXPECT_FALSE(ProgramUnit(context, file));
        EXPECT_EQ(ui.Texts(), (std::vector<std::string>{Question(), c.message}));
        EXPECT_EQ(context.Status(), kStatusCancelled);
        EXPECT_EQ(LastProgress(), c.progress);
        EXPECT_EQ(context.UnitErased(), c.erased);
        EXPECT_TRUE(InBootMode());
        EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
        Restart();
    }
}

}  // namespace
}  // namespace krv
