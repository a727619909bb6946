// Programming the virtual unit through its simulated bridge and boot loader, end to end: the
// boot-mode protocol, the checks before anything is touched, the boot loader's faults, cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "FirmwareFixture.h"
#include "firmware/BootProtocol.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/ProgramUnit.h"
#include "protocol/Identification.h"

namespace krv {
namespace {

using ProgramUnitTest = test::FirmwareFixture;
using namespace std::chrono_literals;

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

    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUpdate}));
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

TEST_F(ProgramUnitTest, HeaderOnlyFileErasesTheWholeWindow)
{
    Start();
    const auto file = WriteFile("empty-image.cya", std::string("\x01\x02\x01\x00", 4));
    FirmwareContext context = Context();
    ASSERT_TRUE(ProgramUnit(context, file));
    const std::vector<std::uint8_t> flash = Flash();
    EXPECT_EQ(std::count(flash.begin(), flash.end(), 0xFF), static_cast<long>(flash.size()));
    // No firmware left to run: the unit stays silent.
    std::string version;
    EXPECT_FALSE(QueryVersion(*link, LinkKind::Com, version));
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
        {"empty file", "", "02.000", {}, {kFileError}, kStatusCancelled},
        {"cut-off header", "\x01\x02", "02.000", {}, {kFileError}, kStatusCancelled},
        {"no file", "-", "02.000", {}, {kCannotOpenFile}, ""},
        {"update declined",
         image,
         "02.000",
         {{kAskUpdate, MessageAnswer::Cancel}},
         {kAskUpdate},
         ""},
        {"same version declined",
         image,
         "02 100",
         {{kAskSameVersion, MessageAnswer::Cancel}},
         {kAskUpdate, kAskSameVersion},
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
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUpdate}));
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
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUpdate, kCancelledRestart}));
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
    while (simulation->Bridge().BootRestarts() < 2) std::this_thread::sleep_for(10ms);
    cancel = true;
    worker.join();
    EXPECT_FALSE(result.load());
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kAskUpdate, kCancelledRestart}));
    EXPECT_EQ(events.back().first, kStatusCancelled);
}

TEST_F(ProgramUnitTest, BootLoaderFaultsStopTheRunWhereTheyHappen)
{
    struct Case {
        const char* faults;
        int blocks;  // of the firmware: blocks after them hold 0xFF
        std::vector<std::string> messages;
        int progress;  // where the progress stands at the end
    };
    const std::string ng = BootSession::kReplyFailure;
    const std::vector<Case> cases = {
        {"b8=51", 4, {kAskUpdate, kTransitionError}, 5},
        {"b15-bad=300", 400, {kAskUpdate, kMemoryReadError}, 60 + 300 / 14},
        // Silent from the programming of block 508: each block left fails on its own, the end
        // of programming too, then the first read.
        {"b13-silent=508", 4, {kAskUpdate, ng, ng, ng, ng, ng, ng, kMemoryReadError}, 60},
        // Silent from the read of block 450, whose 0xFF bytes equal the block before it: a
        // failed read is a difference, whatever the reply buffer still holds.
        {"b15-silent=450", 4, {kAskUpdate, ng, kMemoryReadError}, 60 + 450 / 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        Start(WithFaults(c.faults));
        const auto file = WriteFirmware({"020100", c.blocks});
        FirmwareContext context = Context();
        EXPECT_FALSE(ProgramUnit(context, file));
        EXPECT_EQ(ui.Texts(), c.messages);
        EXPECT_EQ(context.Status(), kStatusCancelled);
        EXPECT_EQ(LastProgress(), c.progress);
        EXPECT_TRUE(InBootMode());
        EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
        Restart();
    }
}

}  // namespace
}  // namespace krv
