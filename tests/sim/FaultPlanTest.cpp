#include "sim/FaultPlan.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/CommandFrame.h"

namespace krv::sim {
namespace {

using Chunks = std::vector<std::string>;
const std::string kReply = "VER02.000\r\n";

FaultPlan MustParse(std::string_view list)
{
    std::string error;
    auto plan = FaultPlan::Parse(list, &error);
    EXPECT_TRUE(plan.has_value()) << list << ": " << error;
    return plan.value_or(FaultPlan{});
}

TEST(FaultPlanParse, ReadsItemsWithTheirCountProbabilityAndValue)
{
    EXPECT_TRUE(MustParse("").Empty());
    EXPECT_TRUE(MustParse("  ").Empty());

    const FaultPlan plan = MustParse("noise:4, drop@0.25 ,delay=150,silent,longline:2@1,corrupt");
    const auto& items = plan.Items();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].kind, FaultKind::Noise);
    EXPECT_EQ(items[0].remaining, 4u);
    EXPECT_FALSE(items[0].probability);
    EXPECT_EQ(items[1].kind, FaultKind::Drop);
    EXPECT_DOUBLE_EQ(items[1].probability.value_or(-1), 0.25);
    EXPECT_FALSE(items[1].remaining);
    EXPECT_EQ(items[2].kind, FaultKind::Delay);
    EXPECT_EQ(items[2].delay, std::chrono::milliseconds(150));
    EXPECT_EQ(items[3].kind, FaultKind::Silent);
    EXPECT_EQ(items[4].kind, FaultKind::LongLine);
    EXPECT_EQ(items[4].remaining, 2u);
    EXPECT_EQ(items[5].kind, FaultKind::Corrupt);
    EXPECT_TRUE(plan.SilencesEverything());
    EXPECT_FALSE(MustParse("silent:3").SilencesEverything());
    EXPECT_FALSE(MustParse("silent@0.5").SilencesEverything());
}

TEST(FaultPlanParse, RejectsBadListsNamingTheItem)
{
    for (const char* list : {"bogus",
                             "DROP",
                             "drop:",
                             "drop:0",
                             "drop:x",
                             "drop:-1",
                             "drop:99999999999",
                             "drop@",
                             "drop@1.5",
                             "drop@-0.1",
                             "drop@nan",
                             "drop@0.5x",
                             "delay",
                             "delay=",
                             "delay=-5",
                             "delay=abc",
                             "delay=3600001",
                             "drop=5",
                             "drop,,noise",
                             "drop,",
                             "drop:1:2",
                             "drop3",
                             "noise;drop"}) {
        std::string error;
        EXPECT_FALSE(FaultPlan::Parse(list, &error).has_value()) << list;
        EXPECT_FALSE(error.empty()) << list;
    }
    std::string error;
    FaultPlan::Parse("noise:2,drop:zero", &error);
    EXPECT_NE(error.find("drop:zero"), std::string::npos) << error;
    EXPECT_FALSE(FaultPlan::Parse("bogus", nullptr).has_value());
}

TEST(FaultPlanApply, CountsAreConsumedPerReplyTheFaultAppliedTo)
{
    std::mt19937_64 random(1);
    FaultPlan drop = MustParse("drop:2");
    EXPECT_TRUE(drop.Apply(kReply, random).chunks.empty());
    EXPECT_TRUE(drop.Apply(kReply, random).chunks.empty());
    EXPECT_EQ(drop.Apply(kReply, random).chunks, Chunks{kReply});

    FaultPlan noiseInstead = MustParse("noise:4,drop:4");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(noiseInstead.Apply(kReply, random).chunks, Chunks{"#NOISE\r\n"});
    }
    EXPECT_EQ(noiseInstead.Apply(kReply, random).chunks, Chunks{kReply});

    // Silence preempts the other faults without using up their counts.
    FaultPlan silent = MustParse("silent:1,noise:1");
    EXPECT_TRUE(silent.Apply(kReply, random).chunks.empty());
    EXPECT_EQ(silent.Apply(kReply, random).chunks, (Chunks{"#NOISE\r\n", kReply}));
    EXPECT_EQ(silent.Apply(kReply, random).chunks, Chunks{kReply});
}

TEST(FaultPlanApply, ShapesTheReply)
{
    std::mt19937_64 random(1);
    EXPECT_EQ(MustParse("corrupt").Apply(kReply, random).chunks, Chunks{"XER02.000\r\n"});
    EXPECT_EQ(MustParse("corrupt").Apply("XY\r\n", random).chunks, Chunks{"YY\r\n"});

    const FaultedReply delayed = MustParse("delay=100,delay=20:1").Apply(kReply, random);
    EXPECT_EQ(delayed.delay, std::chrono::milliseconds(120));
    EXPECT_EQ(delayed.chunks, Chunks{kReply});

    const FaultedReply junk = MustParse("longline,noise").Apply(kReply, random);
    ASSERT_EQ(junk.chunks.size(), 3u);
    EXPECT_EQ(junk.chunks[0], "#NOISE\r\n");
    EXPECT_EQ(junk.chunks[1].size(), FaultPlan::kLongLineLength);
    for (char c : junk.chunks[1]) ASSERT_TRUE(c >= 0x21 && c <= 0x7E) << int(c);
    EXPECT_EQ(junk.chunks[2], kReply);
}

TEST(FaultPlanApply, CorruptingAFramedReplyBreaksItsChecksum)
{
    const std::string framed = CommandFrame::Framed("CR").Hex1(1).Hex4(0x1234).WithEtxAndChecksum();
    ASSERT_TRUE(IsValidFramedReply(framed, framed.size()));
    const std::string bad = FaultPlan::Corrupted(framed);
    EXPECT_EQ(bad.size(), framed.size());
    EXPECT_FALSE(IsValidFramedReply(bad, bad.size()));
    EXPECT_EQ(bad.substr(0, bad.find('\x03') + 1), framed.substr(0, framed.find('\x03') + 1));

    // Without a checksum the reply letter changes instead.
    EXPECT_EQ(FaultPlan::Corrupted("\x02MS0100\x03\r\n"), "\x02XS0100\x03\r\n");
}

TEST(FaultPlanApply, ProbabilityIsRepeatableForASeed)
{
    auto run = [](std::uint64_t seed, std::string_view list) {
        FaultPlan plan = MustParse(list);
        std::mt19937_64 random(seed);
        std::string pattern;
        for (int i = 0; i < 400; ++i)
            pattern += plan.Apply(kReply, random).chunks.empty() ? 'd' : '.';
        return pattern;
    };
    const std::string first = run(42, "drop@0.3");
    EXPECT_EQ(first, run(42, "drop@0.3"));
    EXPECT_NE(first, run(43, "drop@0.3"));
    const auto drops = std::count(first.begin(), first.end(), 'd');
    EXPECT_GT(drops, 80);
    EXPECT_LT(drops, 160);

    const std::string limited = run(42, "drop:3@0.5");
    EXPECT_EQ(std::count(limited.begin(), limited.end(), 'd'), 3);
    EXPECT_EQ(run(5, "drop@0"), std::string(400, '.'));
    EXPECT_EQ(run(5, "drop@1"), std::string(400, 'd'));
}

}  // namespace
}  // namespace krv::sim
