#include "remote/UnitServer.h"

#include "flows/Connection.h"
#include "flows/StatusPolling.h"
#include "model/AutoOutputEngine.h"
#include "remote/ScpiCommands.h"

namespace krv::remote {

namespace {

using namespace std::chrono_literals;

constexpr auto kTick = 50ms;
constexpr const char* kMaker = "Holvik";

}  // namespace

UnitServer::UnitServer(ServeOptions options, std::function<void(const std::string&)> log)
    : options_(std::move(options)), log_(std::move(log)), network_([this] {
          LineServer::Options network = options_.network;
          if (!network.log) network.log = log_;
          return network;
      }())
{
}

bool UnitServer::Listen(std::string* error)
{
    return network_.Start(error);
}

void UnitServer::Serve(const std::atomic<bool>& stop)
{
    TimePoint nextTick = Now();
    while (!stop.load()) {
        const TimePoint now = Now();
        if (now >= nextTick) {
            Tick(now);
            nextTick += kTick;
            // After a long connect attempt the ticks start again from now, not in a burst.
            if (nextTick <= now) nextTick = now + kTick;
        }
        for (const LineServer::ClientId id : network_.TakeClosed()) clients_.erase(id);
        if (const auto request = network_.NextLine(nextTick)) Handle(*request);
    }
    if (connected_.load()) {
        for (int ch = 0; ch < kChannelCount; ++ch) StopAutoOutput(state_, ch);
        DisconnectFromUnit(link_, state_);
        connected_ = false;
        Log("outputs switched off, port closed");
    }
    network_.Stop();
}

void UnitServer::Log(const std::string& text)
{
    if (log_) log_(text);
}

void UnitServer::Tick(TimePoint now)
{
    if (!connected_.load()) {
        if (now >= nextConnect_) TryConnect(now);
        return;
    }
    if (!link_.IsOpen()) return LoseUnit("its port went away");
    if (CheckUnsolicitedLine(link_, state_)) polling_.Heard();
    AutoOutputTick(state_, AutoOutputClockAt(now));
    if (polling_.Tick(link_, state_, now)) LoseUnit("it stopped answering");
}

void UnitServer::TryConnect(TimePoint now)
{
    ui_.messages.clear();
    if (options_.findPort) {
        const std::string found = options_.findPort();
        if (found.empty()) {
            nextConnect_ = now + options_.reconnectPause;
            const std::string why = "no serial port of " + options_.serialNumber;
            if (why != lastFailure_) Log("cannot connect to the unit: " + why);
            lastFailure_ = why;
            return;
        }
        options_.port = found;
    }
    ConnectOptions connect;
    connect.takeOverOutputs = true;
    const ConnectOutcome outcome = ConnectToUnit(link_, state_, options_.port, ui_, connect);
    if (outcome == ConnectOutcome::Connected) {
        connected_ = true;
        polling_.Start();
        lastFailure_.clear();
        Log("connected to the unit on " + options_.port + ": firmware " + state_.firmwareVersion +
            ", " + std::to_string(state_.circuitCount) + " circuits");
        return;
    }
    link_.ClosePort();
    nextConnect_ = now + options_.reconnectPause;
    std::string why = ui_.messages.empty() ? "no answer" : ui_.messages.front();
    // Said once, not at every try.
    if (why != lastFailure_) Log("cannot connect to the unit on " + options_.port + ": " + why);
    lastFailure_ = std::move(why);
}

void UnitServer::LoseUnit(const char* why)
{
    // As on the panel: the outputs count as off, and the steps of automatic outputs end.
    for (int ch = 0; ch < kChannelCount; ++ch) StopAutoOutput(state_, ch);
    polling_.Stop();
    DisconnectFromUnit(link_, state_);
    nextConnect_ = Now() + options_.reconnectPause;
    Log(std::string("the unit is lost: ") + why);
    // Last, so whoever sees the unit lost also finds the reason in the log.
    connected_ = false;
}

void UnitServer::Handle(const LineServer::Request& request)
{
    ScpiStatus& status = clients_[request.client];
    if (request.overrun) {
        status.Push(ScpiError::InputBufferOverrun, "line longer than the limit");
        return;
    }
    std::string reply;
    bool replied = false;
    for (const ScpiParsedUnit& unit : ParseScpiLine(request.line, kScpiCommands)) {
        if (!unit.command) {
            status.Push(unit.error, unit.detail);
            break;
        }
        if (const auto answer = Execute(status, *unit.command)) {
            // Replies of one line go back as one line, separated by ';' (IEEE 488.2).
            if (replied) reply += ';';
            reply += *answer;
            replied = true;
        }
    }
    if (replied) network_.Reply(request.client, reply);
}

void UnitServer::Reset()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        StopAutoOutput(state_, ch);
        // The first range, as a fresh settings set has it; the channels the unit runs on its
        // own keep theirs.
        if (!PcDriven(state_, ch)) continue;
        state_.channels[static_cast<std::size_t>(ch)].range = ChannelSettings{}.range;
        state_.RangeToModeBits(ch);
    }
    state_.ResetChannels();
    state_.ResetAutoOutput();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (PcDriven(state_, ch)) state_.SetOutputOn(ch, false);
        state_.ValueToCode(ch);
    }
    state_.SendAllCircuits();
}

std::string UnitServer::Identity() const
{
    const std::string serial = options_.serialNumber.empty() ? "0" : options_.serialNumber;
    const std::string firmware = state_.firmwareVersion.empty() ? "0" : state_.firmwareVersion;
    return std::string(kMaker) + ",KRV-" + std::to_string(state_.circuitCount) + "CH," + serial +
           "," + firmware;
}

}  // namespace krv::remote
