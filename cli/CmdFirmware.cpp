// krvctl firmware: firmware image files (pack, info, unpack) and the firmware update of a unit.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePacker.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/ProgramUnit.h"
#include "link/DeviceLink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "platform/OutputFile.h"
#include "platform/Translate.h"
#include "platform/UniqueFd.h"

namespace krv::cli {

namespace {

// Restarts into boot mode without an answer before update gives up: krvctl has no cancel button.
constexpr int kDefaultBootTries = 10;
constexpr long long kMaxBootTries = 1000;

// S-record files larger than this are refused: a full 128 KiB image takes about 360 kB.
constexpr std::size_t kMaxSRecordFile = 64 * 1024 * 1024;

// The whole of a regular file, at most `limit` bytes. Nothing, with the reason, otherwise.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit,
                                         std::string& error)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = Tr("krvctl", "通常のファイルではありません");
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = std::strerror(errno);
            return std::nullopt;
        }
        if (got == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(got) > limit) {
            error = Tr("krvctl", "発生器のどの S レコードファイルよりも大きいファイルです");
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool WriteOutput(const std::string& path, std::string_view bytes)
{
    std::string error;
    if (WriteOutputFile(path, bytes, &error)) return true;
    std::fprintf(stderr, "krvctl: %s\n",
                 WithArgs(Tr("krvctl", "%1 に書き込めません: %2"), {path, error}).c_str());
    return false;
}

// A record type character as it can be printed: itself when printable, else "x" and its code.
std::string TypeName(char type)
{
    if (type > 0x20 && type < 0x7F) return std::string(1, type);
    char name[8];
    std::snprintf(name, sizeof name, "x%02X", static_cast<unsigned char>(type));
    return name;
}

std::string Hex8(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

int Pack(const Args& args, const SubcommandWords& words)
{
    if (words.rest.size() != 1)
        return UsageError(Tr("krvctl", "firmware pack には S レコードファイルを一つ指定します"));
    if (!words.output) return UsageError(Tr("krvctl", "firmware pack には -o FILE.cya が必要です"));
    const auto versionText = args.Value("--version");
    if (!versionText)
        return UsageError(Tr("krvctl", "firmware pack には --version (16 進 6 桁) が必要です"));
    const auto version = ParseFirmwareVersion(*versionText);
    if (!version) {
        return UsageError(WithArgs(
            Tr("krvctl", "--version は 16 進 6 桁 (020100) で指定します。\"%1\" ではありません"),
            {*versionText}));
    }
    const std::string& source = words.rest[0];
    std::string error;
    const auto text = ReadSmallFile(source, kMaxSRecordFile, error);
    if (!text) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "%1 を読めません: %2"), {source, error}).c_str());
        return kExitUnitFailed;
    }
    std::vector<SRecord> records;
    if (!ParseSRecords(*text, records, error)) {
        std::fprintf(stderr, "krvctl: %s: %s\n", source.c_str(), error.c_str());
        return kExitUnitFailed;
    }
    // Only what makes a whole image file is packed: update would refuse anything less.
    const bool data = std::any_of(records.begin(), records.end(), [](const SRecord& r) {
        return (r.type == '1' || r.type == '2' || r.type == '3') && !r.data.empty();
    });
    if (!data) {
        std::fprintf(stderr, "krvctl: %s: %s\n", source.c_str(),
                     Tr("krvctl", "データレコードがありません").c_str());
        return kExitUnitFailed;
    }
    PackSummary summary;
    const std::string packed = PackFirmware(records, *version, &summary);
    if (const FirmwareFileCheck check = CheckFirmwareBytes(packed); !check.Usable()) {
        std::fprintf(
            stderr, "krvctl: %s: %s\n", source.c_str(),
            WithArgs(Tr("krvctl", "完全なイメージファイルになりません: %1"), {check.Reason()})
                .c_str());
        return kExitUnitFailed;
    }
    if (!WriteOutput(*words.output, packed)) return kExitUnitFailed;
    // The summary goes where the image does not.
    std::fprintf(NamesStandardOutput(*words.output) ? stderr : stdout,
                 "%s: version %s, %zu records (from %zu S-records, %zu left out)\n",
                 words.output->c_str(), versionText->c_str(), summary.recordsOut, summary.recordsIn,
                 summary.leftOut);
    return kExitOk;
}

