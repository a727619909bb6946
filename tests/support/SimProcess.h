#pragma once

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "support/Process.h"

namespace krv::test {

inline const std::string kKrvctl = KRVCTL_PATH;

// A virtual unit in a krvctl process of its own.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> options)
        : process_([&] {
              std::vector<std::string> argv = {kKrvctl, "sim"};
              argv.insert(argv.end(), options.begin(), options.end());
              return argv;
          }())
    {
        path_ = process_.ReadLine(std::chrono::milliseconds(5000));
    }
    const std::string& Path() const { return path_; }
    int Stop(int signal = SIGTERM)
    {
        process_.Signal(signal);
        return process_.Wait();
    }

  private:
    Process process_;
    std::string path_;
};

}  // namespace krv::test
