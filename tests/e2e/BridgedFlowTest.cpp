// The standalone write's restart through the unit's simulated USB bridge: a serial port that comes
// back late, and a unit that is slow to start.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <thread>

#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "flows/StandaloneFlows.h"
#include "flows/StatusPolling.h"
#include "model/GeneratorState.h"
#include "sim/Simulation.h"
#include "support/RecordingUi.h"
#include "support/WaitUntil.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

class BridgedFlowTest : public ::testing::Test {
  protected:
    // The unit behind its bridge, as the panel reaches it: the serial port, and the simulated
    // D2XX library for the restart pulse.
    void Start(sim::SimulationOptions options)
    {
        options.server.instant = true;
        options.server.unit.circuits = 2;
        simulation = std::make_unique<sim::Simulation>(std::move(options));
        std::string error;
        ASSERT_TRUE(simulation->Start(&error)) << error;
        link = std::make_unique<DeviceLink>(ui);  // after Start: it takes the simulated library
        link->SetPortName(simulation->PortPath());
        ASSERT_TRUE(link->OpenPort());
        frames = std::make_unique<LinkFrameSink>(*link);
        state = std::make_unique<GeneratorState>(app, frames.get());
        // Channel 1 runs a sawtooth on its own once the unit has restarted.
        state->channels[0].range = kRange0_10V;
        state->autoOutput[0].standaloneMode = kStandaloneAuto;
        state->autoOutput[0].ramps[kRange0_10V] = {kSawtooth, 0, 0.0f, 10.0f, 1.0f, 10, false};
    }

    FlowOutcome Write(FlowContext& context)
    {
        ui.Clear();
        StandaloneImage readBack;
        return RunStandaloneWrite(context, {*state, {0.0f, 0.0f}, false}, readBack);
    }

    // Channel 1's standalone mode and run state as the unit reports them (MS).
    std::pair<int, int> UnitModeOfChannel1()
    {
        LinkFrameSink freshFrames(*link);
        GeneratorState fresh(app, &freshFrames);
        if (!QueryStandaloneModes(*link, fresh)) return {-1, -1};
        return {fresh.unitAutoOutput[0].standaloneMode, fresh.unitAutoOutput[0].runState};
    }

    void TearDown() override
    {
        if (link) link->ClosePort();
        state.reset();
        frames.reset();
        link.reset();
        simulation.reset();
    }

    test::RecordingUi ui;
    AppValues app;
    std::unique_ptr<sim::Simulation> simulation;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<LinkFrameSink> frames;
    std::unique_ptr<GeneratorState> state;
};

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

TEST_F(BridgedFlowTest, PortThatComesBackLateIsWaitedForWithinItsBudget)
{
    sim::SimulationOptions options;
    options.portReturnDelay = 1500ms;
    Start(std::move(options));
    FlowContext context{*link, ui, nullptr};

    // Back after 1.5 s: the write waits for it and ends with the port open.
    EXPECT_EQ(Write(context), FlowOutcome::Succeeded) << testing::PrintToString(ui.Texts());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{kWriteDone});
    EXPECT_TRUE(link->IsOpen());
    EXPECT_EQ(simulation->Bridge().Restarts(), 1u);
    EXPECT_EQ(UnitModeOfChannel1(), std::make_pair(2, 1));

    // Not back within the budget: the written unit is not "done", and the port says why.
    context.portReturnBudget = 300ms;
    EXPECT_EQ(Write(context), FlowOutcome::RestartFailed);
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{kWriteDone, link->PortName() + "は使えません"}));
    EXPECT_FALSE(link->IsOpen());
    EXPECT_EQ(simulation->Bridge().Restarts(), 2u);

    // It does come back later.
    EXPECT_TRUE(test::WaitUntil([&] { return Exists(simulation->PortPath()); }));
    EXPECT_TRUE(link->OpenPort());
}

TEST_F(BridgedFlowTest, SlowStartingUnitKeepsTheAutomaticOutputJustWritten)
{
    // Slower to start than one standalone-mode query waits (four tries of 501 ms).
    constexpr auto kSlowStart = 2500ms;
    sim::SimulationOptions options;
    options.server.startUpTime = kSlowStart;
    Start(std::move(options));
    FlowContext context{*link, ui, nullptr};

    // The write ends only when the unit answers again; its request for the outputs has been
    // passed over by then.
    EXPECT_EQ(Write(context), FlowOutcome::Succeeded) << testing::PrintToString(ui.Texts());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{kWriteDone});
    // What the panel does after the dialog: ask the modes, then take lines on its ticks.
    ASSERT_TRUE(QueryStandaloneModes(*link, *state));
    EXPECT_FALSE(CheckUnsolicitedLine(*link, *state));
    EXPECT_EQ(UnitModeOfChannel1(), std::make_pair(2, 1));

    // Why the wait matters: a host that takes the request of a unit still starting, knowing only
    // what it knew before the write (no standalone channel), answers with output frames whose run
    // state stops the unit's automatic output.
    LinkFrameSink staleFrames(*link);
    GeneratorState stale(app, &staleFrames);
    stale.circuitCount = 2;
    simulation->Server().Restart();
    const auto deadline = std::chrono::steady_clock::now() + kSlowStart + 5s;
    bool answered = false;
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        link->WaitForInput(LinkKind::Com, std::chrono::steady_clock::now() + 100ms);
        answered = CheckUnsolicitedLine(*link, stale);
    }
    ASSERT_TRUE(answered);
    EXPECT_EQ(UnitModeOfChannel1(), std::make_pair(2, 0));
}

TEST_F(BridgedFlowTest, UnitThatNeverAnswersAfterItsRestartIsReported)
{
    sim::SimulationOptions options;
    options.server.startUpTime = 1h;
    Start(std::move(options));
    FlowContext context{*link, ui, nullptr};
    context.unitStartBudget = 0ms;  // one query of four tries
    EXPECT_EQ(Write(context), FlowOutcome::RestartFailed);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kWriteDone, kUnitSilentAfterRestart}));
}

}  // namespace
}  // namespace krv
