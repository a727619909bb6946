// The standalone memory image: its byte layout, the point table, the point-count check and the
// comparison with what the unit holds.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

#include "model/GeneratorState.h"
#include "model/StandaloneImageBuilder.h"

namespace krv {
namespace {

std::string Hex(const MemoryImage& bytes, std::size_t from, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = from; i < from + count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

class StandaloneImageTest : public ::testing::Test {
  protected:
    void UsePoints(int k, int count)
    {
        for (int i = 0; i < count; ++i) {
            ArbitraryPoint& p = state.autoOutput[k].points[i];
            p.used = true;
            p.value = static_cast<float>(i);
            p.interval = 10 + i;
        }
    }

    AppValues app;
    GeneratorState state{app};
};

TEST_F(StandaloneImageTest, RecordsAndPointsAreLaidOutLittleEndian)
{
    ChannelSettings& c = state.channels[0];
    c.range = kRange4_20mA;
    c.scalingOn = true;
    c.scaledMin = 0.1;
    c.scaledMax = 100.0;
    c.scaledDigits = 2;
    AutoOutputChannel& a = state.autoOutput[0];
    a.standaloneMode = kStandaloneAuto;
    a.ramps[kRange4_20mA] = {kTriangle, 7, 4.5f, 20.0f, 0.25f, 150, false};
    a.ramps[kScaledRange] = {kSawtooth, 1, 1.0f, 2.0f, 3.0f, 4, false};  // not the one taken
    a.points[0] = {true, 1.0f, 100, false};
    a.points[1] = {true, -2.5f, 100000, true};
    a.points[2] = {true, 0.0f, 1, false};
    a.points[4] = {true, 9.0f, 1, false};  // after the first unused point: left out
    state.channels[1].range = kRange0_10V;
    state.autoOutput[1].standaloneMode = kStandaloneFixed;
    state.autoOutput[1].points[0] = {true, 3.0f, 20, false};
    state.autoOutput[1].points[1] = {true, 4.0f, 30, true};

    const StandaloneImage image = BuildStandaloneImage(state, {12.5f, -1.0f}, true);
    const MemoryImage& b = image.bytes;
    EXPECT_EQ(Hex(b, 0, 32), "0100" + std::string(60, '0'));
    EXPECT_EQ(Hex(b, 32, 48),
              "1201"
              "0000"
              "05000000"
              "CDCCCC3D"
              "0000C842"
              "02000000"
              "00004841"
              "07000000"
              "00009040"
              "0000A041"
              "0000803E"
              "96000000"
              "0000"
              "0200");
    EXPECT_EQ(Hex(b, 80, 44), std::string(88, '0'));
    // Channel 2: fixed value, no conversion, ramp of 0-10 V at its defaults, points 3 and 4.
    EXPECT_EQ(Hex(b, 124, 48),
              "0100"
              "0000"
              "01000000"
              "00000000"
              "0000803F"
              "00000000"
              "000080BF"
              "00000000"
              "00000000"
              "00000000"
              "00000000"
              "64000000"
              "0300"
              "0400");
    EXPECT_EQ(Hex(b, 216, 32), std::string(64, '0'));
    EXPECT_EQ(Hex(b, 248, 40),
              "01640000"
              "0000803F"  // 1.0, 1.00 s
              "03A08601"
              "000020C0"  // -2.5, 1000.00 s, pause
              "01010000"
              "00000000"  // 0.0, 0.01 s
              "05140000"
              "00004040"  // channel 2: 3.0, 0.20 s
              "071E0000"
              "00008040");  // channel 2: 4.0, 0.30 s, pause
    EXPECT_EQ(Hex(b, 288, b.size() - 288), std::string(2 * (b.size() - 288), '0'));

    // Reading back gives the fields that went in.
    const StandaloneChannelRecord r = image.Record(0);
    EXPECT_EQ(r.Mode(), kStandaloneAuto);
    EXPECT_EQ(r.Waveform(), kTriangle);
    EXPECT_TRUE(r.ScalingOn());
    EXPECT_EQ(r.scaledMin, 0.1f);
    const StandalonePointEntry p = image.Point(1);
    EXPECT_TRUE(p.Used());
    EXPECT_TRUE(p.Pause());
    EXPECT_EQ(p.Channel(), 0);
    EXPECT_EQ(p.Interval(), 100000);
    EXPECT_EQ(image.Point(3).Channel(), 1);
}

TEST_F(StandaloneImageTest, PointTableHoldsChannelOneThenChannelTwoUpTo256)
{
    const std::uint16_t none = kNoStandalonePoint;
    const struct {
        int points1, points2;
        std::uint16_t first1, last1, first2, last2;
    } cases[] = {
        {0, 0, none, none, none, none},
        {0, 3, none, none, 0, 2},
        {3, 0, 0, 2, none, none},
        {250, 10, 0, 249, 250, 255},
        {300, 10, 0, 255, none, none},  // the table is full before
                                        // channel 2
        {1000, 0, 0, 255, none, none},
    };
    for (const auto& c : cases) {
        state.ResetAutoOutput();
        UsePoints(0, c.points1);
        UsePoints(1, c.points2);
        const StandaloneImage image = BuildStandaloneImage(state, {0.0f, 0.0f}, false);
        SCOPED_TRACE(testing::Message() << c.points1 << "+" << c.points2);
        EXPECT_EQ(image.Record(0).firstPoint, c.first1);
        EXPECT_EQ(image.Record(0).lastPoint, c.last1);
        EXPECT_EQ(image.Record(1).firstPoint, c.first2);
        EXPECT_EQ(image.Record(1).lastPoint, c.last2);
        const int placed = std::min(256, c.points1 + c.points2);
        for (int n = 0; n < 256; ++n) {
            const StandalonePointEntry e = image.Point(n);
            ASSERT_EQ(e.Used(), n < placed) << n;
            if (n < placed) {
                EXPECT_EQ(e.Channel(), n < c.points1 ? 0 : 1) << n;
            }
        }
    }
}

TEST_F(StandaloneImageTest, OnlyAutomaticChannelsCountTowardsThePointLimit)
{
    const struct {
        int mode1, points1, mode2, points2;
        bool refused;
    } cases[] = {
        {kStandaloneAuto, 200, kStandaloneAuto, 56, true},
        {kStandaloneAuto, 200, kStandaloneAuto, 55, false},
        {kStandaloneAuto, 256, kStandaloneOff, 0, true},
        {kStandaloneAuto, 255, kStandaloneFixed, 300, false},
        {kStandaloneFixed, 300, kStandaloneOff, 300, false},
    };
    for (const auto& c : cases) {
        state.ResetAutoOutput();
        state.autoOutput[0].standaloneMode = c.mode1;
        state.autoOutput[1].standaloneMode = c.mode2;
        UsePoints(0, c.points1);
        UsePoints(1, c.points2);
        const auto refusal = StandalonePointCountRefusal(state);
        EXPECT_EQ(refusal.has_value(), c.refused) << c.points1 << "+" << c.points2;
        if (refusal) {
            EXPECT_EQ(*refusal, "任意波データの合計数が 256 以上です");
        }
    }
}

TEST_F(StandaloneImageTest, ComparisonNamesTheFirstDifference)
{
    state.autoOutput[0].standaloneMode = kStandaloneAuto;
    state.autoOutput[1].standaloneMode = kStandaloneFixed;
    UsePoints(0, 4);
    UsePoints(1, 4);
    const StandaloneImage image = BuildStandaloneImage(state, {1.0f, 2.0f}, true);

    using Change = std::function<void(StandaloneImage&)>;
    const auto record = [](int k, std::function<void(StandaloneChannelRecord&)> f) -> Change {
        return [=](StandaloneImage& i) {
            StandaloneChannelRecord r = i.Record(k);
            f(r);
            i.SetRecord(k, r);
        };
    };
    const auto point = [](int n, std::function<void(StandalonePointEntry&)> f) -> Change {
        return [=](StandaloneImage& i) {
            StandalonePointEntry e = i.Point(n);
            f(e);
            i.SetPoint(n, e);
        };
    };
    const struct {
        Change change;
        int code;
        const char* name;
    } cases[] = {
        {[](StandaloneImage&) {}, 0, "エラー無し"},
        {[](StandaloneImage& i) { i.SetLinkedFlag(0); }, 16, "連動動作"},
        {record(0, [](auto& r) { r.flags ^= 0x0003; }), 32, "PCレス"},
        {record(1, [](auto& r) { r.flags ^= 0x0020; }), 33, "自動出力モード"},
        {record(0, [](auto& r) { r.flags ^= 0x0100; }), 34, "換算モード"},
        {record(0, [](auto& r) { r.flags ^= 0x8000; }), 0, "エラー無し"},
        {record(1, [](auto& r) { r.range = 3; }), 48, "出力レンジ"},
        {record(0, [](auto& r) { r.scaledMax = 99.0f; }), 49, "換算式"},
        {record(0, [](auto& r) { r.scaledDigits = 1; }), 49, "換算式"},
        {record(1, [](auto& r) { r.fixedValue = 2.5f; }), 50, "固定出力値"},
        {record(0, [](auto& r) { r.repeat = 3; }), 51, "繰返し値"},
        {record(0, [](auto& r) { r.start = 0.5f; }), 52, "開始値"},
        {record(0, [](auto& r) { r.end = 0.5f; }), 53, "終了値"},
        {record(0, [](auto& r) { r.step = 0.5f; }), 54, "変化量"},
        {record(0, [](auto& r) { r.interval = 7; }), 55, "更新間隔"},
        {record(0,
                [](auto& r) {
                    r.firstPoint = 9;
                    r.lastPoint = 9;
                }),
         0, "エラー無し"},
        {[](StandaloneImage& i) { i.bytes[100] = 0xFF; }, 0, "エラー無し"},
        {point(7, [](auto& e) { e.bits ^= 0x1; }), 64, "任意波　データ有無"},
        {point(2, [](auto& e) { e.bits ^= 0x2; }), 65, "任意波　一時停止"},
        {point(2, [](auto& e) { e.bits ^= 0x4; }), 66, "任意波　チャネル"},
        {point(2, [](auto& e) { e.bits ^= 0xF0; }), 0, "エラー無し"},
        {point(2, [](auto& e) { e.bits ^= 0x100; }), 67, "任意波　更新間隔"},
        {point(255, [](auto& e) { e.value = 1.0f; }), 68, "任意波　値"},
        // Other bytes than were written, though equal as numbers.
        {point(0, [](auto& e) { e.value = -0.0f; }), 68, "任意波　値"},
        // Channel 1 completely before channel 2, and each entry's bits before its value.
        {[&](StandaloneImage& i) {
             record(1, [](auto& r) { r.flags ^= 1; })(i);
             record(0, [](auto& r) { r.interval = 1; })(i);
         },
         55, "更新間隔"},
        {[&](StandaloneImage& i) {
             point(3, [](auto& e) { e.bits ^= 2; })(i);
             point(1, [](auto& e) { e.value = 5.0f; })(i);
         },
         68, "任意波　値"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        StandaloneImage readBack = image;
        cases[i].change(readBack);
        const int code = CompareStandaloneImage(image, readBack);
        EXPECT_EQ(code, cases[i].code) << i;
        EXPECT_EQ(ImageItemName(code), cases[i].name) << i;
    }
    EXPECT_EQ(ImageItemName(17), "");
}

TEST_F(StandaloneImageTest, FloatsCompareByTheirStoredBits)
{
    // What was written verifies, NaN limits included.
    state.channels[1].scaledMin = std::numeric_limits<double>::quiet_NaN();
    state.channels[1].scaledMax = -std::numeric_limits<double>::quiet_NaN();
    const StandaloneImage image = BuildStandaloneImage(state, {std::nanf(""), 0.0f}, false);
    EXPECT_EQ(CompareStandaloneImage(image, image), kImageSame);

    // A NaN read back where a number was written differs, and so does another NaN or zero's
    // other sign: the unit holds bytes, not numbers.
    const StandaloneImage plain = BuildStandaloneImage(state, {0.0f, 0.0f}, false);
    StandaloneImage changed = plain;
    StandaloneChannelRecord r = changed.Record(0);
    r.fixedValue = -0.0f;
    changed.SetRecord(0, r);
    EXPECT_EQ(CompareStandaloneImage(plain, changed), kImageFixedValue);
    changed = plain;
    r = changed.Record(1);
    r.scaledMin = std::bit_cast<float>(std::bit_cast<std::uint32_t>(r.scaledMin) ^ 1u);
    changed.SetRecord(1, r);
    EXPECT_EQ(CompareStandaloneImage(plain, changed), kImageScaling);
}

TEST_F(StandaloneImageTest, FixedValueMustFitTheChannelsRange)
{
    state.channels[0].range = kRange0_10V;
    state.channels[1].range = kRange4_20mA;
    state.channels[1].scaledMin = 100.0;  // a reversed formula: 100 down to -50
    state.channels[1].scaledMax = -50.0;
    struct Case {
        int channel;
        bool scaling;
        double value;
        bool fits;
    };
    const Case cases[] = {
        {0, false, 0.0, true},
        {0, false, 10.0, true},
        {0, false, -7.0, false},
        {0, false, 10.001, false},
        {1, false, 4.0, true},
        {1, false, 0.0, false},
        {1, false, 1e300, false},
        {1, false, -1e300, false},
        {1, true, -50.0, true},
        {1, true, 100.0, true},
        {1, true, 150.0, false},
        {0, false, std::numeric_limits<double>::infinity(), false},
        {0, false, std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const Case& c : cases) {
        state.channels[1].scalingOn = c.scaling;
        EXPECT_EQ(FixedValueFits(state, c.channel, c.value), c.fits) << c.channel << " " << c.value;
    }
    // Limits that are not numbers take no value at all.
    state.channels[1].scaledMin = std::numeric_limits<double>::quiet_NaN();
    state.channels[1].scalingOn = true;
    EXPECT_FALSE(FixedValueFits(state, 1, 0.0));
    // A double that is finite but beyond every float would be written as an infinity.
    state.channels[1].scaledMin = -1e300;
    state.channels[1].scaledMax = 1e300;
    EXPECT_FALSE(FixedValueFits(state, 1, 1e300));
    EXPECT_TRUE(FixedValueFits(state, 1, 1e30));
}

}  // namespace
}  // namespace krv