// Reads an image file for info and unpack, whole or not; prints the unit's message and returns
// nothing when it cannot be read at all.
std::optional<FirmwareFileCheck> ReadImageFile(const std::string& path, FirmwareImage& image,
                                               FirmwareRecordCounts& counts)
{
    const FirmwareFileCheck check = CheckFirmwareFile(path, &image, &counts);
    switch (check.fault) {
        case FirmwareFault::CannotOpen:
            std::fprintf(stderr, "%s\n", TrMarked("ProgramUnit", kCannotOpenFile).c_str());
            return std::nullopt;
        case FirmwareFault::Empty:
        case FirmwareFault::HeaderCut:
            std::fprintf(stderr, "%s\n", TrMarked("ProgramUnit", kFileError).c_str());
            return std::nullopt;
        default:
            return check;
    }
}

int Info(const Args& args, const SubcommandWords& words)
{
    if (words.rest.size() != 1)
        return UsageError(Tr("krvctl", "firmware info には FILE.cya を一つ指定します"));
    if (words.output) return UsageError(Tr("krvctl", "firmware info は -o をとりません"));
    FirmwareImage image;
    FirmwareRecordCounts counts;
    const auto check = ReadImageFile(words.rest[0], image, counts);
    if (!check) return kExitUnitFailed;
    const FirmwareHeader& header = check->header;

    if (args.Has("--json")) {
        JsonWriter json;
        json.BeginObject().Key("version").String(header.version);
        json.Key("records").Int(static_cast<long long>(counts.records));
        json.Key("types").BeginObject();
        for (const auto& [type, n] : counts.byType) {
            json.Key(TypeName(type)).Int(static_cast<long long>(n));
        }
        json.EndObject();
        json.Key("badChecksum").Int(static_cast<long long>(counts.badChecksum));
        json.Key("malformed").Int(static_cast<long long>(counts.malformed));
        json.Key("truncated").Int(static_cast<long long>(counts.truncated));
        json.Key("bytesOutside").Int(static_cast<long long>(counts.bytesOutside));
        json.Key("span");
        if (counts.lowest) {
            json.BeginObject()
                .Key("first")
                .String(Hex8(*counts.lowest))
                .Key("last")
                .String(Hex8(*counts.highest))
                .EndObject();
        } else {
            json.Null();
        }
        json.Key("usable").Bool(check->Usable()).Key("reason").String(check->Reason());
        json.EndObject();
        std::printf("%s\n", json.Text().c_str());
        return kExitOk;
    }
    std::printf("version %s\n", header.version.c_str());
    std::printf("records %zu\n", counts.records);
    for (const auto& [type, n] : counts.byType) {
        std::printf("  S%s %zu\n", TypeName(type).c_str(), n);
    }
    std::printf("bad checksum %zu\n", counts.badChecksum);
    std::printf("malformed %zu\n", counts.malformed);
    if (counts.truncated != 0) std::printf("cut off at the end %zu\n", counts.truncated);
    std::printf("bytes outside the image %zu\n", counts.bytesOutside);
    if (counts.lowest) {
        std::printf("span %s-%s\n", Hex8(*counts.lowest).c_str(), Hex8(*counts.highest).c_str());
    } else {
        std::printf("span none\n");
    }
    if (check->Usable()) {
        std::printf("usable yes\n");
    } else {
        std::printf("usable no: %s\n", check->Reason().c_str());
    }
    return kExitOk;
}

