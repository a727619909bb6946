#include <signal.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "platform/Translate.h"
#include "sim/BridgeSocket.h"
#include "sim/Simulation.h"

namespace krv::cli {

namespace {

struct Alarm {
    int channel;  // index 0..3
    sim::StatusWord word;
    std::uint16_t bits;
};

// "d1r1,d2r2": mode and run digit of channels 1 and 2, each 0, 1 or 2.
bool ParseStandalone(const std::string& text, std::array<sim::StandaloneSetting, 2>& out)
{
    const auto valid = [](char c) { return c >= '0' && c <= '2'; };
    if (text.size() != 5 || text[2] != ',') return false;
    for (std::size_t k = 0; k < 2; ++k) {
        const char mode = text[3 * k];
        const char run = text[3 * k + 1];
        if (!valid(mode) || !valid(run)) return false;
        out[k] = sim::StandaloneSetting{mode - '0', run - '0'};
    }
    return true;
}

// "CH:main:BIT" or "CH:ext:BIT", CH 1 to `circuits`, BIT 0 to 15.
std::optional<Alarm> ParseAlarm(const std::string& text, int circuits)
{
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) return std::nullopt;
    const auto channel = ParseInteger(text.substr(0, first), 1, std::min(circuits, 4));
    const std::string word = text.substr(first + 1, second - first - 1);
    const auto bit = ParseInteger(text.substr(second + 1), 0, 15);
    if (!channel || !bit || (word != "main" && word != "ext")) return std::nullopt;
    return Alarm{static_cast<int>(*channel) - 1,
                 word == "main" ? sim::StatusWord::Main : sim::StatusWord::External,
                 static_cast<std::uint16_t>(1u << *bit)};
}

// A 16-bit word, decimal or hexadecimal with 0x.
std::optional<std::uint16_t> ParseWord(const std::string& text)
{
    const bool hex = text.size() > 2 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0);
    const std::string digits = hex ? text.substr(2) : text;
    const auto isDigit = [hex](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) ||
               (hex && std::isxdigit(static_cast<unsigned char>(c)));
    };
    if (digits.empty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(), isDigit)) {
        return std::nullopt;
    }
    const unsigned long value = std::stoul(digits, nullptr, hex ? 16 : 10);
    if (value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

int RunSim(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "sim は引数をとりません"));

    sim::SimulationOptions simulation;
    sim::ServerOptions& options = simulation.server;
    if (const auto circuits = args.Value("--circuits")) {
        const auto n = ParseInteger(*circuits, 1, 4);
        if (!n || *n == 3) return UsageError(Tr("krvctl", "--circuits は 1、2、4 のいずれかです"));
        options.unit.circuits = static_cast<int>(*n);
    }
    if (const auto firmware = args.Value("--firmware")) options.unit.firmware = *firmware;
    if (const auto modes = args.Value("--standalone")) {
        if (!ParseStandalone(*modes, options.unit.standalone)) {
            return UsageError(
                Tr("krvctl",
                   "--standalone は 0 ～ 2 の数字 2 桁の組を二つ (21,10 のように) 指定します"));
        }
    }
    if (const auto mode = args.Value("--calibration-mode")) {
        const auto word = ParseWord(*mode);
        if (!word) return UsageError(Tr("krvctl", "--calibration-mode は 0 ～ 65535 の数です"));
        options.unit.calibrationMode = *word;
    }
    if (const auto wiped = args.Value("--wiped-calibration")) {
        if (*wiped == "erased") {
            options.unit.wipedCalibration = sim::WipedCalibration::Erased;
        } else if (*wiped == "start") {
            options.unit.wipedCalibration = sim::WipedCalibration::StartValues;
        } else {
            return UsageError(Tr("krvctl", "--wiped-calibration は erased か start です"));
        }
    }
    std::vector<Alarm> alarms;
    for (const std::string& text : args.Values("--alarm")) {
        const auto alarm = ParseAlarm(text, options.unit.circuits);
        if (!alarm) {
            return UsageError(WithArgs(Tr("krvctl",
                                          "--alarm %1: CH:main:BIT か CH:ext:BIT (CH は "
                                          "1 ～ %2、BIT は 0 ～ 15) で指定します"),
                                       {text, std::to_string(options.unit.circuits)}));
        }
        alarms.push_back(*alarm);
    }
    options.instant = args.Has("--instant");
    if (const auto seed = args.Value("--seed")) {
        const auto n = ParseInteger(*seed, 0, INT64_MAX);
        if (!n) return UsageError(Tr("krvctl", "--seed は整数です"));
        options.seed = static_cast<std::uint64_t>(*n);
    }
    std::string faults;
    for (const std::string& spec : args.Values("--fault")) {
        faults += (faults.empty() ? "" : ",") + spec;
    }
    std::string error;
    if (!faults.empty() && !sim::FaultPlan::Parse(faults, &error)) {
        return UsageError("--fault: " + error);
    }
    options.faults = faults;
    std::string unitFaults;
    for (const std::string& spec : args.Values("--unit-fault")) {
        unitFaults += (unitFaults.empty() ? "" : ",") + spec;
    }
    if (!sim::ParseCommandFaults(unitFaults, options.unit.faults, &error)) {
        return UsageError("--unit-fault: " + error);
    }
    if (const int status = ParseBridgeOptions(args, simulation); status != kExitOk) return status;

    // Block the stop signals before the server's threads start, so that they inherit the mask and
    // only this thread takes the signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::Simulation running(std::move(simulation));
    sim::SimServer& server = running.Server();
    server.WithUnit([&](sim::VirtualUnit& unit) {
        for (const Alarm& alarm : alarms) unit.SetStatusBits(alarm.channel, alarm.word, alarm.bits);
    });
    if (!running.Start(&error)) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "仮想の発生器を始められません: %1"), {error}).c_str());
        return kExitUnitFailed;
    }
    // Other processes reach the unit's bridge through the socket (krvctl --sim-bridge).
    std::unique_ptr<sim::BridgeSocketServer> lent;
    if (const auto socket = args.Value("--bridge-socket")) {
        lent = std::make_unique<sim::BridgeSocketServer>(
            running.SharedTarget(), running.Bridge().Identity(), options.instant);
        if (!lent->Start(*socket, &error)) {
            std::fprintf(stderr, "krvctl: %s\n", error.c_str());
            return kExitUnitFailed;
        }
    }
    std::printf("%s\n", server.PortPath().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (lent) lent->Stop();
    server.Stop();
    return kExitOk;
}

}  // namespace

