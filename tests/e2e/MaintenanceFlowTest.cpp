// The standalone write and verify flows, the unit information and the calibration commands
// against the virtual unit over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "flows/StandaloneFlows.h"
#include "flows/UnitInformation.h"
#include "model/CalibrationValues.h"
#include "model/GeneratorState.h"
#include "protocol/Calibration.h"
#include "protocol/StatusReply.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

struct ProgressEvent {
    std::string status;
    int progress;
    bool operator==(const ProgressEvent&) const = default;
};

class MaintenanceFlowTest : public test::SimFixture {
  protected:
    // Both channels in automatic mode with points: channel 1 a point list in 0-10 V, channel 2 a
    // sawtooth in 4-20 mA with points of its own that it does not run.
    void FillState(int points1, int points2)
    {
        state.channels[0].range = kRange0_10V;
        state.autoOutput[0].standaloneMode = kStandaloneAuto;
        state.autoOutput[0].ramps[kRange0_10V].waveform = kArbitrary;
        for (int i = 0; i < points1; ++i) {
            state.autoOutput[0].points[i] = {true, 0.5f * static_cast<float>(i % 20), 10, false};
        }
        state.channels[1].range = kRange4_20mA;
        state.autoOutput[1].standaloneMode = kStandaloneAuto;
        state.autoOutput[1].ramps[kRange4_20mA] = {kSawtooth, 0, 4.0f, 20.0f, 2.0f, 10, false};
        for (int i = 0; i < points2; ++i) {
            state.autoOutput[1].points[i] = {true, 4.0f + static_cast<float>(i % 16), 20,
                                             i % 7 == 3};
        }
    }

    FlowContext Context()
    {
        FlowContext context{link, ui, [this](const std::string& status, int progress) {
                                events.push_back({status, progress});
                            }};
        context.restartUnit = [this](DeviceLink&) {
            ++restarts;
            return RestartUnit();
        };
        return context;
    }

    StandaloneSource Source() { return {state, {1.5f, 8.0f}, true}; }

    std::vector<int> Progresses() const
    {
        std::vector<int> values;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (i == 0 || events[i].progress != events[i - 1].progress) {
                values.push_back(events[i].progress);
            }
        }
        return values;
    }
    std::vector<std::string> Statuses() const
    {
        std::vector<std::string> texts;
        for (const ProgressEvent& e : events) {
            if (texts.empty() || texts.back() != e.status) texts.push_back(e.status);
        }
        return texts;
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::vector<ProgressEvent> events;
    int restarts = 0;
    StandaloneImage readBack;
};

class WrittenAndVerified : public MaintenanceFlowTest,
                           public ::testing::WithParamInterface<bool> {};

TEST_P(WrittenAndVerified, ThenTheUnitRunsTheImageAfterItsRestart)
{
    StartUnit("", GetParam());
    FillState(40, 30);
    FlowContext context = Context();
    ASSERT_EQ(RunStandaloneWrite(context, Source(), readBack), FlowOutcome::Succeeded)
        << testing::PrintToString(ui.Texts());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"書込み正常終了、再起動します"});
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(link.IsOpen());  // opened again after the restart
    EXPECT_EQ(readBack, BuildStandaloneImage(state, {1.5f, 8.0f}, true));
    EXPECT_EQ(Statuses(), (std::vector<std::string>{
                              "消去中", "データ転送中", "データ書込中1", "データ書込中2",
                              "データ書込中3", "データ読出中1", "データ読出中2", "データ読出中3",
                              "データ読出中4", "書込完了", "再起動中", "正常終了"}));
    // 70 points end the data in area 0: the transfer of areas 1 and 2 is left out.
    EXPECT_EQ(Progresses(), (std::vector<int>{0, 5, 10, 15, 20, 45, 50, 55, 60, 65, 70, 90, 100}));

    ui.Clear();
    events.clear();
    readBack = StandaloneImage{};
    ASSERT_EQ(RunStandaloneVerify(context, Source(), readBack), FlowOutcome::Succeeded);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"照合結果：一致"});
    EXPECT_EQ(Progresses(), (std::vector<int>{0, 60, 65, 70, 90}));
    EXPECT_EQ(events.back().status, "照合完了");

    // The restarted unit runs both channels itself: MS reports automatic output, running, and
    // the status replies show the output moving.
    LinkFrameSink connectedFrames(link);
    GeneratorState connected(app, &connectedFrames);
    ASSERT_TRUE(QueryStandaloneModes(link, connected));
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(connected.unitAutoOutput[k].standaloneMode, kStandaloneAuto) << k;
        EXPECT_EQ(connected.unitAutoOutput[k].runState, 1) << k;
    }
    // The unit steps a 0.1 s sawtooth on its own clock: asked now and then, it shows three codes.
    std::set<unsigned> codes;
    EXPECT_TRUE(test::WaitUntil(
        [&] {
            const auto report = ExchangeStatus(link, 1);
            if (!report) {
                ADD_FAILURE() << "no status reply";
                return true;
            }
            EXPECT_EQ(report->range, static_cast<unsigned>(kRange4_20mA));
            EXPECT_EQ(report->runState, 1);
            EXPECT_TRUE(report->mainControl & 0x1000);
            codes.insert(report->outputCode);
            return codes.size() >= 3;
        },
        10000ms, 20ms));
}