int Unpack(const SubcommandWords& words)
{
    if (words.rest.size() != 1)
        return UsageError(Tr("krvctl", "firmware unpack には FILE.cya を一つ指定します"));
    if (!words.output) return UsageError(Tr("krvctl", "firmware unpack には -o IMAGE が必要です"));
    FirmwareImage image;
    FirmwareRecordCounts counts;
    if (!ReadImageFile(words.rest[0], image, counts)) return kExitUnitFailed;
    const std::string_view bytes(reinterpret_cast<const char*>(image.Data()), FirmwareImage::kSize);
    return WriteOutput(*words.output, bytes) ? kExitOk : kExitUnitFailed;
}

// Messages of the update: kept to be printed at the end (to standard output after a success, to
// standard error otherwise). Questions are answered by --yes, else asked on the terminal; with
// no terminal to ask on, they are answered with Cancel.
class UpdateUserInterface : public UserInterface {
  public:
    explicit UpdateUserInterface(bool yes) : yes_(yes) {}

    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageIcon,
                              MessageButtons buttons) override
    {
        if (buttons == MessageButtons::Ok) {
            messages_.push_back(text);
            return MessageAnswer::Ok;
        }
        if (yes_) {
            std::printf("%s [OK]\n", text.c_str());
            std::fflush(stdout);
            return MessageAnswer::Ok;
        }
        if (::isatty(STDIN_FILENO) == 1) {
            std::fprintf(stderr, "%s %s: ", text.c_str(), Tr("krvctl", "[OK/キャンセル]").c_str());
            std::string answer;
            std::getline(std::cin, answer);
            const bool ok = !answer.empty() && std::strchr("oOyY", answer[0]) != nullptr;
            return ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        }
        std::fprintf(stderr, "%s %s\n", text.c_str(),
                     Tr("krvctl", "[キャンセル: --yes で OK と答えます]").c_str());
        return MessageAnswer::Cancel;
    }
    void SetWaitCursor(bool) override {}
    bool ProcessPendingEvents() override { return true; }

    void Print(bool failed) const
    {
        for (const std::string& m : messages_) {
            std::fprintf(failed ? stderr : stdout, "%s\n", m.c_str());
        }
    }

  private:
    bool yes_;
    std::vector<std::string> messages_;
};

// Ctrl-C during an update: a cancel request, taken at the next step (or block) of the
// programming. The handler only sets the flag (a lock-free atomic: safe in a signal handler) and
// is reset by its first signal, so a second Ctrl-C ends the process as usual.
std::atomic<bool> interruptRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void RequestCancel(int)
{
    interruptRequested.store(true);
}

// Installs the handler for its lifetime.
class InterruptAsCancel {
  public:
    InterruptAsCancel()
    {
        interruptRequested.store(false);
        struct sigaction action {};
        action.sa_handler = RequestCancel;
        sigemptyset(&action.sa_mask);
        // Calls under way go on (the simulated unit's threads and the bridge library's may take
        // the signal); the flag is read at the next step.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
    }
    ~InterruptAsCancel()
    {
        if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
    }
    InterruptAsCancel(const InterruptAsCancel&) = delete;
    InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

