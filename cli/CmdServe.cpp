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
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "serve は引数をとりません"));
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
                return UsageError(WithArgs(
                    Tr("krvctl",
                       "--allow は A.B.C.D か A.B.C.D/N で指定します。\"%1\" ではありません"),
                    {text}));
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
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl [--port NAME|SERIAL] serve [--listen ADDR[:PORT]] [--allow CIDR]...\n"
            "\n"
            "--port には発生器をブリッジのシリアル番号 (KR...) で指定できます: そのときポートは\n"
            "接続のたびに探し直すので、どのポートに戻っても発生器が見つかります。\n"
            "発生器のポートを持ち、パネルと同じように接続し、50 ms ごとに状態を問い合わせ、TCP で\n"
            "SCPI コマンドを 1 行 (\"\\n\") に 1 コマンドずつ、PyVISA の\n"
            "TCPIP::HOST::5025::SOCKET リソースと同じく提供します。クライアントは 1 行ずつ交代で\n"
            "扱います。見失った発生器は応答すれば接続し直します (その間、発生器が必要なコマンドは\n"
            "-240 で失敗し、出力はオフです)。SIGINT か SIGTERM で PC が動かす出力をオフにして\n"
            "終わります。接続、拒否、発生器の喪失と発見は標準エラー出力に記録します。\n"
            "\"listening on port N\" は標準出力に出ます。\n"
            "  --listen ADDR[:PORT]  そこで待ち受けます (IPv4。既定は 127.0.0.1:5025。ポート 0: "
            "任意)\n"
            "  --allow CIDR          このネットワークのクライアントに提供します (A.B.C.D/N か\n"
            "                        A.B.C.D。繰り返し指定可)。なければ 127.0.0.0/8 だけです\n"
            "調整、PCレスメモリ、ファームウェアはパネルと krvctl "
            "のもので、どのコマンドも届きません。\n"
            "コマンドの一覧は krvctl(1) にあります。\n"),
        {{"--listen", true}, {"--allow", true}},
        RunServe};
}

}  // namespace krv::cli
