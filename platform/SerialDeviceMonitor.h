#pragma once

#include <memory>
#include <string>

namespace krv {

// Tells when the set of serial ports may have changed. Fd() becomes readable when something
// happened; TakeChanges() reads everything pending without blocking and says whether any of it
// can change the port list. Callers wait on the descriptor with poll() or an event loop, so no
// thread is needed and nothing is polled on a timer.
class PortChangeSource {
  public:
    virtual ~PortChangeSource() = default;
    virtual int Fd() const = 0;
    virtual bool TakeChanges() = 0;
};

// The kernel's serial devices coming and going, as udev announces them once it has set a new
// device up (so its node and description are ready when the list is read again).
class SerialDeviceMonitor : public PortChangeSource {
  public:
    // A monitor listening for tty devices; null with `error` set when udev's netlink socket cannot
    // be opened (some containers, sandboxes without netlink). Where no udev daemon runs, the
    // monitor opens but never reports anything.
    static std::unique_ptr<SerialDeviceMonitor> Open(std::string& error);
    ~SerialDeviceMonitor() override;

    int Fd() const override;
    bool TakeChanges() override;

  private:
    struct Handles;
    explicit SerialDeviceMonitor(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> handles_;
};

}  // namespace krv
