// The virtual unit's boot loader byte by byte, through its bridge: the boot-mode commands and
// their answers, flash that must be erased before it is programmed, the new line speed, what the
// unit runs afterwards, and the loader's faults.
#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "sim/SimBridge.h"
#include "sim/UnitBridgeTarget.h"

namespace krv::sim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes WithSum(Bytes bytes)
{
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    bytes.push_back(static_cast<std::uint8_t>(-sum & 0xFF));
    return bytes;
}

Bytes Word(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Erase(std::uint32_t address)
{
    return WithSum(Cat({{0x59, 0x04}, Word(address)}));
}
Bytes Program(std::uint32_t address, const Bytes& data)
{
    return WithSum(Cat({{0x50}, Word(address), data}));
}
Bytes Read(std::uint32_t address)
{
    return WithSum(Cat({{0x52, 0x09, 0x01}, Word(address), Word(256)}));
}

class BootLoaderTest : public ::testing::Test {
  protected:
    void Start(const std::string& faults = "")
    {
        UnitConfig config;
        std::string error;
        ASSERT_TRUE(ParseCommandFaults(faults, config.faults, &error)) << error;
        target = std::make_shared<UnitBridgeTarget>(config);
        bridge = std::make_unique<SimBridge>(BridgeIdentity{"Holvik KRV FT230X", "KR2A0001"},
                                             target, /*instant=*/true);
        ASSERT_TRUE(bridge->Open());
        bridge->SetTimeouts(5ms, 5ms);
        bridge->SetBaudRate(19200);
    }
    // Reset held with boot select high, then let go.
    void BootPulse()
    {
        bridge->SetBitMode(0x32, 0x20);
        bridge->SetBitMode(0x00, 0x00);
        bridge->Purge(true, false);
    }
    void NormalRestart()
    {
        // The unit's own speed, before it greets the host.
        bridge->SetBaudRate(19200);
        bridge->SetBitMode(0x30, 0x20);
        bridge->SetBitMode(0x00, 0x00);
        // Until the unit greets the host once started; one without firmware never does, and is
        // given its start-up time (and a little) to show that it stays silent.
        bridge->WaitForReceive(std::chrono::steady_clock::now() + SimServer::kStartUpTime + 20ms);
    }
    // Sends `bytes` and collects what comes back within 100 ms.
    Bytes Exchange(const Bytes& bytes)
    {
        bridge->Write(bytes.data(), bytes.size());
        Bytes reply;
        const auto deadline = std::chrono::steady_clock::now() + 100ms;
        while (std::chrono::steady_clock::now() < deadline) {
            std::uint8_t buffer[512];
            const std::size_t got = bridge->Read(buffer, sizeof buffer);
            reply.insert(reply.end(), buffer, buffer + got);
            if (got == 0 && !reply.empty()) break;
            if (got == 0) bridge->WaitForReceive(deadline);
        }
        return reply;
    }
    void IntoProgrammingState()
    {
        BootPulse();
        ASSERT_EQ(Exchange(Bytes(30, 0x00)), Bytes{0x00});
        ASSERT_EQ(Exchange({0x55}), Bytes{0xE6});
        ASSERT_EQ(Exchange({0x40}), Bytes{0x06});
    }
    template <typename F>
    auto Unit(F&& f)
    {
        return target->WithUnit(std::forward<F>(f));
    }

    std::shared_ptr<UnitBridgeTarget> target;
    std::unique_ptr<SimBridge> bridge;
};

TEST_F(BootLoaderTest, AnswersTheBootModeCommandsInOrder)
{
    Start();
    Unit([](VirtualUnit& u) { u.Calibration().Set(0, 0, {0x0002, 1, 0x8001, 2, 0x8002}); });
    BootPulse();
    EXPECT_TRUE(target->InBootMode());
    EXPECT_EQ(Exchange(Bytes(29, 0x00)), Bytes{}) << "not until the 30th zero";
    EXPECT_EQ(Exchange({0x00}), Bytes{0x00});
    EXPECT_EQ(Exchange({0x55}), Bytes{0xE6});

    const Bytes inquiry = Exchange({0x20});
    ASSERT_EQ(inquiry.size(), 65u);
    EXPECT_EQ(inquiry[0], 0x30);
    EXPECT_EQ(Bytes(inquiry.begin() + 4, inquiry.begin() + 8), (Bytes{'K', 'R', 'V', '1'}));
    EXPECT_EQ(std::accumulate(inquiry.begin(), inquiry.end(), 0u) & 0xFF, 0u);
    const Bytes blocks = Exchange({0x26});
    ASSERT_EQ(blocks.size(), 29u);
    EXPECT_EQ(Bytes(blocks.begin() + 4, blocks.begin() + 16),
              Cat({Word(0xFFFE0000), Word(0x4000), Word(8)}));

    struct Step {
        const char* what;
        Bytes sent;
        Bytes reply;
    };
    const Bytes page(256, 0xA5);
    const std::vector<Step> steps = {
        {"selection, bad checksum", {0x10, 0x04, 'K', 'R', 'V', '1', 0x00}, {0x90, 0x11}},
        {"selection, other device", WithSum({0x10, 0x04, 'K', 'R', 'V', '2'}), {0x90, 0x21}},
        {"selection", WithSum({0x10, 0x04, 'K', 'R', 'V', '1'}), {0x46}},
        {"erasure before the programming state", {0x48}, {0xC8, 0x80}},
        {"into the programming state", {0x40}, {0x06}},
        {"program before its selection", Program(0xFFFE0000, page), {0xD0, 0x80}},
        {"programming selection", {0x43}, {0x06}},
        {"program flash not erased", Program(0xFFFE0000, page), {0xD0, 0x53}},
        {"erasure selection", {0x48}, {0x06}},
        {"erase inside a block", Erase(0xFFFE0100), {0xD9, 0x2A}},
        {"erase block 0", Erase(0xFFFE0000), {0x06}},
        {"end of erasure", Erase(0xFFFFFFFF), {0x06}},
        {"program", Program(0xFFFE0000, page), {0x06}},
        {"program it again", Program(0xFFFE0000, page), {0xD0, 0x53}},
        {"program outside the window", Program(0x00000000, page), {0xD0, 0x2A}},
        {"end of programming", {0x50, 0xFF, 0xFF, 0xFF, 0xFF, 0xB4}, {0x06}},
        {"status", {0x4F}, WithSum({0x5F, 0x02, 0x00, 0x00})},
        {"read", Read(0xFFFE0000), WithSum(Cat({{0x52}, Word(256), page}))},
        {"read an erased block", Read(0xFFFE3F00),
         WithSum(Cat({{0x52}, Word(256), Bytes(256, 0xFF)}))},
        {"read a block not erased", Read(0xFFFE4000),
         WithSum(Cat({{0x52}, Word(256), Bytes(256, 0x00)}))},
    };
    for (const Step& s : steps) EXPECT_EQ(Exchange(s.sent), s.reply) << s.what;
    // Erasing wiped the calibration kept in the same flash.
    EXPECT_EQ(Unit([](VirtualUnit& u) { return u.Calibration().Stored(0, 0); }),
              (CalibrationValues{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
}

TEST_F(BootLoaderTest, NewLineSpeedAndTheFirmwareThatRunsAfterwards)
{
    Start();
    BootPulse();
    ASSERT_EQ(Exchange(Bytes(30, 0x00)), Bytes{0x00});
    ASSERT_EQ(Exchange({0x55}), Bytes{0xE6});
    // The answer comes at 19200 baud; then the loader listens at 1,000,000 only.
    EXPECT_EQ(Exchange({0x3F, 0x07, 0x27, 0x10, 0x06, 0x40, 0x02, 0x01, 0x01, 0x39}), Bytes{0x06});
    EXPECT_EQ(target->BaudRate(), 1000000u);
    EXPECT_EQ(Exchange({0x06}), Bytes{}) << "garbled at the old speed";
    bridge->SetBaudRate(1000000);
    EXPECT_EQ(Exchange({0x06}), Bytes{0x06});
    ASSERT_EQ(Exchange({0x40}), Bytes{0x06});
    ASSERT_EQ(Exchange({0x48}), Bytes{0x06});
    for (std::uint32_t b = 0; b < 8; ++b)
        ASSERT_EQ(Exchange(Erase(0xFFFE0000 + b * 0x4000)), Bytes{0x06});
    ASSERT_EQ(Exchange({0x43}), Bytes{0x06});
    Bytes page(256, 0x11);
    const std::string line = "VER030201\r\n";
    std::copy(line.begin(), line.end(), page.begin() + 100);
    ASSERT_EQ(Exchange(Program(0xFFFFFF00, page)), Bytes{0x06});

    NormalRestart();
    EXPECT_FALSE(target->InBootMode());
    const std::string hello =
        "\x02"
        "A\r\n";
    EXPECT_EQ(Exchange({}), Bytes(hello.begin(), hello.end()));
    const std::string ask = "VER\r\n";
    const std::string answer = "VER030201\r\n";
    EXPECT_EQ(Exchange(Bytes(ask.begin(), ask.end())), Bytes(answer.begin(), answer.end()));

    // Erased and left without firmware, the unit does not start at all.
    IntoProgrammingState();
    ASSERT_EQ(Exchange({0x48}), Bytes{0x06});
    ASSERT_EQ(Exchange(Erase(0xFFFFC000)), Bytes{0x06});
    NormalRestart();
    EXPECT_EQ(Exchange(Bytes(ask.begin(), ask.end())), Bytes{});
    EXPECT_FALSE(Unit([](VirtualUnit& u) { return u.RunningFirmware(); }).has_value());
}

TEST_F(BootLoaderTest, FaultsOfTheLoader)
{
    Start("b1-from=2,b8=51");
    BootPulse();
    EXPECT_EQ(Exchange(Bytes(30, 0x00)), Bytes{}) << "first boot: no adjustment";
    BootPulse();
    EXPECT_EQ(Exchange(Bytes(30, 0x00)), Bytes{0x00});
    ASSERT_EQ(Exchange({0x55}), Bytes{0xE6});
    EXPECT_EQ(Exchange({0x40}), (Bytes{0xC0, 0x51}));

    Start("b15-bad=1,b13-silent=3");
    IntoProgrammingState();
    ASSERT_EQ(Exchange({0x48}), Bytes{0x06});
    ASSERT_EQ(Exchange(Erase(0xFFFE0000)), Bytes{0x06});
    ASSERT_EQ(Exchange({0x43}), Bytes{0x06});
    const Bytes page(256, 0x3C);
    ASSERT_EQ(Exchange(Program(0xFFFE0100, page)), Bytes{0x06});
    Bytes bad = page;
    bad[17] ^= 0x01;
    EXPECT_EQ(Exchange(Read(0xFFFE0100)), WithSum(Cat({{0x52}, Word(256), bad})));
    EXPECT_EQ(Exchange(Read(0xFFFE0100)), WithSum(Cat({{0x52}, Word(256), bad}))) << "every time";
    EXPECT_EQ(Exchange(Program(0xFFFE0300, page)), Bytes{});
    EXPECT_EQ(Exchange({0x4F}), Bytes{}) << "silent until the next restart";
    IntoProgrammingState();
    EXPECT_EQ(Exchange({0x4F}), WithSum({0x5F, 0x02, 0x00, 0x00}));
}

}  // namespace
}  // namespace krv::sim
