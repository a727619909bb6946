// The unit as a bench instrument: SCPI over TCP for PyVISA, LabVIEW, scripts and nc.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "link/FtdiPort.h"
#include "platform/SerialDevices.h"
#include "platform/Translate.h"
#include "remote/UnitServer.h"

namespace krv::cli {

namespace {

std::atomic<bool> serveStop{false};

void RequestServeStop(int)
{
    serveStop = true;
}

// One line on standard error per event, with the local time; called from two threads.
void LogLine(const std::string& text)
{
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s krvctl serve: %s\n", stamp, text.c_str());
    std::fflush(stderr);
}

// A bridge's serial number rather than a port: "KR" and letters and digits, and no such device.
bool LooksLikeBridgeSerial(const std::string& name)
{
    if (name.size() < 3 || name.rfind(CFtdiPort::kUnitSerialPrefix, 0) != 0) return false;
    for (const char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return ::access(("/dev/" + name).c_str(), F_OK) != 0;
}

int RunServe(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("serve takes no arguments");
    remote::ServeOptions options;
    if (const auto listen = args.Value("--listen")) {
        std::string error;
        const auto address = remote::ParseListenAddress(*listen, &error);
        if (!address) return UsageError("--listen: " + error);
        options.network.listen = *address;
    }
    const std::vector<std::string> allowed = args.Values("--allow");
    if (!allowed.empty()) {
        options.network.allow.clear();
        for (const std::string& text : allowed) {
            const auto cidr = remote::ParseCidr(text);
            if (!cidr)
                return UsageError("--allow takes A.B.C.D or A.B.C.D/N, not \"" + text + "\"");
            options.network.allow.push_back(*cidr);
        }
    }
    if (const int status = ResolveUnitPort(args, options.port); status != kExitOk) return status;
    if (!args.Has("--port")) {
        options.serialNumber = ActiveSimulation::BridgeSerial();
    } else if (LooksLikeBridgeSerial(options.port)) {
        // --port KR2A0001: the unit is found by its bridge wherever it is plugged in.
        options.serialNumber = options.port;
        options.findPort = [serial = options.port] {
            return FindSerialDeviceBySerialNumber(serial);
        };
    } else {
        options.serialNumber = SerialNumberOfSerialDevice(options.port);
    }

    remote::UnitServer server(std::move(options), LogLine);
    std::string error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "krvctl: %s\n", error.c_str());
        return kExitUnitFailed;
    }
    struct sigaction action {};
    action.sa_handler = RequestServeStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // The port being listened on, for scripts that asked for port 0.
    std::printf("listening on port %u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    server.Serve(serveStop);
    return kExitOk;
}

}  // namespace

Command ServeCommand()
{
    return {
        "serve",
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "発生器を SCPI 計測器としてネットワークのクライアントに提供する (PyVISA、LabVIEW、nc)"),
        "Usage: krvctl [--port NAME|SERIAL] serve [--listen ADDR[:PORT]] [--allow CIDR]...\n"
        "\n"
        "--port may name the unit by its bridge's serial number (KR...): the port is then looked\n"
        "up again before every connect, so the unit is found whichever port it comes back on.\n"
        "Owns the unit's port, connects as the panel does, polls the status every 50 ms and\n"
        "serves SCPI commands over TCP, one command line per line (\"\\n\"), as PyVISA's\n"
        "TCPIP::HOST::5025::SOCKET resource does. Clients take turns, one line each; a lost\n"
        "unit is connected again when it answers (commands that need it fail with -240\n"
        "meanwhile, with its outputs off). SIGINT or SIGTERM switches the outputs the PC\n"
        "drives off and ends it. Connections, refusals and the unit lost and found are logged\n"
        "to standard error; \"listening on port N\" goes to standard output.\n"
        "  --listen ADDR[:PORT]  listen there (IPv4; default 127.0.0.1:5025; port 0: any)\n"
        "  --allow CIDR          serve clients from this network (A.B.C.D/N or A.B.C.D; may be\n"
        "                        given again); without it only 127.0.0.0/8 is served\n"
        "Calibration, standalone memory and firmware stay with the panel and krvctl; no command\n"
        "reaches them. The commands are listed in krvctl(1).\n",
        {{"--listen", true}, {"--allow", true}},
        RunServe};
}

}  // namespace krv::cli
