#include "firmware/ProgramUnit.h"

#include <algorithm>
#include <span>
#include <string>

#include "firmware/BootProtocol.h"
#include "firmware/FirmwareFile.h"
#include "platform/Translate.h"
#include "protocol/Identification.h"

namespace krv {

namespace {

// A message or status of the programming, in the program's language.
std::string ProgramUnitText(const char* marked)
{
    return TrMarked("ProgramUnit", marked);
}

}  // namespace

namespace {

// CBUS levels of the pulse into boot mode (mode 0x20, CBUS0 and CBUS1 driven): both high, then
// CBUS0 low with CBUS1 still high, then bit-bang off.
constexpr d2xx::UChar kBootPulseFirst = 0x33;
constexpr d2xx::UChar kBootPulseSecond = 0x32;
constexpr std::uint32_t kEndOfErasure = 0xFFFFFFFF;

class Programmer {
  public:
    Programmer(FirmwareContext& context, const std::filesystem::path& file)
        : context_(context),
          port_(context.Link().FtdiPort()),
          session_(port_, context.Ui()),
          file_(file)
    {
    }
    ~Programmer() { port_.CloseFtdiDevice(); }
    Programmer(const Programmer&) = delete;
    Programmer& operator=(const Programmer&) = delete;

    bool Run();

  private:
    // Before each step (and each block of the erasure, programming and read-back): true when the
    // user asked to stop or the bridge has gone, after the stop has been carried out.
    bool Cancelled();
    // Stops the run: the bridge closed, status "キャンセルしました", the message (with the erased
    // note once the unit has been erased). Always false.
    bool Fail(const std::string& message);
    // A block of the erasure or programming the unit did not acknowledge; a bridge that has gone
    // meanwhile ends the update as a stop does.
    bool BlockFailed()
    {
        return Fail(port_.BridgeLost() ? ProgramUnitText(kCancelledRestart)
                                       : ProgramUnitText(BootSession::kReplyFailure));
    }
    void MarkErased()
    {
        erased_ = true;
        context_.MarkUnitErased();
    }
    // Checks the whole file and builds the program image from it; false after telling the user
    // why it cannot be used.
    bool CheckFile();
    // The steps of the run after the file check, in order. Each is false once the run has ended
    // (the user declined or cancelled, or the unit failed and the user was told).
    bool AgreeWithUser();
    bool EnterBootLoader();
    bool PrepareBootLoader();
    bool EnterProgrammingState();
    bool EraseProgramMemory();
    bool WriteProgram();
    bool VerifyProgram();
    void RestartIntoNormalMode();
    void RestartIntoBootMode();
    bool Exchange(const BootCommand& command)
    {
        // Once the bridge has gone, every exchange would fail the same way, each with a message.
        if (port_.BridgeLost()) return false;
        session_.SendBootCommand(command);
        return session_.AwaitBootReply(command);
    }
    std::span<const std::uint8_t, kBootBlockSize> Block(int i) const
    {
        return std::span<const std::uint8_t, kBootBlockSize>(
            image_.Data() + static_cast<std::size_t>(i) * kBootBlockSize, kBootBlockSize);
    }