Command SimCommand()
{
    return {
        "sim",
        KRV_TRANSLATE_NOOP("krvctl", "新しい疑似端末で仮想の発生器を提供する"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl sim [--circuits 1|2|4] [--firmware TEXT] [--instant] [--seed N]\n"
            "                  [--standalone MODES] [--alarm CH:WORD:BIT]... [--calibration-mode "
            "N]\n"
            "                  [--fault SPEC]... [--unit-fault SPEC]... [--bridge-serial TEXT]\n"
            "                  [--extra-bridge SPEC]... [--bridge-fault SPEC]...\n"
            "                  [--wiped-calibration erased|start] [--bridge-socket PATH]\n"
            "\n"
            "新しい疑似端末で仮想の発生器を始め、端末のパスを標準出力の 1 "
            "行目に表示し、中断される\n"
            "(SIGINT か SIGTERM) まで提供します。\n"
            "  --circuits N     発生器が報告する回路数 (既定は 2)\n"
            "  --firmware TEXT  発生器が VER の後に送る 6 文字 (既定は 02.000)\n"
            "  --instant        19200 ボーの通信速度ではなく、すぐに応答します\n"
            "  --seed N         ランダムな障害の種 (既定は 1)\n"
            "  --standalone MODES\n"
            "                   チャンネル 1 と 2 の PCレスモード。MS の応答と同じ形 d1r1,d2r2 "
            "で、\n"
            "                   モードの数字 d (0 無効、1 固定値、2 自動出力) と運転状態 r (0 "
            "停止、\n"
            "                   1 運転中、2 一時停止)。既定は 00,00。例: 21,10\n"
            "  --alarm CH:WORD:BIT\n"
            "                   チャンネル CH の状態ビット BIT (0 ～ 15) を最初から立てます。WORD "
            "は\n"
            "                     main  0 過熱、1 スルー中、2 出力のコンプライアンス不足、\n"
            "                           3 ウォッチドッグ、4 CRC1\n"
            "                     ext   (外部電源の出力) 0 出力短絡、1 出力異常、\n"
            "                           2 SPI2、3 CRC2\n"
            "                   例: --alarm 1:main:0 --alarm 2:ext:3\n"
            "  --calibration-mode N\n"
            "                   全レンジの調整モードのワード。10 進または 0x 付きの 16 進\n"
            "                   (既定は 1: メーカー調整。2: ユーザー調整)\n"
            "  --wiped-calibration erased|start\n"
            "                   ブートローダーがフラッシュを消去した後の調整値の読め方: "
            "全ワードが\n"
            "                   0xFFFF (erased、既定) か初期値 (start: モード 0、ゼロ 0、ゲイン\n"
            "                   0x8000)\n"
            "  --fault SPEC     障害を注入します。SPEC はコンマ区切りの\n"
            "                   NAME[:COUNT][@PROB][=VALUE][#LETTERS] の並びで、NAME "
            "は次のいずれか\n"
            "                     drop       応答を省きます\n"
            "                     corrupt    応答の 1 バイトを変えて合わなくします "
            "(チェックサムの\n"
            "                                数字、または最初の文字)\n"
            "                     corrupt=POS[/HH]\n"
            "                                バイト POS (0 から。* はランダム) を HH (16 進) に、\n"
            "                                または次の数字か文字に変えます。チェックサムは\n"
            "                                そのままです\n"
            "                     forge[=POS[/HH]]\n"
            "                                同じく変え (POS なしでは内容のランダムな 1 バイト)、\n"
            "                                枠付きの応答には合うチェックサムを付けます\n"
            "                     noise      応答の前に関係のない行を送ります\n"
            "                     delay=MS   応答を MS ミリ秒遅らせます\n"
            "                     silent     抜かれたように何も応答しません\n"
            "                     longline   応答の前に行末のない 600 バイトを送ります\n"
            "                   COUNT は障害を次の COUNT 個の応答に限り、PROB "
            "はその確率で各応答に\n"
            "                   適用し、LETTERS はその文字で始まる応答 (R 状態、VER、CH、MS) に\n"
            "                   限ります。\n"
            "                   例: drop:2,noise@0.1,forge=2/37:1#R\n"
            "  --unit-fault SPEC\n"
            "                   発生器自身の障害: コンマ区切りの\n"
            "                     pe=CODE           メモリ消去をすべて NG と CODE (16 進) で拒否\n"
            "                     pw=CODE           メモリ書き込みを同様にすべて拒否\n"
            "                     pr=N              メモリ読み出しの応答 N (0 が最初) のチェック\n"
            "                                       サムを一度だけ壊す\n"
            "                     silent-after=N    あと N 行の後は何も応答しない\n"
            "                   とブートローダーの障害 (BLOCK: フラッシュの 256 バイトのブロック\n"
            "                   0 ～ 511)\n"
            "                     b1-from=N         ビットレート調整に、ブートモードへの N 回目の\n"
            "                                       再起動から応答する\n"
            "                     b8=CODE           書き込み状態を CODE (16 進) で拒否\n"
            "                     b15-bad=BLOCK     BLOCK の 1 バイトを誤って読み返す\n"
            "                     b13-silent=BLOCK  BLOCK の書き込みで応答しなくなる\n"
            "                     b15-silent=BLOCK  BLOCK の読み出しで応答しなくなる\n"
            "                   例: --unit-fault pe=3A\n"
            "  --bridge-serial TEXT\n"
            "                   発生器の模擬 USB ブリッジのシリアル番号 (既定は "
            "KR、回路数の数字、\n"
            "                   A0001。説明は \"Holvik KRV FT230X\")\n"
            "  --extra-bridge SERIAL[:DESCRIPTION]\n"
            "                   自分の発生器を持つもう一つの模擬ブリッジ (繰り返し指定可)\n"
            "  --bridge-fault SPEC\n"
            "                   ブリッジ上の発生器の応答の障害。--fault "
            "と同じ形。遅らせた応答は、\n"
            "                   その時刻の後に発生器が受け取る最初のバイトと共に出ます (ホストが\n"
            "                   次の応答を待つ間に届きます)。\n"
            "                   例: --bridge-fault delay=700:1#CRU\n"
            "  --bridge-socket PATH\n"
            "                   PATH の Unix ソケットで発生器のブリッジを他の krvctl に貸します:\n"
            "                   krvctl --sim-bridge PATH COMMAND は自分の模擬ブリッジを通してこの\n"
            "                   発生器に届きます (一度に一つのプロセス)。発生器はクライアントより\n"
            "                   長く生き、強制終了されたクライアントの後も残ります\n"
            "模擬ブリッジは模擬するプロセスの中にあります。--simulate の後に同じオプションを\n"
            "付ければ、他のどのコマンドにも与えられます (krvctl --simulate bridges)。\n"),
        {{"--circuits", true},
         {"--firmware", true},
         {"--instant", false},
         {"--seed", true},
         {"--standalone", true},
         {"--alarm", true},
         {"--calibration-mode", true},
         {"--wiped-calibration", true},
         {"--bridge-socket", true},
         {"--fault", true},
         {"--unit-fault", true}},
        RunSim};
}

}  // namespace krv::cli
