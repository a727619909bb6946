#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/ThreadName.h"

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

// Resident memory of this process (VmRSS), in KiB; -1 when it cannot be read.
inline long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

inline double Microseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Processor time of every thread of this process over a span: take a sample before and after,
// then print what each thread used as a share of one core. Threads are shown by name; the main
// thread (whose name is the program's) as "main".
class ThreadCpuMeter {
  public:
    ThreadCpuMeter() { Restart(); }

    void Restart()
    {
        start_ = std::chrono::steady_clock::now();
        processStart_ = ProcessCpuTime();
        before_.clear();
        for (const ThreadUsage& t : ThreadsOfThisProcess()) before_[t.tid] = t.cpu;
    }

    struct Row {
        std::string name;
        pid_t tid;
        double cpuMs;
        double percent;  // of one core over the span
    };

    // What each thread still alive used since Restart(); threads started meanwhile count from 0.
    std::vector<Row> Rows(double& spanSeconds, double& processPercent) const
    {
        spanSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double processMs =
            std::chrono::duration<double, std::milli>(ProcessCpuTime() - processStart_).count();
        processPercent = processMs / 10.0 / spanSeconds;
        std::vector<Row> rows;
        for (const ThreadUsage& t : ThreadsOfThisProcess()) {
            const auto found = before_.find(t.tid);
            const auto used =
                t.cpu - (found == before_.end() ? std::chrono::nanoseconds(0) : found->second);
            const double ms = std::chrono::duration<double, std::milli>(used).count();
            rows.push_back(
                Row{t.tid == ::getpid() ? "main" : t.name, t.tid, ms, ms / 10.0 / spanSeconds});
        }
        return rows;
    }

    // Prints one line per thread and the whole process; returns the rows.
    std::vector<Row> Print(const char* title) const
    {
        double span = 0;
        double process = 0;
        const std::vector<Row> rows = Rows(span, process);
        std::printf("%s, over %.1f s:\n", title, span);
        for (const Row& r : rows) {
            std::printf("  %-16s tid %-7d %9.1f ms  %6.3f %% of one core\n", r.name.c_str(),
                        static_cast<int>(r.tid), r.cpuMs, r.percent);
        }
        std::printf("  %-16s %21.3f %% of one core\n", "whole process", process);
        return rows;
    }

  private:
    std::chrono::steady_clock::time_point start_;
    std::chrono::nanoseconds processStart_{0};
    std::map<pid_t, std::chrono::nanoseconds> before_;
};

}  // namespace krv::bench
