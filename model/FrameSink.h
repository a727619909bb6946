#pragma once

#include <string_view>

namespace krv {

// Where the model's output frames go. The model builds each frame whole and hands it over; the
// one who owns the connection to the unit decides how it gets there. Without a sink the model is
// on its own: not connected, and frames go nowhere.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // True while frames reach the unit.
    virtual bool Connected() const = 0;
    // One whole frame (ETX, checksum and CR LF included), handed over only while Connected(). No
    // reply is awaited.
    virtual void Send(std::string_view frame) = 0;
};

}  // namespace krv
