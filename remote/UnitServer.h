#pragma once

// `krvctl serve`: the unit as a bench instrument. One process owns the unit's port, connects as
// the panel does, polls its status on the panel's 50 ms tick, and carries out the SCPI commands
// of its network clients one after another, round-robin between the clients. A unit that goes
// away is declared lost as on the panel (its outputs count as off) and connected again when it
// answers; meanwhile commands that must reach it fail with -240 and queries answer from what was
// last known, so no client waits on it. On the way out every output the PC drives is switched off.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "flows/LinkFrameSink.h"
#include "flows/StatusPolling.h"
#include "link/DeviceLink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "platform/UserInterface.h"
#include "remote/LineServer.h"
#include "remote/Scpi.h"
#include "remote/ScpiStatus.h"

namespace krv::remote {

struct ServeOptions {
    std::string port;  // the unit's serial port
    // Finds the port again before every try to connect (a unit named by its bridge's serial
    // number may come back on another port); empty: `port` as it is.
    std::function<std::string()> findPort;
    std::string serialNumber;  // the bridge's, for *IDN?; "0" when unknown
    LineServer::Options network;
    // How long a lost or absent unit is left before the next try to connect.
    std::chrono::milliseconds reconnectPause{1000};
};

class UnitServer {
  public:
    // `log` hears of connections, refusals, the unit lost and found; it is called from the
    // serving thread and the network thread.
    UnitServer(ServeOptions options, std::function<void(const std::string&)> log);

    // Listens; false with the reason when the address cannot be had.
    bool Listen(std::string* error);
    std::uint16_t Port() const { return network_.Port(); }
    // Serves until `stop` is set (checked at least every tick). Returns with the outputs off and
    // the port closed.
    void Serve(const std::atomic<bool>& stop);

    bool UnitConnected() const { return connected_.load(); }

  private:
    // What the connect sequence would show the user, kept for the log.
    class RecordingUi : public UserInterface {
      public:
        MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageIcon,
                                  MessageButtons buttons) override
        {
            if (messages.size() < 8) messages.push_back(text);
            return FirstAnswer(buttons);
        }
        void SetWaitCursor(bool) override {}
        bool ProcessPendingEvents() override { return true; }
        std::vector<std::string> messages;
    };

    void Log(const std::string& text);
    void Tick(TimePoint now);
    void TryConnect(TimePoint now);
    void LoseUnit(const char* why);
    void Handle(const LineServer::Request& request);
    // Carries out one command: its reply (for a query), or nothing with the error queued.
    std::optional<std::string> Execute(ScpiStatus& status, const ScpiCommand& command);
    std::optional<std::string> ExecuteChannel(ScpiStatus& status, const ScpiCommand& command,
                                              int ch);
    std::optional<std::string> ExecuteFunction(ScpiStatus& status, const ScpiCommand& command,
                                               int ch);
    void Reset();
    std::string Identity() const;
    std::string StatusLine(int ch) const;
    // The automatic output's run state: the PC's, or the unit's for a channel it runs itself.
    std::int32_t RunStateOf(int ch) const;
    // range,code,mainControl,mainStatus,extControl,extStatus,calibration mode,run state,
    // standalone mode,connected (1 or 0), in decimal.
    std::string RawStatusLine(int ch) const;

    ServeOptions options_;
    std::function<void(const std::string&)> log_;
    LineServer network_;
    RecordingUi ui_;
    DeviceLink link_{ui_};
    AppValues app_;
    LinkFrameSink frames_{link_};
    GeneratorState state_{app_, &frames_};
    StatusPolling polling_;
    std::atomic<bool> connected_{false};
    TimePoint nextConnect_{};
    std::string lastFailure_;
    std::map<LineServer::ClientId, ScpiStatus> clients_;
};

}  // namespace krv::remote
