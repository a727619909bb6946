// Figures of krvctl serve in front of a two-circuit virtual unit on its pseudo-terminal:
//  1. the time a query answered from the polled status adds: client's line in, reply out, over
//     loopback (goal p99 <= 1 ms);
//  2. a value change from the client's line to the W frame arriving at the unit (goal p99 <= 2 ms
//     above the frame's own wire time; the pseudo-terminal itself carries it at once);
//  3. four clients setting values as fast as they can against the wire-timed unit: frames per
//     second beside the wire's floor (the pseudo-terminal does not pace the writes as the real
//     line does, so this shows what the server can carry), and that no command was lost;
//  4. the processor time of the whole process while 10 clients are connected and idle (goal
//     <= 0.5 % of one core; it includes the 50 ms status polling);
//  5. resident memory before and with 100 connected clients.
//
//   bench_serve [quick]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "remote/UnitServer.h"
#include "sim/SimServer.h"
#include "sim/VirtualUnit.h"
#include "support/ScpiClient.h"

namespace krv::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

void Fail(const char* what)
{
    std::fprintf(stderr, "bench_serve: %s\n", what);
    std::exit(1);
}

// The virtual unit, the server in front of it on a thread of its own, until destroyed.
class Bench {
  public:
    explicit Bench(bool instantUnit)
    {
        sim::ServerOptions unitOptions;
        unitOptions.instant = instantUnit;
        unitOptions.unit.circuits = 2;
        unit_ = std::make_unique<sim::SimServer>(unitOptions);
        std::string error;
        if (!unit_->Start(&error)) Fail(error.c_str());
        remote::ServeOptions options;
        options.port = unit_->PortPath();
        options.network.listen.port = 0;
        options.network.maxClients = 200;
        server_ = std::make_unique<remote::UnitServer>(options, nullptr);
        if (!server_->Listen(&error)) Fail(error.c_str());
        serving_ = std::thread([this] { server_->Serve(stop_); });
        SetThreadName(serving_, "bench-serve");
        const Clock::time_point deadline = Clock::now() + 10s;
        while (!server_->UnitConnected()) {
            if (Clock::now() > deadline) Fail("the server did not connect to the unit");
            std::this_thread::sleep_for(10ms);
        }
    }
    ~Bench()
    {
        stop_ = true;
        serving_.join();
    }
    std::uint16_t Port() const { return server_->Port(); }
    sim::SimServer& Unit() { return *unit_; }

  private:
    std::unique_ptr<sim::SimServer> unit_;
    std::unique_ptr<remote::UnitServer> server_;
    std::atomic<bool> stop_{false};
    std::thread serving_;
};

void QueryLatency(int count)
{
    Bench bench(true);
    test::ScpiClient client(bench.Port());
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        if (client.Query("STAT1?").rfind("0,", 0) != 0) Fail("STAT1? gave no status");
        samples.push_back(Microseconds(Clock::now() - start));
    }
    PrintDistribution("1. STAT1? answered from the polled status, round trip", samples);
}

void ValueToFrame(int count)
{
    Bench bench(true);
    test::ScpiClient client(bench.Port());
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        const std::size_t before = bench.Unit().ReceivedCount();
        const auto start = Clock::now();
        client.Send("SOUR1:VAL " + std::to_string((i % 50) * 0.1));
        // The frame is the next line the unit takes that is no status request.
        for (;;) {
            if (!bench.Unit().WaitForReceived(before + 1, 2000ms)) Fail("no W frame");
            const auto received = bench.Unit().Received();
            if (!received.empty() && received.back().bytes.rfind("\x02W", 0) == 0) {
                samples.push_back(Microseconds(received.back().time - start));
                break;
            }
            if (bench.Unit().ReceivedCount() > before + 8) Fail("the W frame went missing");
            std::this_thread::sleep_for(50us);
        }
    }
    PrintDistribution("2. SOUR1:VAL line to the W frame at the unit", samples);
}

void Throughput(Clock::duration span)
{
    Bench bench(false);
    std::size_t framesBefore = 0;
    for (int ch = 0; ch < 2; ++ch) {
        framesBefore += bench.Unit().WithUnit(
            [ch](sim::VirtualUnit& u) { return u.Channel(ch).framesAccepted; });
    }
    std::vector<std::unique_ptr<test::ScpiClient>> clients;
    for (int i = 0; i < 4; ++i) clients.push_back(std::make_unique<test::ScpiClient>(bench.Port()));
    int sent = 0;
    const auto start = Clock::now();
    std::vector<std::thread> writers;
    std::atomic<int> total{0};
    for (int i = 0; i < 4; ++i) {
        writers.emplace_back([&, i] {
            int n = 0;
            // Each client sends a line and waits for *OPC? every 10 lines, as a script that
            // checks it keeps up does.
            while (Clock::now() - start < span) {
                std::string lines;
                for (int k = 0; k < 10; ++k) {
                    lines += "SOUR" + std::to_string(i % 2 + 1) + ":VAL " +
                             std::to_string((n++ % 40) * 0.1) + "\n";
                }
                clients[static_cast<std::size_t>(i)]->SendRaw(lines + "*OPC?\n");
                if (clients[static_cast<std::size_t>(i)]->ReadLine(10s) != "1") break;
            }
            total += n;
        });
        SetThreadName(writers.back(), "bench-client");
    }
    for (std::thread& t : writers) t.join();
    sent = total.load();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::size_t frames = 0;
    for (int ch = 0; ch < 2; ++ch) {
        frames += bench.Unit().WithUnit(
            [ch](sim::VirtualUnit& u) { return u.Channel(ch).framesAccepted; });
    }
    frames -= framesBefore;
    const double floor = 19200.0 / 10.0 / 48.0;
    std::printf(
        "3. four clients setting values for %.1f s: %d commands, %zu W frames at the unit"
        " (%s), %.0f frames/s; the wire's floor is %.0f frames/s (%.0f %%)\n",
        seconds, sent, frames, frames == static_cast<std::size_t>(sent) ? "none lost" : "LOST SOME",
        frames / seconds, floor, 100.0 * frames / seconds / floor);
}

void IdleAndMemory(Clock::duration span)
{
    const long before = ResidentKiB();
    Bench bench(false);
    const long served = ResidentKiB();
    std::vector<std::unique_ptr<test::ScpiClient>> clients;
    for (int i = 0; i < 10; ++i)
        clients.push_back(std::make_unique<test::ScpiClient>(bench.Port()));
    for (auto& client : clients) client->Query("*IDN?");
    ThreadCpuMeter meter;
    std::this_thread::sleep_for(span);
    meter.Print("4. 10 clients connected and idle");
    for (int i = 0; i < 90; ++i)
        clients.push_back(std::make_unique<test::ScpiClient>(bench.Port()));
    for (auto& client : clients) client->Query("*IDN?");
    const long many = ResidentKiB();
    std::printf(
        "5. resident memory: %ld KiB before, %ld KiB serving, %ld KiB with 100 clients "
        "(%.1f KiB a client, client sockets of this process included)\n",
        before, served, many, (many - served) / 100.0);
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    using namespace krv::bench;
    const bool quick = argc > 1 && std::string(argv[1]) == "quick";
    QueryLatency(quick ? 200 : 2000);
    ValueToFrame(quick ? 100 : 1000);
    Throughput(quick ? 2s : 10s);
    IdleAndMemory(quick ? 2s : 10s);
    return 0;
}
