#pragma once

// A stand-in for libusb-1.0 under libftdi1, for tests only. The test program defines every
// libusb_* function libftdi1 imports (`nm -D --undefined-only libftdi1.so.2`); the dynamic
// linker binds libftdi1's calls to the program's own definitions before the real library's, so
// libftdi1 runs unchanged against the emulated devices plugged in here and the real libusb is
// never used, not even in part. LibusbStandInComplete() checks that this binding holds.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EmulatedFt230x.h"

namespace krv::test {

// The USB bus libftdi1 sees through the stand-in.
class EmulatedUsbBus {
  public:
    static EmulatedUsbBus& Instance();

    void Plug(std::shared_ptr<EmulatedFt230x> device);
    // Takes every device away, plugged or not (between tests).
    void Clear();
    std::vector<std::shared_ptr<EmulatedFt230x>> Present() const;

    // Calls of each libusb function; contexts and handles still open; misuse of the API.
    std::map<std::string, int> Calls() const;
    int OpenContexts() const;
    int OpenHandles() const;
    std::vector<std::string> Anomalies() const;

    // For the stand-in.
    void Count(const char* function);
    void AddAnomaly(const std::string& text);
    void ContextOpened(int delta);
    void HandleOpened(int delta);

  private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<EmulatedFt230x>> devices_;
    std::map<std::string, int> calls_;
    std::vector<std::string> anomalies_;
    int contexts_ = 0;
    int handles_ = 0;
};

// The libusb functions the loaded libftdi1 imports (read from its dynamic symbol table) that do
// not resolve, for the whole process, to a definition of the stand-in; empty when all do.
std::vector<std::string> StandInGaps();

}  // namespace krv::test