INSTANTIATE_TEST_SUITE_P(Timing, WrittenAndVerified, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Instant" : "WireTimed"; });

TEST_F(MaintenanceFlowTest, FailuresStopTheFlowWithTheirMessage)
{
    const struct {
        const char* unitFaults;
        const char* lineFaults;
        FlowOutcome outcome;
        const char* message;
        int lastProgress;
    } cases[] = {
        {"pe=3A", "", FlowOutcome::Failed, "E2-2 ブランク異常、終了します", 0},
        // Refusals whose code arrives damaged, or names no error, are refusals all the same.
        {"pe=3A", "corrupt=3/5A#NG", FlowOutcome::Failed, "NG（エラーコード読取不能）、終了します",
         0},
        {"pe=3A", "corrupt=2/20#NG", FlowOutcome::Failed, "NG（エラーコード読取不能）、終了します",
         0},
        {"pe=01", "corrupt=3/30#NG", FlowOutcome::Failed, "NG00、終了します", 0},
        // A refused write ends the flow before the read-back (the data ends in area 1).
        {"pw=40", "", FlowOutcome::Failed, "E2-0 書込異常、終了します", 30},
        {"pw=40", "corrupt=2/2D#NG", FlowOutcome::Failed, "NG（エラーコード読取不能）、終了します",
         30},
        // A damaged read reply is read again.
        {"pr=3", "", FlowOutcome::Succeeded, "書込み正常終了、再起動します", 100},
        // Silent after the three erasures and two blocks: the transfer times out.
        {"silent-after=5", "", FlowOutcome::Failed, "タイムアウト、終了します", 15},
    };
    FillState(100, 100);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.unitFaults) + " " + c.lineFaults);
        sim::UnitConfig config;
        std::string error;
        ASSERT_TRUE(sim::ParseCommandFaults(c.unitFaults, config.faults, &error)) << error;
        StartUnit(c.lineFaults, true, config);
        ui.Clear();
        events.clear();
        FlowContext context = Context();
        EXPECT_EQ(RunStandaloneWrite(context, Source(), readBack), c.outcome);
        ASSERT_FALSE(ui.Texts().empty());
        EXPECT_EQ(ui.Texts().front(), c.message);
        EXPECT_EQ(events.empty() ? -1 : events.back().progress, c.lastProgress);
        link.ClosePort();
        server->Stop();
    }
}

TEST_F(MaintenanceFlowTest, RefusalsAndDifferencesAndCancelling)
{
    StartUnit();
    FlowContext context = Context();

    // Too many points in automatic channels: nothing reaches the unit.
    FillState(200, 56);
    EXPECT_EQ(RunStandaloneWrite(context, Source(), readBack), FlowOutcome::Refused);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"任意波データの合計数が 256 以上です"});
    EXPECT_TRUE(server->Received().empty());

    // Written with one fixed value, verified against another.
    state.ResetAutoOutput();
    FillState(10, 0);
    ASSERT_EQ(RunStandaloneWrite(context, Source(), readBack), FlowOutcome::Succeeded);
    ui.Clear();
    StandaloneSource other{state, {1.5f, 8.5f}, true};
    EXPECT_EQ(RunStandaloneVerify(context, other, readBack), FlowOutcome::Failed);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"照合エラー 固定出力値"});

    // Cancelled after the first erasure: nothing more is sent.
    std::atomic<bool> cancel{false};
    context.cancel = &cancel;
    context.progress = [&](const std::string&, int progress) { cancel = progress >= 5; };
    server->ClearRecords();
    ui.Clear();
    EXPECT_EQ(RunStandaloneWrite(context, Source(), readBack), FlowOutcome::Cancelled);
    EXPECT_TRUE(ui.Texts().empty());
    EXPECT_EQ(server->Received().size(), 1u);
}

