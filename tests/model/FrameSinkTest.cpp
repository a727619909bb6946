// What each change of the model hands to its frame sink: which channels' frames, in which order,
// and only while connected; the observers hear of exactly the frames that went.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/AutoOutputEngine.h"
#include "model/ChannelOperations.h"
#include "model/FrameSink.h"
#include "model/GeneratorState.h"

namespace krv {
namespace {

struct RecordingSink : FrameSink {
    bool connected = true;
    std::vector<std::string> frames;
    bool Connected() const override { return connected; }
    void Send(std::string_view frame) override { frames.emplace_back(frame); }
};

struct SentHeard : OutputObserver {
    std::vector<int> channels;
    void OutputChanged(const GeneratorState&, int ch, OutputEvent event) override
    {
        if (event == OutputEvent::Sent) channels.push_back(ch);
    }
};

struct Change {
    const char* name;
    int circuits;
    std::function<void(GeneratorState&)> apply;
    // Channel indices of the frames handed over while connected, in order.
    std::vector<int> sent;
    // Nothing changes between the frames: each is the channel's frame as the state now holds it.
    bool settled = true;
};

// The channel index a W frame addresses (STX, "W", the channel number 1 to 4, ...).
int ChannelOf(const std::string& frame)
{
    return frame.size() > 2 ? frame[2] - '1' : -1;
}

TEST(FrameSinkTest, EachChangeHandsOverTheFramesTheUnitMustHear)
{
    const std::vector<Change> changes = {
        {"toggling an output sends its channel",
         2,
         [](GeneratorState& s) { ToggleOutput(s, 1); },
         {1}},
        {"a digit step sends every circuit",
         2,
         [](GeneratorState& s) { StepDigit(s, 0, 0, false); },
         {0, 1}},
        {"a preset sends every circuit",
         4,
         [](GeneratorState& s) { SelectPreset(s, 2, 1); },
         {0, 1, 2, 3}},
        {"a typed value sends every circuit",
         1,
         [](GeneratorState& s) { CommitTypedValue(s, 0, "2.5"); },
         {0}},
        {"a new range sends every circuit three times",
         2,
         [](GeneratorState& s) { ApplyRange(s, 1, kRange4_20mA); },
         {0, 1, 0, 1, 0, 1}},
        {"scaling on sends its channel",
         2,
         [](GeneratorState& s) { s.SetScalingMode(1, true); },
         {1}},
        {"scaling left as it is sends nothing",
         2,
         [](GeneratorState& s) { s.SetScalingMode(1, false); },
         {}},
        {"a conversion of an unscaled channel sends nothing",
         2,
         [](GeneratorState& s) { ApplyConversion(s, 0, 0.0, 50.0, 1, "%"); },
         {}},
        {"the unit's resend request reaches at most four channels",
         100,
         [](GeneratorState& s) { s.ResendAllOutputs(); },
         {0, 1, 2, 3}},
        {"a standalone channel's start sends only its run state",
         2,
         [](GeneratorState& s) {
             s.unitAutoOutput[1].standaloneMode = kStandaloneAuto;
             StartAutoOutput(s, 1, 0);
         },
         {1}},
        {"a PC-driven ramp's start sends every circuit",
         2,
         [](GeneratorState& s) {
             s.ResetAutoOutput();
             StartAutoOutput(s, 0, 0);
         },
         {0, 1}},
        // A damaged range is repaired, then every channel is put at its resting value: each
        // step sends every circuit, the repair twice.
        {"a reset repairs and sends",
         2,
         [](GeneratorState& s) {
             s.channels[0].range = 4;
             s.ResetForCircuitCount(2);
         },
         {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1},
         false},
    };
    for (const bool connected : {true, false}) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.name) + (connected ? "" : ", not connected"));
            AppValues app;
            RecordingSink sink;
            sink.connected = connected;
            GeneratorState state(app, &sink);
            state.circuitCount = change.circuits;
            SentHeard heard;
            state.AddObserver(heard);

            change.apply(state);

            std::vector<int> channels;
            for (const std::string& frame : sink.frames) channels.push_back(ChannelOf(frame));
            EXPECT_EQ(channels, connected ? change.sent : std::vector<int>{});
            EXPECT_EQ(heard.channels, channels);
            if (!change.settled) continue;
            for (const std::string& frame : sink.frames) {
                EXPECT_EQ(frame, state.BuildOutputFrame(ChannelOf(frame)));
            }
        }
    }
}

TEST(FrameSinkTest, AStateWithoutASinkIsNeverConnectedAndSendsNothing)
{
    AppValues app;
    GeneratorState state(app);
    SentHeard heard;
    state.AddObserver(heard);
    EXPECT_FALSE(state.Connected());
    EXPECT_FALSE(ToggleOutput(state, 0));
    EXPECT_FALSE(StartAutoOutput(state, 0, 0));
    state.SendAllCircuits();
    state.SendOutputFrame(0);
    EXPECT_TRUE(heard.channels.empty());

    // A sink given later is used from then on.
    RecordingSink sink;
    state.SetFrameSink(&sink);
    EXPECT_TRUE(ToggleOutput(state, 0));
    EXPECT_EQ(sink.frames, std::vector<std::string>{state.BuildOutputFrame(0)});
    EXPECT_EQ(heard.channels, std::vector<int>{0});
}

}  // namespace
}  // namespace krv
