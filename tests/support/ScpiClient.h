#pragma once

#include <chrono>
#include <string>

#include "remote/LineClient.h"

namespace krv::test {

// A client of `krvctl serve` on the loopback network, from `from` (another 127.x address stands
// for a second machine). Every read waits at most until its deadline.
class ScpiClient {
  public:
    explicit ScpiClient(std::uint16_t port, const char* from = "127.0.0.1")
    {
        std::string error;
        connected_ = client_.Open("127.0.0.1", port, std::chrono::seconds(5), error, from);
    }

    bool Connected() const { return connected_; }
    int Fd() const { return client_.Fd(); }
    void Close() { client_.Close(); }
    bool SendRaw(const std::string& text) { return client_.SendRaw(text); }
    bool Send(const std::string& line) { return client_.SendLine(line); }

    // The next reply line without its "\n"; "(none)" when none came in time, "(closed)" when the
    // server closed the connection.
    std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::string line;
        switch (client_.ReadLine(line, limit)) {
            case remote::LineClient::Result::Line:
                return line;
            case remote::LineClient::Result::TimedOut:
                return "(none)";
            case remote::LineClient::Result::Closed:
                return "(closed)";
        }
        return "(closed)";
    }

    std::string Query(const std::string& line)
    {
        if (!Send(line)) return "(not sent)";
        return ReadLine();
    }

  private:
    remote::LineClient client_;
    bool connected_ = false;
};

}  // namespace krv::test
