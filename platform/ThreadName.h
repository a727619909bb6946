#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace krv {

// Names a thread just started, from the thread that started it, so that `top -H`, `ps -L` and a
// debugger show who is busy, and the name is in place before anything else looks (the thread
// itself may not have run yet). The kernel keeps at most 15 bytes; a longer name is cut there.
// Names in use: "krv-reader" (serial reader), "krv-tick" (the panel's tick), "krv-unit-work" (the
// panel's longer exchanges with the unit), "krv-trace" (the wire trace's writer), "krv-serve-net"
// (krvctl serve's network side), "krv-sim-…" (the virtual unit). Failing to name a thread
// is harmless, so nothing is reported.
void SetThreadName(std::thread& thread, std::string_view name);

// One thread of this process: its id, its name and the processor time it has used so far.
struct ThreadUsage {
    pid_t tid = 0;
    std::string name;
    std::chrono::nanoseconds cpu{0};
};

// Every thread of this process as /proc lists it now, in ascending id order (the main thread's id
// is the process id). For measurements and tests: a thread may end while it is read, and is then
// left out.
std::vector<ThreadUsage> ThreadsOfThisProcess();

// Processor time the whole process has used so far, ended threads included.
std::chrono::nanoseconds ProcessCpuTime();

}  // namespace krv
