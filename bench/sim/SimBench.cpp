// Figures of the virtual unit on its own:
//  1. resident memory after an hour's worth of the panel's traffic (a status request every
//     50 ms and an output frame every 50 ms, as while an automatic output runs), served as fast
//     as the unit answers: what it records must stay bounded however long it runs;
//  2. processor time of its serving thread at real wire timing while a client polls it as the
//     panel does (one status request every 50 ms, two circuits);
//  3. processor time of its serving thread while nobody talks to it, after one exchange: a
//     thread that spun would use most of the span, one asleep in poll() nearly nothing.
//
//   bench_sim [quick]
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "platform/UniqueFd.h"
#include "protocol/CommandFrame.h"
#include "sim/SimServer.h"

namespace krv::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::unique_ptr<sim::SimServer> StartUnit(
    bool instant, std::size_t recordLimit = sim::ServerOptions::kDefaultRecordLimit)
{
    sim::ServerOptions options;
    options.instant = instant;
    options.recordLimit = recordLimit;
    options.unit.circuits = 2;
    auto server = std::make_unique<sim::SimServer>(options);
    std::string error;
    if (!server->Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    return server;
}

// The host's end of the pty, raw, as the panel opens it.
class Host {
  public:
    explicit Host(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios tio{};
        if (!fd_.Valid() || ::tcgetattr(fd_.Get(), &tio) != 0) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            std::exit(1);
        }
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd_.Get(), TCSANOW, &tio);
    }
    void Write(const std::string& bytes)
    {
        if (::write(fd_.Get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            std::fprintf(stderr, "short write\n");
        }
    }
    // Reads until a line end has arrived; false after a second without one.
    bool ReadLine()
    {
        for (;;) {
            pollfd pfd{fd_.Get(), POLLIN, 0};
            if (::poll(&pfd, 1, 1000) <= 0) return false;
            char buffer[256];
            const ssize_t n = ::read(fd_.Get(), buffer, sizeof buffer);
            if (n <= 0) return false;
            for (ssize_t i = 0; i < n; ++i) {
                if (lastWasCr_ && buffer[i] == '\n') {
                    lastWasCr_ = false;
                    return true;  // the unit sends one line per request here
                }
                lastWasCr_ = buffer[i] == '\r';
            }
        }
    }

  private:
    UniqueFd fd_;
    bool lastWasCr_ = false;
};

std::string OutputFrame(unsigned channel, unsigned code)
{
    return CommandFrame::Framed("W")
        .Hex1(channel)
        .Hex2(1)
        .Hex4(code)
        .Hex4(0x1009)
        .Hex4(0x0008)
        .Text(std::string(24, '0'))
        .Text("0")
        .WithEtxAndChecksum();
}

// `ticks` 50 ms ticks of traffic (72000 for an hour); resident memory is sampled after every
// simulated ten minutes, so a record that keeps growing shows as a rising column.
void MemoryAfterAnHour(int ticks, std::size_t recordLimit, const char* title)
{
    std::printf("%s:\n", title);
    const long before = ResidentKiB();
    auto server = StartUnit(/*instant=*/true, recordLimit);
    Host host(server->PortPath());
    const std::string requests[2] = {"\x02R1\r\n", "\x02R2\r\n"};
    constexpr int kTicksPerTenMinutes = 12000;
    const auto start = Clock::now();
    long lost = 0;
    std::string samples;
    for (int tick = 1; tick <= ticks; ++tick) {
        host.Write(OutputFrame(1 + tick % 2, static_cast<unsigned>(tick & 0xFFFF)));
        host.Write(requests[tick % 2]);
        if (!host.ReadLine()) ++lost;
        if (tick % kTicksPerTenMinutes == 0 || tick == 1200) {
            samples += "  " + std::to_string(tick / 1200) +
                       " min: " + std::to_string(ResidentKiB()) + " KiB\n";
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "  %d ticks of panel traffic (%d status requests and %d output frames) served in %.1f s, "
        "%ld replies missing\n",
        ticks, ticks, ticks, seconds, lost);
    std::printf("  resident memory of the process: %ld KiB before the unit started, then after\n%s",
                before, samples.c_str());
    std::printf(
        "  records held: %zu received and %zu sent lines of %zu and %zu; output history "
        "%zu + %zu frames\n",
        server->Received().size(), server->Sent().size(), server->ReceivedCount(),
        server->SentCount(), server->OutputHistory(0).size(), server->OutputHistory(1).size());
}

void ServingCpuWhilePolled(std::chrono::seconds span)
{
    auto server = StartUnit(/*instant=*/false);
    Host host(server->PortPath());
    const std::string requests[2] = {"\x02R1\r\n", "\x02R2\r\n"};
    const auto cpuBefore = server->ServingThreadCpuTime();
    const auto start = Clock::now();
    auto due = start;
    int tick = 0;
    long lost = 0;
    while (Clock::now() - start < span) {
        host.Write(requests[tick++ % 2]);
        if (!host.ReadLine()) ++lost;
        due += 50ms;
        std::this_thread::sleep_until(due);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu =
        std::chrono::duration<double>(server->ServingThreadCpuTime() - cpuBefore).count();
    std::printf(
        "virtual unit at 19200 baud polled every 50 ms for %.1f s (%d requests, %ld "
        "unanswered): serving thread %.1f ms CPU = %.3f %% of one core\n",
        elapsed, tick, lost, cpu * 1000, 100.0 * cpu / elapsed);
}

void ServingCpuWhileIdle(std::chrono::seconds span)
{
    auto server = StartUnit(/*instant=*/false);
    Host host(server->PortPath());
    host.Write("VER\r\n");
    const bool answered = host.ReadLine();
    const auto cpuBefore = server->ServingThreadCpuTime();
    const auto start = Clock::now();
    std::this_thread::sleep_for(span);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu =
        std::chrono::duration<double>(server->ServingThreadCpuTime() - cpuBefore).count();
    std::printf(
        "virtual unit idle for %.1f s after one exchange (%s): serving thread %.3f ms CPU = "
        "%.4f %% of one core\n",
        elapsed, answered ? "answered" : "unanswered", cpu * 1000, 100.0 * cpu / elapsed);
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::string(argv[1]) == "quick";
    krv::bench::ServingCpuWhilePolled(quick ? std::chrono::seconds(3) : std::chrono::seconds(15));
    krv::bench::ServingCpuWhileIdle(quick ? std::chrono::seconds(1) : std::chrono::seconds(10));
    const int ticks = quick ? 7200 : 72000;
    krv::bench::MemoryAfterAnHour(ticks, krv::sim::ServerOptions::kDefaultRecordLimit,
                                  "traffic records bounded (the default)");
    if (!quick) {
        // What keeping every line costs, for comparison.
        krv::bench::MemoryAfterAnHour(ticks, static_cast<std::size_t>(-1),
                                      "every line kept in the records");
    }
    return 0;
}
