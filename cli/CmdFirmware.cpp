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
        error = "not a regular file";
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
            error = "larger than any S-record file of the unit";
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool WriteOutput(const std::string& path, std::string_view bytes)
{
    std::string error;
    if (WriteOutputFile(path, bytes, &error)) return true;
    std::fprintf(stderr, "krvctl: cannot write %s: %s\n", path.c_str(), error.c_str());
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
    if (words.rest.size() != 1) return UsageError("firmware pack takes one S-record file");
    if (!words.output) return UsageError("firmware pack needs -o FILE.cya");
    const auto versionText = args.Value("--version");
    if (!versionText) return UsageError("firmware pack needs --version, six hexadecimal digits");
    const auto version = ParseFirmwareVersion(*versionText);
    if (!version) {
        return UsageError("--version takes six hexadecimal digits (020100), not \"" + *versionText +
                          "\"");
    }
    const std::string& source = words.rest[0];
    std::string error;
    const auto text = ReadSmallFile(source, kMaxSRecordFile, error);
    if (!text) {
        std::fprintf(stderr, "krvctl: cannot read %s: %s\n", source.c_str(), error.c_str());
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
        std::fprintf(stderr, "krvctl: %s: no data records\n", source.c_str());
        return kExitUnitFailed;
    }
    PackSummary summary;
    const std::string packed = PackFirmware(records, *version, &summary);
    if (const FirmwareFileCheck check = CheckFirmwareBytes(packed); !check.Usable()) {
        std::fprintf(stderr, "krvctl: %s: would not make a whole image file: %s\n", source.c_str(),
                     check.Reason().c_str());
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
            std::fprintf(stderr, "%s\n", kCannotOpenFile);
            return std::nullopt;
        case FirmwareFault::Empty:
        case FirmwareFault::HeaderCut:
            std::fprintf(stderr, "%s\n", kFileError);
            return std::nullopt;
        default:
            return check;
    }
}

int Info(const Args& args, const SubcommandWords& words)
{
    if (words.rest.size() != 1) return UsageError("firmware info takes one FILE.cya");
    if (words.output) return UsageError("firmware info takes no -o");
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
    if (words.rest.size() != 1) return UsageError("firmware unpack takes one FILE.cya");
    if (!words.output) return UsageError("firmware unpack needs -o IMAGE");
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
            std::fprintf(stderr, "%s [OK/Cancel]: ", text.c_str());
            std::string answer;
            std::getline(std::cin, answer);
            const bool ok = !answer.empty() && std::strchr("oOyY", answer[0]) != nullptr;
            return ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        }
        std::fprintf(stderr, "%s [Cancel: --yes answers OK]\n", text.c_str());
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
    if (words.rest.size() != 1) return UsageError("firmware update takes one FILE.cya");
    if (words.output) return UsageError("firmware update takes no -o");
    if (args.Has("--port")) {
        return UsageError("firmware update reaches the unit through its USB bridge, not --port");
    }
    FirmwareUpdateRequest request;
    request.firmwareFile = words.rest[0];
    if (const auto dir = args.Value("--backup-dir")) {
        if (dir->empty()) return UsageError("--backup-dir needs a folder");
        request.backupFolder = *dir;
    }
    int bootTries = kDefaultBootTries;
    if (const auto text = args.Value("--boot-tries")) {
        const auto n = ParseInteger(*text, 1, kMaxBootTries);
        if (!n) return UsageError("--boot-tries takes a number from 1 to 1000");
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
    if (all.empty()) return UsageError("firmware needs pack, info, unpack or update");
    const SubcommandWords words = SplitSubcommandWords(args);
    if (words.outputMissing) return UsageError("-o needs a file name");
    const std::string& command = all[0];
    const auto Refuse = [&](const char* option) {
        return UsageError("firmware " + command + " takes no " + option);
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
    return UsageError("unknown firmware command '" + command + "'");
}

}  // namespace