    FirmwareContext& context_;
    CFtdiPort& port_;
    BootSession session_;
    std::filesystem::path file_;
    FirmwareHeader header_;
    FirmwareImage image_;
    EraseGroup eraseGroup_;
    bool erased_ = false;
};

bool Programmer::Cancelled()
{
    // A bridge that has gone (unplugged mid-update) ends the update as a stop does: the unit
    // stays in boot mode until it is restarted.
    if (port_.BridgeLost()) {
        Fail(ProgramUnitText(kCancelledRestart));
        return true;
    }
    if (!context_.CancelRequested()) return false;
    context_.ClearCancelRequest();
    Fail(ProgramUnitText(kCancelledRestart));
    return true;
}

bool Programmer::Fail(const std::string& message)
{
    port_.CloseFtdiDevice();
    context_.SetStatus(TrMarked("FirmwareUpdate", kStatusCancelled));
    if (!erased_) {
        context_.Message(message);
    } else {
        const std::string& note = context_.ErasedNote();
        context_.Message(message + "\n" + (note.empty() ? ErasedUnitNote({}) : note));
    }
    return false;
}

bool Programmer::CheckFile()
{
    const FirmwareFileCheck check = CheckFirmwareFile(file_, &image_);
    if (check.fault == FirmwareFault::CannotOpen) {
        context_.Message(ProgramUnitText(kCannotOpenFile));
        return false;
    }
    if (!check.Usable()) return Fail(FirmwareFileRefusal(check));
    header_ = check.header;
    return true;
}

void Programmer::RestartIntoBootMode()
{
    WaitCursor cursor(context_.Ui());
    port_.SetBitMode(kBootPulseFirst, d2xx::kBitModeCbus);
    context_.Pause(kBootPulseStep);
    port_.SetBitMode(kBootPulseSecond, d2xx::kBitModeCbus);
    context_.Pause(kBootPulseStep);
    port_.SetBitMode(0, d2xx::kBitModeReset);
    context_.Pause(kBootPulseStep);
}

bool Programmer::Run()
{
    // A cancel requested before the run (while the calibration was read) counts: whoever starts
    // an update clears the request first.
    context_.SetProgress(0);
    if (!CheckFile()) return false;
    if (!AgreeWithUser()) return false;
    // The program image was built from the file when it was checked: what the user agreed to is
    // what goes into the unit.
    if (!EnterBootLoader()) return false;
    if (!PrepareBootLoader()) return false;
    if (!EnterProgrammingState()) return false;
    // Erasing, programming and the read-back stop at the first block the unit does not
    // acknowledge, with one message (the read-back could not pass anyway), and take a cancel
    // between blocks.
    if (!EraseProgramMemory()) return false;
    if (!WriteProgram()) return false;
    if (!VerifyProgram()) return false;
    RestartIntoNormalMode();
    context_.SetProgress(100);
    return true;
}

bool Programmer::AgreeWithUser()
{
    // The user's word, with the unit's version beside the file's. Asking for the version changes
    // nothing in the unit.
    if (Cancelled()) return false;
    if (!port_.IsFtdiOpen() && !port_.OpenFtdiDevice()) return false;
    session_.DiscardPending();
    std::string version;
    if (!QueryVersion(context_.Link(), LinkKind::Ftdi, version)) version.clear();
    if (!context_.AskOk(UpdateQuestion(version, header_.version), MessageIcon::Information)) {
        return false;
    }
    context_.SetStatus(Tr("ProgramUnit", "更新準備中"));

    // The same version again only on purpose.
    if (Cancelled()) return false;
    context_.SetProgress(5);
    if (version == header_.version &&
        !context_.AskOk(ProgramUnitText(kAskSameVersion), MessageIcon::Information)) {
        context_.SetStatus(TrMarked("FirmwareUpdate", kStatusCancelled));
        return false;
    }
    return true;
}

bool Programmer::EnterBootLoader()
{
    // Until the boot loader answers the bit-rate adjustment, the user gives up or the tries
    // allowed are used up.
    for (int tries = 1;; ++tries) {
        if (Cancelled()) return false;
        context_.SetStatus(Tr("ProgramUnit", "発生器を再起動しています"));
        RestartIntoBootMode();
        const TimePoint restarted = Now();

        if (Cancelled()) return false;
        context_.PauseUntil(restarted + kAfterBootPulse);

        if (Cancelled()) return false;
        context_.SetStatus(Tr("ProgramUnit", "ビットレート自動調整中"));
        session_.pacedSend = true;
        session_.reportReplyFailure = false;
        session_.DiscardPending();
        if (Exchange(BitRateAdjustment())) break;
        if (context_.BootTries() > 0 && tries >= context_.BootTries()) {
            return Fail(ProgramUnitText(kBootNotAnswered));
        }
    }
    session_.pacedSend = false;
    session_.reportReplyFailure = true;
    Exchange(AdjustmentEnd());
    return true;
}

bool Programmer::PrepareBootLoader()
{
    // Which microcontroller.
    if (Cancelled()) return false;
    context_.SetStatus(Tr("ProgramUnit", "ターゲットMCU確定中"));
    Exchange(DeviceInquiry());
    const DeviceCode code = {session_.Reply()[4], session_.Reply()[5], session_.Reply()[6],
                             session_.Reply()[7]};

    if (Cancelled()) return false;
    Exchange(DeviceSelection(code));

    // Its erase blocks.
    if (Cancelled()) return false;
    Exchange(EraseBlockInquiry());
    eraseGroup_ = EraseGroup{session_.ReplyWord(4), session_.ReplyWord(8),
                             std::min(session_.ReplyWord(12), kMaxEraseBlocks)};

    // The fast line.
    if (Cancelled()) return false;
    Exchange(NewBitRate());
    port_.SetFtdiLine(CFtdiPort::kFastBaudRate);
    Exchange(BitRateConfirmation());
    return true;
}

bool Programmer::EnterProgrammingState()
{
    // Without it nothing below can work.
    if (Cancelled()) return false;
    session_.reportReplyFailure = false;
    if (!Exchange(ProgrammingStateTransition())) return Fail(ProgramUnitText(kTransitionError));
    return true;
}

bool Programmer::EraseProgramMemory()
{
    // From the first erased block on, the unit may hold no program.
    if (Cancelled()) return false;
    context_.SetProgress(10);
    context_.SetStatus(Tr("ProgramUnit", "メモリ消去中"));
    if (!Exchange(ErasureSelection())) return BlockFailed();
    for (std::uint32_t k = 0; k < eraseGroup_.blockCount; ++k) {
        if (Cancelled()) return false;
        MarkErased();
        if (!Exchange(BlockErasure(eraseGroup_.start + k * eraseGroup_.blockSize))) {
            return BlockFailed();
        }
    }
    if (!Exchange(BlockErasure(kEndOfErasure))) return BlockFailed();
    MarkErased();
    return true;
}

bool Programmer::WriteProgram()
{
    // Every block, also those that hold only 0xFF.
    if (Cancelled()) return false;
    context_.SetStatus(Tr("ProgramUnit", "プログラム転送中"));
    if (!Exchange(StatusInquiry()) || !Exchange(ProgrammingSelection())) return BlockFailed();
    for (int i = 0; i < kProgramBlocks; ++i) {
        if (Cancelled()) return false;
        context_.SetProgress(10 + i / 11);
        if (!Exchange(ProgramBlock(
                FirmwareImage::kProgramStart + static_cast<std::uint32_t>(i) * 256, Block(i)))) {
            return BlockFailed();
        }
    }

    if (Cancelled()) return false;
    context_.SetStatus(Tr("ProgramUnit", "プログラム書込中"));
    if (!Exchange(EndOfProgramming())) return BlockFailed();
    return true;
}

bool Programmer::VerifyProgram()
{
    // Every block read back. A block whose reply failed counts as different: the reply buffer
    // then holds an earlier block's bytes, which may well look the same.
    if (Cancelled()) return false;
    context_.SetStatus(Tr("ProgramUnit", "プログラム照合中"));
    for (int i = 0; i < kProgramBlocks; ++i) {
        if (Cancelled()) return false;
        context_.SetProgress(60 + i / 14);
        const bool answered =
            Exchange(ReadBlock(FirmwareImage::kProgramStart + static_cast<std::uint32_t>(i) * 256));
        const auto block = Block(i);
        if (!answered || !std::equal(block.begin(), block.end(),
                                     session_.Reply().begin() + kReadReplyDataOffset)) {
            return Fail(ProgramUnitText(kMemoryReadError));
        }
    }
    return true;
}

void Programmer::RestartIntoNormalMode()
{
    // The unit holds the new firmware now: a cancel no longer stops anything, and one that came
    // too late is dropped.
    context_.Pause(kBeforeNormalRestart);
    if (!port_.IsFtdiOpen()) port_.OpenFtdiDevice();
    port_.SetFtdiBitMode();
    port_.CloseFtdiDevice();
    context_.ClearCancelRequest();
}

}  // namespace

bool ProgramUnit(FirmwareContext& context, const std::filesystem::path& file)
{
    Programmer programmer(context, file);
    return programmer.Run();
}

std::string FirmwareFileRefusal(const FirmwareFileCheck& check)
{
    return ProgramUnitText(kFileError) + "\n" + check.Reason();
}

std::string UpdateQuestion(const std::string& unitVersion, const std::string& fileVersion)
{
    return ProgramUnitText(kAskUpdate) + Tr("ProgramUnit", "\n発生器 ") +
           (unitVersion.empty() ? Tr("ProgramUnit", "不明") : unitVersion) +
           Tr("ProgramUnit", " → ファイル ") + fileVersion;
}

std::string ErasedUnitNote(const std::filesystem::path& backupFile)
{
    std::string note = Tr("ProgramUnit", "発生器のプログラムは消去されています\n");
    if (!backupFile.empty()) {
        note += Tr("ProgramUnit", "補正データの保存先: ") + backupFile.string() + "\n";
    }
    return note + Tr("ProgramUnit", "もう一度更新を実行してください");
}

}  // namespace krv
