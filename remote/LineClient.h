#pragma once

// The client's end of a connection to `krvctl serve`: lines out, reply lines back, every wait
// bounded and every reply line too.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

namespace krv::remote {

class LineClient {
  public:
    // A reply line longer than this ends the connection's use: nothing of ours sends one.
    static constexpr std::size_t kMaxLine = 64 * 1024;

    // Connects to `host` (IPv4) at `port` within `limit`, from the local address `from` when one
    // is given. False, with the reason in `error`.
    bool Open(const std::string& host, std::uint16_t port, std::chrono::milliseconds limit,
              std::string& error, const std::string& from = {});
    int Fd() const { return fd_.Get(); }
    void Close() { fd_.Reset(); }

    // False when the connection took less than all of it.
    bool SendRaw(std::string_view text);
    bool SendLine(std::string_view line) { return SendRaw(std::string(line) + "\n"); }

    enum class Result { Line, TimedOut, Closed };
    // The next line, without its "\n", into `line`.
    Result ReadLine(std::string& line, std::chrono::milliseconds limit);
    // Sends `line` and reads its reply; nothing when either fails.
    std::optional<std::string> Query(std::string_view line, std::chrono::milliseconds limit);

  private:
    UniqueFd fd_;
    std::string buffer_;
};

}  // namespace krv::remote