TEST_F(MaintenanceFlowTest, WithoutABridgeTheUserIsAskedToRestartTheUnit)
{
    StartUnit();
    FillState(3, 3);
    FlowContext context{link, ui, nullptr};
    // The unit holds and uses the new image, but it has not been restarted: not a plain success.
    ASSERT_EQ(RunStandaloneWrite(context, Source(), readBack), FlowOutcome::RestartFailed);
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"書込み正常終了、再起動します", kRestartByHand}));
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(MaintenanceFlowTest, UnitInformationReadsEveryNamedRange)
{
    sim::UnitConfig config;
    config.circuits = 2;
    StartUnit("", true, config);
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.Calibration().Set(1, kRange4_20mA, {0x0002, 0x0012, 0x8123, 0xFFFB, 0x7FF6});
    });
    state.firmwareVersion = "020000";
    const auto text = BuildUnitInformation(link, state, 2, ui);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("チャネル 2\r\n  0～5 V\t\t0\t0\t0\t0\tメーカー\r\n"), std::string::npos);
    EXPECT_NE(text->find("  内 4～20 mA\t18\t291\t-5\t-10\tユーザー\r\n"), std::string::npos);
    EXPECT_EQ(server->Received().size(), 40u);
    EXPECT_TRUE(ui.Texts().empty());

    // A unit that falls silent in the second circuit: the message, and no text.
    std::string error;
    sim::CommandFaults faults;
    ASSERT_TRUE(sim::ParseCommandFaults("silent-after=25", faults, &error));
    server->WithUnit([&](sim::VirtualUnit& unit) { unit.SetCommandFaults(faults); });
    EXPECT_FALSE(BuildUnitInformation(link, state, 2, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"通信エラーが発生しました"});
}

TEST_F(MaintenanceFlowTest, CalibrationWrittenAndStoredSurvivesARestart)
{
    StartUnit();
    const CalibrationTables tables = CalibrationTablesOf(state);
    ASSERT_TRUE(ReadCalibration(link, LinkKind::Com, 0, kUserTable, kRange0_10V, tables));
    UserCalibrationEntry& entry = state.channels[0].userCalibration[kRange0_10V];
    entry = {static_cast<std::uint16_t>((entry.mode & ~0x3) | 2), 7, GainWord(-3)};
    EXPECT_TRUE(SetCalibrationTrial(link, kTrialMaximum, 0, kRange0_10V, 7, GainWord(-3)));
    EXPECT_TRUE(WriteCalibration(link, LinkKind::Com, 0, kRange0_10V, kUserTable, tables));
    EXPECT_TRUE(SaveCalibration(link, LinkKind::Com, kUserTable));
    EXPECT_EQ(server->OutputHistory(0).back().outputCode, 0xFFFF);

    ASSERT_TRUE(RestartUnit());
    state.channels[0].userCalibration[kRange0_10V] = {};
    ASSERT_TRUE(ReadCalibration(link, LinkKind::Com, 0, kUserTable, kRange0_10V, tables));
    EXPECT_EQ(state.channels[0].userCalibration[kRange0_10V],
              (UserCalibrationEntry{2, 7, GainWord(-3)}));
    EXPECT_TRUE(InitUserCalibration(link));
    ASSERT_TRUE(ReadCalibration(link, LinkKind::Com, 0, kUserTable, kRange0_10V, tables));
    EXPECT_EQ(state.channels[0].userCalibration[kRange0_10V], (UserCalibrationEntry{2, 0, 0x8000}));
}

}  // namespace
}  // namespace krv
