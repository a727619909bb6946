#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/Trace.h"

namespace krv::test {

// The exchanges' time-outs, counted from the wire trace, which runs into a file of its own while
// this lives: whether an exchange ended at once or waited its time-outs out shows without
// measuring time.
class TracedTimeouts {
  public:
    TracedTimeouts()
    {
        char pattern[] = "/tmp/krv-timeouts-XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0) return;
        ::close(fd);
        path_ = pattern;
        std::string error;
        started_ = StartTrace(path_, 16u << 20, "test", &error);
    }
    ~TracedTimeouts()
    {
        StopTrace();
        if (!path_.empty()) std::remove(path_.c_str());
    }
    TracedTimeouts(const TracedTimeouts&) = delete;
    TracedTimeouts& operator=(const TracedTimeouts&) = delete;

    bool Started() const { return started_; }

    // Stops the trace and counts the waits for a reply that ended without one; -1 when no trace
    // could be started.
    int Count()
    {
        StopTrace();
        if (!started_) return -1;
        std::ifstream in(path_);
        int timeouts = 0;
        for (std::string line; std::getline(in, line);) {
            if (line.find("no reply within") != std::string::npos) ++timeouts;
        }
        return timeouts;
    }

  private:
    std::string path_;
    bool started_ = false;
};

}  // namespace krv::test
