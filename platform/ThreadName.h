#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

// Names the calling thread so that `top -H`, `ps -L` and a debugger show who is busy. The kernel
// keeps at most 15 bytes; a longer name is cut there. Names in use: "krv-reader" (serial reader),
// "krv-tick" (the panel's tick), "krv-sim-…" (the virtual unit). Failing to name a thread is
// harmless, so nothing is reported.
void SetCurrentThreadName(std::string_view name);

// The calling thread's name as the kernel has it (empty if it cannot be read).
std::string CurrentThreadName();

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
