#include "sim/FaultPlan.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

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
    EXPECT_FALSE(MustParse("silent#R").SilencesEverything());

    const FaultPlan bytes = MustParse("corrupt=5,forge=2/37:1#R,forge,corrupt=*/0d@0.5");
    const auto& changes = bytes.Items();
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_EQ(changes[0].kind, FaultKind::Corrupt);
    ASSERT_TRUE(changes[0].change);
    EXPECT_EQ(changes[0].change->position, 5u);
    EXPECT_FALSE(changes[0].change->value);
    EXPECT_EQ(changes[1].kind, FaultKind::Forge);
    EXPECT_EQ(changes[1].change->position, 2u);
    EXPECT_EQ(changes[1].change->value, 0x37);
    EXPECT_EQ(changes[1].remaining, 1u);
    EXPECT_EQ(changes[1].replyLetters, "R");
    EXPECT_FALSE(changes[2].change);
    EXPECT_EQ(changes[3].change->position, ByteChange::kRandom);
    EXPECT_EQ(changes[3].change->value, 0x0D);
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
                             "noise;drop",
                             "corrupt=",
                             "corrupt=x",
                             "corrupt=-1",
                             "corrupt=5/3",
                             "corrupt=5/333",
                             "corrupt=5/GG",
                             "corrupt=5/",
                             "forge=1=2",
                             "noise=3",
                             "drop#",
                             "drop#R#CH",
                             "drop#R S"}) {
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

// A status reply of channel 1 as the unit sends it: 60 bytes, checksum fitting.
const std::string kStatusReply = CommandFrame::Framed("R")
                                     .Hex1(1)
                                     .Hex2(5)
                                     .Hex4(0x8000)
                                     .Hex4(0x100D)
                                     .Text(std::string(42, '0'))
                                     .WithEtxAndChecksum();

TEST(FaultPlanApply, ChangesAnyByteWithOrWithoutAFittingChecksum)
{
    ASSERT_EQ(kStatusReply.size(), 60u);
    ASSERT_TRUE(IsValidFramedReply(kStatusReply, 60));
    struct Case {
        const char* list;
        std::string reply;
        std::string expected;  // empty: compare only the changed byte and the check
        std::size_t position;
        char byte;
        bool passesCheck;
    };
    const auto with = [](std::string text, std::size_t pos, char c) {
        text[pos] = c;
        return text;
    };
    const Case cases[] = {
        // Plain replies have no checksum: both faults change the byte and nothing else.
        {"corrupt=4/31", kReply, "VER01.000\r\n", 4, '1', true},
        {"forge=5", kReply, "VER02X000\r\n", 5, 'X', true},
        {"corrupt=2", "CH2\r\n", "CH3\r\n", 2, '3', true},
        {"corrupt=9/30", "CH2\r\n", "CH2\r\n", 0, 'C', true},  // past the end: unchanged
        // A framed reply: corrupting breaks the check, forging keeps it.
        {"corrupt=2/37", kStatusReply, with(kStatusReply, 2, '7'), 2, '7', false},
        {"forge=2/37", kStatusReply, "", 2, '7', true},
        {"forge=28", kStatusReply, "", 28, '1', true},
        {"forge=0/58", kStatusReply, "", 0, 'X', false},  // no STX: no frame to check
        // Forging a checksum digit is undone by the fitting checksum.
        {"forge=56/30", kStatusReply, kStatusReply, 56, kStatusReply[56], true},
        // Later items work on what earlier ones left.
        {"forge=2/37,corrupt", kStatusReply, "", 2, '7', false},
    };
    for (const Case& c : cases) {
        std::mt19937_64 random(1);
        const FaultedReply out = MustParse(c.list).Apply(c.reply, random);
        ASSERT_EQ(out.chunks.size(), 1u) << c.list;
        const std::string& got = out.chunks[0];
        ASSERT_EQ(got.size(), c.reply.size()) << c.list;
        if (!c.expected.empty()) {
            EXPECT_EQ(got, c.expected) << c.list;
        }
        EXPECT_EQ(got[c.position], c.byte) << c.list;
        if (c.reply[0] == '\x02') {
            EXPECT_EQ(IsValidFramedReply(got, got.size()), c.passesCheck) << c.list;
        }
    }
}

TEST(FaultPlanApply, RandomChangesReachEveryByteOfTheContent)
{
    std::mt19937_64 random(3);
    FaultPlan forge = MustParse("forge");
    std::set<std::size_t> forged;
    for (int i = 0; i < 2000; ++i) {
        const std::string got = forge.Apply(kStatusReply, random).chunks.at(0);
        ASSERT_TRUE(IsValidFramedReply(got, 60)) << got;
        std::size_t differing = 0;
        for (std::size_t k = 1; k < 55; ++k) {
            if (got[k] != kStatusReply[k]) {
                forged.insert(k);
                ++differing;
            }
        }
        ASSERT_EQ(differing, 1u) << got;
    }
    EXPECT_EQ(forged.size(), 54u);  // every byte between STX and ETX

    FaultPlan corrupt = MustParse("corrupt=*");
    std::set<std::size_t> corrupted;
    for (int i = 0; i < 300; ++i) {
        const std::string got = corrupt.Apply(kReply, random).chunks.at(0);
        ASSERT_EQ(got.size(), kReply.size());
        ASSERT_EQ(got.substr(got.size() - 2), "\r\n");
        for (std::size_t k = 0; k + 2 < got.size(); ++k) {
            if (got[k] != kReply[k]) corrupted.insert(k);
        }
    }
    EXPECT_EQ(corrupted.size(), kReply.size() - 2);
}

TEST(FaultPlanApply, ReplyLettersChooseTheRepliesAnItemAppliesTo)
{
    std::mt19937_64 random(1);
    FaultPlan plan = MustParse("corrupt=2/37:1#R,drop:1#CH");
    // The VER reply is not chosen and uses up neither count.
    EXPECT_EQ(plan.Apply(kReply, random).chunks, Chunks{kReply});
    EXPECT_TRUE(plan.Apply("CH2\r\n", random).chunks.empty());
    EXPECT_EQ(plan.Apply("CH2\r\n", random).chunks, Chunks{"CH2\r\n"});
    const std::string damaged = plan.Apply(kStatusReply, random).chunks.at(0);
    EXPECT_EQ(damaged[2], '7');
    EXPECT_EQ(plan.Apply(kStatusReply, random).chunks, Chunks{kStatusReply});
}

TEST(FaultPlanApply, AlteredBytesKeepTheirKind)
{
    const std::pair<char, char> table[] = {{'0', '1'}, {'8', '9'}, {'9', '0'},   {'A', 'B'},
                                           {'F', 'G'}, {'Z', 'A'}, {'a', 'b'},   {'z', 'a'},
                                           {'.', 'X'}, {' ', 'X'}, {'\x03', 'X'}};
    for (const auto& [in, out] : table) EXPECT_EQ(FaultPlan::Altered(in), out) << int(in);
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
