#include "cli/RemoteStatus.h"

#include <poll.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "cli/ChannelView.h"
#include "cli/CliArgs.h"
#include "model/GeneratorState.h"
#include "platform/Clock.h"
#include "platform/Translate.h"
#include "remote/LineClient.h"
#include "remote/LineServer.h"

namespace krv::cli {

namespace {

using namespace std::chrono_literals;

constexpr auto kReplyTime = 5s;

std::atomic<bool> remoteStop{false};

void RequestRemoteStop(int)
{
    remoteStop = true;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// One channel's STATus:RAW? reply as the unit's status report, its standalone mode and whether
// the server has the unit.
struct RawStatus {
    StatusReport report;
    int standaloneMode = 0;
    bool connected = false;
};

std::optional<RawStatus> ParseRaw(int ch, const std::string& text)
{
    const std::vector<std::string> fields = Split(text, ',');
    if (fields.size() != 10) return std::nullopt;
    std::vector<long> numbers;
    for (const std::string& field : fields) {
        const auto number = ParseInteger(field, 0, 0xFFFF);
        if (!number) return std::nullopt;
        numbers.push_back(static_cast<long>(*number));
    }
    RawStatus raw;
    raw.report.channel = ch;
    raw.report.range = static_cast<unsigned>(numbers[0]);
    raw.report.outputCode = static_cast<std::uint16_t>(numbers[1]);
    raw.report.mainControl = static_cast<std::uint16_t>(numbers[2]);
    raw.report.mainStatus = static_cast<std::uint16_t>(numbers[3]);
    raw.report.extControl = static_cast<std::uint16_t>(numbers[4]);
    raw.report.extStatus = static_cast<std::uint16_t>(numbers[5]);
    raw.report.calibrationMode = static_cast<std::uint16_t>(numbers[6]);
    raw.report.runState = static_cast<std::int32_t>(numbers[7]);
    raw.standaloneMode = static_cast<int>(numbers[8]);
    raw.connected = numbers[9] != 0;
    return raw;
}

// Every channel's raw status, asked in one line.
std::optional<std::vector<RawStatus>> AskAll(remote::LineClient& server, int circuits)
{
    std::string line;
    for (int ch = 1; ch <= circuits; ++ch)
        line += (ch > 1 ? ";:STAT" : "STAT") + std::to_string(ch) + ":RAW?";
    const auto reply = server.Query(line, kReplyTime);
    if (!reply) return std::nullopt;
    const std::vector<std::string> parts = Split(*reply, ';');
    if (parts.size() != static_cast<std::size_t>(circuits)) return std::nullopt;
    std::vector<RawStatus> all;
    for (int ch = 0; ch < circuits; ++ch) {
        const auto raw = ParseRaw(ch, parts[static_cast<std::size_t>(ch)]);
        if (!raw) return std::nullopt;
        all.push_back(*raw);
    }
    return all;
}

}  // namespace

int RemoteStatus(const std::string& where, bool watch, bool json, OutputLog& log)
{
    std::string text = where;
    if (text == "localhost" || text.rfind("localhost:", 0) == 0) text.replace(0, 9, "127.0.0.1");
    std::string error;
    auto address = remote::ParseListenAddress(text, &error);
    if (!address || address->port == 0) {
        return UsageError(WithArgs(Tr("krvctl",
                                      "--connect は HOST[:PORT] (IPv4 アドレスか "
                                      "localhost) で指定します。\"%1\" ではありません"),
                                   {where}));
    }
    remote::LineClient server;
    if (!server.Open(address->host, address->port, kReplyTime, error)) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "%1 の krvctl serve に届きません: %2"),
                              {address->host + ":" + std::to_string(address->port), error})
                         .c_str());
        return kExitUnitFailed;
    }
    const auto silent = [&] {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "%1 の krvctl serve が応答しません"), {where}).c_str());
        return kExitUnitFailed;
    };
    // Holvik,KRV-2CH,serial,firmware
    const auto identity = server.Query("*IDN?", kReplyTime);
    if (!identity) return silent();
    const std::vector<std::string> fields = Split(*identity, ',');
    int circuits = 0;
    if (fields.size() == 4 && fields[1].size() == 7 && fields[1].rfind("KRV-", 0) == 0) {
        circuits = fields[1][4] - '0';
    }
    if (circuits != 1 && circuits != 2 && circuits != 4) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "%1 は KRV 発生器の krvctl serve ではありません: %2"),
                              {where, *identity})
                         .c_str());
        return kExitUnitFailed;
    }

    AppValues app;
    GeneratorState state(app);  // no frame sink: the unit is reached through the server
    state.ResetForCircuitCount(circuits);
    std::map<int, ChannelView> shown;
    const auto take = [&](const RawStatus& raw) {
        state.unitAutoOutput[static_cast<std::size_t>(raw.report.channel)].standaloneMode =
            raw.standaloneMode;
        const ChannelView view = ViewOf(state, raw.report);
        AdoptForLog(state, raw.report);
        return view;
    };
    auto all = AskAll(server, circuits);
    if (!all) return silent();
    for (const RawStatus& raw : *all) shown[raw.report.channel + 1] = take(raw);
    log.RecordAll(state);
    PrintSummary(fields[3], circuits, shown, json);
    if (!watch) return kExitOk;

    struct sigaction action {};
    action.sa_handler = RequestRemoteStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    bool connected = all->front().connected;
    TimePoint tick = Now();
    while (!remoteStop.load()) {
        tick += 50ms;
        all = AskAll(server, circuits);
        if (!all) return silent();
        if (all->front().connected != connected) {
            connected = all->front().connected;
            std::fprintf(stderr, "%s\n",
                         (connected ? Tr("krvctl", "krvctl serve が発生器を取り戻しました")
                                    : Tr("krvctl", "krvctl serve が発生器を見失いました"))
                             .c_str());
        }
        for (const RawStatus& raw : *all) {
            const ChannelView view = take(raw);
            log.Record(state, raw.report.channel, OutputEvent::Status);
            if (shown[view.channel] != view) {
                shown[view.channel] = view;
                PrintChange(view, json);
            }
        }
        // SIGINT and SIGTERM end the wait at once.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(tick - Now());
        if (left.count() > 0) ::poll(nullptr, 0, static_cast<int>(left.count()));
    }
    return kExitOk;
}

}  // namespace krv::cli
