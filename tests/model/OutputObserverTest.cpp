// Observers of a GeneratorState hear of status replies taken and frames sent, and only its own.
#include <gtest/gtest.h>

#include "model/GeneratorState.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"

namespace krv {
namespace {

struct Heard : OutputObserver {
    std::vector<std::pair<int, OutputEvent>> events;
    std::function<void()> during;
    void OutputChanged(const GeneratorState&, int ch, OutputEvent event) override
    {
        events.emplace_back(ch, event);
        if (during) during();
    }
};

class OutputObserverTest : public ::testing::Test {
  protected:
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
};

TEST_F(OutputObserverTest, StatusRepliesTakenAreHeardFramesNeverSentAreNot)
{
    Heard heard;
    state.AddObserver(heard);
    state.AddObserver(heard);  // once is enough
    test::StatusFields fields;
    fields.channel = '2';
    ASSERT_TRUE(state.ParseStatusReply(test::StatusReply(fields)));
    EXPECT_FALSE(state.ParseStatusReply("\x02R2 short\r\n"));
    state.SendOutputFrame(0);  // without a frame sink nothing is sent
    EXPECT_EQ(heard.events, (std::vector<std::pair<int, OutputEvent>>{{1, OutputEvent::Status}}));

    state.RemoveObserver(heard);
    ASSERT_TRUE(state.ParseStatusReply(test::StatusReply(fields)));
    EXPECT_EQ(heard.events.size(), 1u);
}

TEST_F(OutputObserverTest, ObserversBelongToTheObjectNotItsValue)
{
    Heard heard;
    state.AddObserver(heard);
    GeneratorState copy = state;
    ASSERT_TRUE(copy.ParseStatusReply(test::StatusReply({})));
    EXPECT_TRUE(heard.events.empty());
    GeneratorState other{app};
    state = other;  // keeps its own observers
    ASSERT_TRUE(state.ParseStatusReply(test::StatusReply({})));
    EXPECT_EQ(heard.events.size(), 1u);
}

TEST_F(OutputObserverTest, AnObserverMayLeaveWhileBeingTold)
{
    Heard first;
    Heard second;
    state.AddObserver(first);
    state.AddObserver(second);
    first.during = [&] { state.RemoveObserver(first); };
    state.NotifyObservers(0, OutputEvent::RunState);
    state.NotifyObservers(0, OutputEvent::RunState);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_EQ(second.events.size(), 2u);
}

}  // namespace
}  // namespace krv
