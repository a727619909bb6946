#pragma once

#include <string_view>

#include "model/FrameSink.h"

namespace krv {

class DeviceLink;

// Sends the model's output frames to the unit over the serial port of `link`: whoever owns the
// link gives it to the generator's state as its frame sink. Connected while the port is open.
class LinkFrameSink final : public FrameSink {
  public:
    explicit LinkFrameSink(DeviceLink& link) : link_(link) {}

    bool Connected() const override;
    void Send(std::string_view frame) override;

  private:
    DeviceLink& link_;
};

}  // namespace krv
