#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace krv::bench {

// Prints median, 99th percentile and maximum of `samples` (microseconds) under `title`.
inline void PrintDistribution(const char* title, std::vector<double> samples)
{
    if (samples.empty()) {
        std::printf("%s: no samples\n", title);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        const std::size_t i = static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1));
        return samples[i];
    };
    std::printf("%s (n=%zu): median %.1f us, p99 %.1f us, max %.1f us\n", title, samples.size(),
                at(0.5), at(0.99), samples.back());
}

inline double Microseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace krv::bench
