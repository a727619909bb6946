#include "platform/ThreadName.h"

#include <dirent.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace krv {

namespace {

// The kernel's limit for a thread name, without the terminating NUL.
constexpr std::size_t kMaxNameLength = 15;

std::chrono::nanoseconds FromTimespec(const timespec& ts)
{
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

// The kernel's clock id for the processor time of any thread of this process, built the way
// pthread_getcpuclockid builds it (which needs a pthread_t we do not have for foreign threads):
// the inverted thread id shifted by three, "per thread" (4) and "scheduler time" (2).
clockid_t ThreadCpuClock(pid_t tid)
{
    return static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 4u | 2u);
}

// Fallback when the clock is refused: user and system time from the thread's stat line, in clock
// ticks (coarse, usually 10 ms).
bool CpuFromStat(const std::string& taskDir, std::chrono::nanoseconds& cpu)
{
    std::ifstream in(taskDir + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    // The name in parentheses may itself hold spaces and parentheses: fields follow the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return false;
    const char* p = line.c_str() + close + 1;
    // Fields after the name start with the state (field 3); utime and stime are fields 14, 15.
    for (int field = 3; field < 14; ++field) {
        while (*p == ' ') ++p;
        while (*p != ' ' && *p != '\0') ++p;
    }
    char* end = nullptr;
    const unsigned long long user = std::strtoull(p, &end, 10);
    const unsigned long long system = std::strtoull(end, &end, 10);
    const long ticks = ::sysconf(_SC_CLK_TCK);
    if (ticks <= 0) return false;
    cpu = std::chrono::nanoseconds(static_cast<long long>((user + system) * 1'000'000'000ULL /
                                                          static_cast<unsigned long long>(ticks)));
    return true;
}

}  // namespace

void SetThreadName(std::thread& thread, std::string_view name)
{
    if (!thread.joinable()) return;
    const std::string cut(name.substr(0, kMaxNameLength));
    ::pthread_setname_np(thread.native_handle(), cut.c_str());
}

std::vector<ThreadUsage> ThreadsOfThisProcess()
{
    std::vector<ThreadUsage> threads;
    DIR* dir = ::opendir("/proc/self/task");
    if (dir == nullptr) return threads;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long tid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || tid <= 0) continue;
        const std::string taskDir = std::string("/proc/self/task/") + entry->d_name;
        ThreadUsage usage;
        usage.tid = static_cast<pid_t>(tid);
        std::ifstream comm(taskDir + "/comm");
        if (!std::getline(comm, usage.name)) continue;  // ended meanwhile
        timespec ts{};
        if (::clock_gettime(ThreadCpuClock(usage.tid), &ts) == 0) {
            usage.cpu = FromTimespec(ts);
        } else if (!CpuFromStat(taskDir, usage.cpu)) {
            continue;
        }
        threads.push_back(std::move(usage));
    }
    ::closedir(dir);
    std::sort(threads.begin(), threads.end(),
              [](const ThreadUsage& a, const ThreadUsage& b) { return a.tid < b.tid; });
    return threads;
}

std::chrono::nanoseconds ProcessCpuTime()
{
    timespec ts{};
    if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return std::chrono::nanoseconds(0);
    return FromTimespec(ts);
}

}  // namespace krv
