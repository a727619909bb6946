#include <gtest/gtest.h>

#include <optional>

#include "panel/TickRest.h"

namespace krv {
namespace {

// Every way out of a maintenance command: the tick always comes back; the polling comes back only
// as the command said, and is otherwise left as the command's work left it.
TEST(TickRestTest, RestsTickAndPollingAndRestoresAsTold)
{
    struct Case {
        const char* name;
        bool pollingBefore;
        bool withPolling;
        std::optional<bool> resumeAs;  // nullopt: ResumePolling not called
        bool pollingSetMeanwhile;
        bool pollingAfter;
    };
    const Case cases[] = {
        {"tick only leaves polling alone", true, false, std::nullopt, true, true},
        {"resume on after polling was off", false, true, true, false, true},
        {"resume off after polling was on", true, true, false, false, false},
        {"no resume keeps what the work left", true, true, std::nullopt, true, true},
        {"no resume keeps it stopped", true, true, std::nullopt, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool tick = true;
        bool polling = c.pollingBefore;
        {
            TickRest rest(tick, c.withPolling ? &polling : nullptr);
            EXPECT_FALSE(tick);
            if (c.withPolling) {
                EXPECT_FALSE(polling);
                EXPECT_EQ(rest.WasPolling(), c.pollingBefore);
            } else {
                EXPECT_FALSE(rest.WasPolling());
            }
            polling = c.pollingSetMeanwhile;
            if (c.resumeAs) rest.ResumePolling(*c.resumeAs);
        }
        EXPECT_TRUE(tick);
        EXPECT_EQ(polling, c.pollingAfter);
    }
}

}  // namespace
}  // namespace krv