Command FirmwareCommand()
{
    return {
        "firmware",
        KRV_TRANSLATE_NOOP("krvctl",
                           "ファームウェアイメージの作成・確認・展開、発生器のファームウェア更新"),
        "Usage: krvctl firmware pack SREC --version VERSION -o FILE.cya\n"
        "       krvctl firmware info FILE.cya [--json]\n"
        "       krvctl firmware unpack FILE.cya -o IMAGE\n"
        "       krvctl firmware update FILE.cya [--yes] [--backup-dir DIR] [--boot-tries N]\n"
        "\n"
        "pack makes a firmware image file (.cya) from a Motorola S-record file: data records of\n"
        "any length (S1, S2, S3) become data records of at most 16 bytes with 32-bit addresses,\n"
        "end records (S7, S8, S9) an S7; header and count records (S0, S5, S6) are left out.\n"
        "  --version VERSION   six hexadecimal digits, the three version bytes (020100)\n"
        "A source without data records, or one that would not make a whole image file, is\n"
        "refused.\n"
        "info prints the file's version, its records by type, the records refused for a bad\n"
        "checksum or a malformed line, the data bytes outside the program image, the span\n"
        "of addresses it fills, and whether update would take the file (usable yes, or no and\n"
        "the reason).\n"
        "  --json   {\"version\":\"020100\",\"records\":N,\"types\":{\"3\":N,\"7\":1},\n"
        "           \"badChecksum\":0,\"malformed\":0,\"truncated\":0,\"bytesOutside\":0,\n"
        "           \"span\":{\"first\":\"FFFE0000\",\"last\":\"FFFFFFFF\"},\n"
        "           \"usable\":true,\"reason\":\"\"} (span null when empty)\n"
        "unpack writes the program image the file gives: 133120 bytes, the flash window\n"
        "0xFFFE0000 to 0xFFFFFFFF and then 0x00000000 to 0x000007FF, 0xFF where the file has\n"
        "no data.\n"
        "update updates the firmware of the one unit on the USB bridges (with --simulate the\n"
        "virtual unit's): it reads the unit's calibration and saves it to the backup file\n"
        "SERIAL_R.txt (or takes it from that file when the unit cannot deliver it), programs\n"
        "and verifies the unit, writes the calibration back and has the unit store it. Every\n"
        "step is printed with its progress; the messages follow at the end (to standard error\n"
        "after a failure, which exits 1). The file is checked whole before the unit is\n"
        "touched: one cut off, with a record that is damaged (wrong checksum, not an S-record),\n"
        "data outside the program image, no data records or no end record as its last record\n"
        "is refused with 転送ファイルに誤りがあります and the reason on the next line. Ctrl-C\n"
        "cancels at the next step (or block) of the programming; a second Ctrl-C ends krvctl\n"
        "at once. A failure once the unit has been erased names the backup file: run the\n"
        "update again.\n"
        "  --yes             answer the questions with OK (without it they are asked on the\n"
        "                    terminal, or answered with Cancel when there is none)\n"
        "  --backup-dir DIR  the folder of the backup file (default: the documents folder's\n"
        "                    Holvik/Bremix2)\n"
        "  --boot-tries N    restarts into boot mode whose bit-rate adjustment the unit does\n"
        "                    not answer before update gives up (1 to 1000, default 10)\n"
        "A backup is used only when it holds every backed-up range of every channel of the\n"
        "unit, once each, with plain decimal numbers; any other is refused (パソコン内補正\n"
        "ファイル内容が異常です). A backup whose contents differ from the new one is kept beside\n"
        "it as SERIAL_R-YYYYMMDDTHHMMSS.txt (printed). Start values read from a unit wiped by an\n"
        "update cut short never replace a backup with real values: 本体補正データが初期値です\n"
        "asks to use the backup instead. Running the update again repairs one cut short.\n"
        "A file that cannot be read prints ファイルが開けません, an empty one "
        "転送ファイルに誤りが\n"
        "あります, to standard error and exits 1.\n",
        {{"--version", true},
         {"--json", false},
         {"--yes", false},
         {"--backup-dir", true},
         {"--boot-tries", true},
         {"--output", true}},
        RunFirmware};
}

}  // namespace krv::cli