  private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

void PrintStep(const std::string& status, int progress)
{
    std::printf("%3d%% %s\n", progress, status.c_str());
    std::fflush(stdout);
}

int Update(const Args& args, const SubcommandWords& words)
{
    if (words.rest.size() != 1)
        return UsageError(Tr("krvctl", "firmware update には FILE.cya を一つ指定します"));
    if (words.output) return UsageError(Tr("krvctl", "firmware update は -o をとりません"));
    if (args.Has("--port")) {
        return UsageError(Tr(
            "krvctl", "firmware update は --port ではなく USB ブリッジを通して発生器を操作します"));
    }
    FirmwareUpdateRequest request;
    request.firmwareFile = words.rest[0];
    if (const auto dir = args.Value("--backup-dir")) {
        if (dir->empty()) return UsageError(Tr("krvctl", "--backup-dir にはフォルダーが必要です"));
        request.backupFolder = *dir;
    }
    int bootTries = kDefaultBootTries;
    if (const auto text = args.Value("--boot-tries")) {
        const auto n = ParseInteger(*text, 1, kMaxBootTries);
        if (!n) return UsageError(Tr("krvctl", "--boot-tries は 1 ～ 1000 の数です"));
        bootTries = static_cast<int>(*n);
    }
    // A file that is not a whole image is refused before the unit is looked for.
    if (const std::string refusal = CheckFirmwareFileForUpdate(request.firmwareFile);
        !refusal.empty()) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return kExitUnitFailed;
    }
    UpdateUserInterface ui(args.Has("--yes"));
    DeviceLink& link = TheDeviceLink();
    link.SetUserInterface(ui);
    AppValues app;
    GeneratorState state(app);
    InterruptAsCancel interrupt;
    FirmwareContext context(link, ui, PrintStep, &interruptRequested);
    context.SetBootTries(bootTries);
    const FirmwareUpdateResult result = RunFirmwareUpdate(context, state, request);
    const bool succeeded = result.outcome == FirmwareUpdateOutcome::Succeeded;
    ui.Print(!succeeded);
    if (succeeded) std::printf("calibration backup %s\n", result.backupFile.c_str());
    if (!result.keptBackup.empty()) {
        std::printf("earlier calibration backup kept as %s\n", result.keptBackup.c_str());
    }
    return succeeded ? kExitOk : kExitUnitFailed;
}

int RunFirmware(const Args& args)
{
    const auto& all = args.Positionals();
    if (all.empty())
        return UsageError(
            Tr("krvctl", "firmware には pack、info、unpack、update のいずれかが必要です"));
    const SubcommandWords words = SplitSubcommandWords(args);
    if (words.outputMissing) return UsageError(Tr("krvctl", "-o にはファイル名が必要です"));
    const std::string& command = all[0];
    const auto Refuse = [&](const char* option) {
        return UsageError(
            WithArgs(Tr("krvctl", "firmware %1 は %2 をとりません"), {command, option}));
    };
    if (command != "pack" && args.Has("--version")) return Refuse("--version");
    if (command != "info" && args.Has("--json")) return Refuse("--json");
    if (command != "update" && args.Has("--yes")) return Refuse("--yes");
    if (command != "update" && args.Has("--backup-dir")) return Refuse("--backup-dir");
    if (command != "update" && args.Has("--boot-tries")) return Refuse("--boot-tries");
    if (command == "pack") return Pack(args, words);
    if (command == "info") return Info(args, words);
    if (command == "unpack") return Unpack(words);
    if (command == "update") return Update(args, words);
    return UsageError(WithArgs(Tr("krvctl", "不明な firmware のコマンド '%1'"), {command}));
}

}  // namespace

