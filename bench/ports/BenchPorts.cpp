// Times the port enumeration the panel runs at start-up and whenever the port list is refilled.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/PortEnumeration.h"
#include "platform/SerialDevices.h"

namespace {

constexpr int kRuns = 50;

template <typename Work>
double MedianMicroseconds(Work work)
{
    std::vector<double> times;
    times.reserve(kRuns);
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return (times[kRuns / 2 - 1] + times[kRuns / 2]) / 2.0;
}

}  // namespace

int main()
{
    const auto firstStart = std::chrono::steady_clock::now();
    const krv::PortList first = krv::EnumeratePorts();
    const auto firstEnd = std::chrono::steady_clock::now();

    std::printf("serial ports found: %zu\n", first.size());
    for (const krv::PortEntry& entry : first) {
        std::printf("  %s\n", krv::PortEntryText(entry).c_str());
    }
    std::printf("EnumeratePorts first run:            %10.1f us\n",
                std::chrono::duration<double, std::micro>(firstEnd - firstStart).count());

    const double enumerate = MedianMicroseconds([] { krv::EnumeratePorts(); });
    std::printf("EnumeratePorts median of %d runs:    %10.1f us\n", kRuns, enumerate);

    const std::vector<krv::ExtraPort> extra{{"/dev/pts/99", "Virtual KRV unit"},
                                            {"/tmp/krv-port", ""}};
    const double withExtra = MedianMicroseconds([&] { krv::EnumeratePorts(extra); });
    std::printf("EnumeratePorts + 2 extras, median:   %10.1f us\n", withExtra);

    const double list = MedianMicroseconds([] { krv::ListSerialDevices(); });
    std::printf("ListSerialDevices median of %d runs: %10.1f us\n", kRuns, list);

    return 0;
}