Command FirmwareCommand()
{
    return {
        "firmware",
        KRV_TRANSLATE_NOOP("krvctl",
                           "ファームウェアイメージの作成・確認・展開、発生器のファームウェア更新"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl firmware pack SREC --version VERSION -o FILE.cya\n"
            "        krvctl firmware info FILE.cya [--json]\n"
            "        krvctl firmware unpack FILE.cya -o IMAGE\n"
            "        krvctl firmware update FILE.cya [--yes] [--backup-dir DIR] [--boot-tries N]\n"
            "\n"
            "pack は Motorola S レコードファイルからファームウェアのイメージファイル (.cya) "
            "を作り\n"
            "ます: 任意の長さのデータレコード (S1、S2、S3) は 32 ビットアドレスの 16 バイト以下の\n"
            "データレコードに、終了レコード (S7、S8、S9) は S7 になります。ヘッダーとカウントの\n"
            "レコード (S0、S5、S6) は除きます。\n"
            "  --version VERSION   16 進 6 桁、バージョンの 3 バイト (020100)\n"
            "データレコードのないソースや、完全なイメージファイルにならないソースは\n"
            "拒否します。\n"
            "info はファイルのバージョン、種類ごとのレコード数、チェックサムの誤りや形の崩れで\n"
            "除いたレコード、プログラムイメージ外のデータバイト、埋めるアドレスの範囲、update が\n"
            "このファイルを受け付けるか (usable yes、または no と理由) を表示します。\n"
            "  --json   {\"version\":\"020100\",\"records\":N,\"types\":{\"3\":N,\"7\":1},\n"
            "           \"badChecksum\":0,\"malformed\":0,\"truncated\":0,\"bytesOutside\":0,\n"
            "           \"span\":{\"first\":\"FFFE0000\",\"last\":\"FFFFFFFF\"},\n"
            "           \"usable\":true,\"reason\":\"\"} (空なら span は null)\n"
            "unpack はファイルが与えるプログラムイメージを書きます: 133120 バイト、フラッシュの窓\n"
            "0xFFFE0000 ～ 0xFFFFFFFF、続いて 0x00000000 ～ 0x000007FF。ファイルにデータのない\n"
            "所は 0xFF です。\n"
            "update は USB ブリッジ上の一台の発生器 (--simulate では仮想の発生器) "
            "のファームウェア\n"
            "を更新します: 発生器の調整値を読んでバックアップファイル SERIAL_R.txt に保存し "
            "(発生器\n"
            "が渡せないときはそのファイルから取り)、発生器に書き込んで照合し、調整値を書き戻して\n"
            "発生器に保存させます。各段階を進み具合と共に表示し、メッセージは最後にまとめて表示\n"
            "します (失敗のときは標準エラー出力に。終了ステータス "
            "1)。ファイルは発生器に触れる前に\n"
            "全体を確認します: 途中で切れたもの、壊れたレコード (チェックサムの誤り、S レコード\n"
            "でない行)、プログラムイメージ外のデータ、データレコードがないもの、最後のレコードが\n"
            "終了レコードでないものは 転送ファイルに誤りがあります と次の行の理由で拒否します。\n"
            "Ctrl-C は書き込みの次の段階 (またはブロック) で取り消します。2 回目の Ctrl-C で\n"
            "krvctl はすぐに終わります。発生器を消去した後の失敗はバックアップファイルを示します:\n"
            "更新をもう一度実行してください。\n"
            "  --yes             問いに OK と答えます (なければ端末で尋ね、端末がなければ\n"
            "                    キャンセルと答えます)\n"
            "  --backup-dir DIR  バックアップファイルのフォルダー (既定はドキュメントフォルダーの\n"
            "                    Holvik/Bremix2)\n"
            "  --boot-tries N    発生器がビットレート調整に応答しないブートモードへの再起動を、\n"
            "                    update があきらめるまでに行う回数 (1 ～ 1000、既定は 10)\n"
            "バックアップは、発生器の全チャンネルのバックアップ対象の全レンジをそれぞれ一度ずつ、\n"
            "普通の 10 進数で持つときだけ使います。それ以外は拒否します (パソコン内補正\n"
            "ファイル内容が異常です)。新しいものと内容が異なるバックアップは、その横に\n"
            "SERIAL_R-YYYYMMDDTHHMMSS.txt として残します (表示します)。途中で切れた更新で消された\n"
            "発生器から読んだ初期値が、本物の値のバックアップを置き換えることはありません:\n"
            "本体補正データが初期値です "
            "でバックアップを使うか尋ねます。途中で切れた更新は、更新を\n"
            "もう一度実行すれば直ります。\n"
            "読めないファイルは ファイルが開けません、空のファイルは 転送ファイルに誤りがあります\n"
            "を標準エラー出力に表示し、終了ステータス 1 で終わります。\n"),
        {{"--version", true},
         {"--json", false},
         {"--yes", false},
         {"--backup-dir", true},
         {"--boot-tries", true},
         {"--output", true}},
        RunFirmware};
}

}  // namespace krv::cli
