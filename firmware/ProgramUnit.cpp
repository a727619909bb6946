#include "firmware/ProgramUnit.h"

#include <algorithm>
#include <span>
#include <string>

#include "firmware/BootProtocol.h"
#include "firmware/FirmwareFile.h"
#include "protocol/Identification.h"

namespace krv {

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
    // Before each step: true when the user asked to stop or the bridge has gone, after the stop
    // has been carried out.
    bool Cancelled();
    bool Fail(const char* message);
    bool FileError();
    // Reads the file's header into `header`; false after telling the user why it cannot be used.
    bool ReadHeader(FirmwareHeader& header);
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
};

bool Programmer::Cancelled()
{
    // A bridge that has gone (unplugged mid-update) ends the update as a stop does: the unit
    // stays in boot mode until it is restarted.
    if (port_.BridgeLost()) {
        Fail(kCancelledRestart);
        return true;
    }
    if (!context_.CancelRequested()) return false;
    context_.ClearCancelRequest();
    port_.CloseFtdiDevice();
    context_.SetStatus(kStatusCancelled);
    context_.Message(kCancelledRestart);
    return true;
}

bool Programmer::Fail(const char* message)
{
    port_.CloseFtdiDevice();
    context_.SetStatus(kStatusCancelled);
    context_.Message(message);
    return false;
}

bool Programmer::FileError()
{
    return Fail(kFileError);
}

bool Programmer::ReadHeader(FirmwareHeader& header)
{
    switch (ReadFirmwareFileHeader(file_, header)) {
        case FirmwareReadResult::Read:
            return true;
        case FirmwareReadResult::CannotOpen:
            context_.Message(kCannotOpenFile);
            return false;
        case FirmwareReadResult::Empty:
        case FirmwareReadResult::Truncated:
            // A file cut off inside its header has no version to check: nothing to program.
            return FileError();
    }
    return FileError();
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
    context_.ClearCancelRequest();

    // 1. The file's header.
    context_.SetProgress(0);
    if (!ReadHeader(header_)) return false;

    // 2. The user's word.
    if (Cancelled()) return false;
    if (!context_.AskOk(kAskUpdate, MessageIcon::Information)) return false;
    context_.SetStatus("更新準備中");

    // 3. The unit's version.
    if (Cancelled()) return false;
    context_.SetProgress(5);
    if (!port_.IsFtdiOpen() && !port_.OpenFtdiDevice()) return false;
    session_.DiscardPending();
    std::string version;
    if (QueryVersion(context_.Link(), LinkKind::Ftdi, version) && version == header_.version &&
        !context_.AskOk(kAskSameVersion, MessageIcon::Information)) {
        context_.SetStatus(kStatusCancelled);
        return false;
    }

    // 4. The file again.
    if (Cancelled()) return false;
    FirmwareHeader again;
    if (!ReadHeader(again)) return false;

    // 5. The program image.
    if (Cancelled()) return false;
    image_.Fill(0xFF);
    FirmwareRecordCounts counts;
    if (ReadFirmwareFile(file_, again, image_, counts) != FirmwareReadResult::Read) {
        context_.Message(kCannotOpenFile);
        return false;
    }

    // 6 to 8, until the boot loader answers the bit-rate adjustment or the user gives up.
    for (;;) {
        if (Cancelled()) return false;
        context_.SetStatus("発生器を再起動しています");
        RestartIntoBootMode();
        const TimePoint restarted = Now();

        if (Cancelled()) return false;
        context_.PauseUntil(restarted + kAfterBootPulse);

        if (Cancelled()) return false;
        context_.SetStatus("ビットレート自動調整中");
        session_.pacedSend = true;
        session_.reportReplyFailure = false;
        session_.DiscardPending();
        if (Exchange(BitRateAdjustment())) break;
    }
    session_.pacedSend = false;
    session_.reportReplyFailure = true;
    Exchange(AdjustmentEnd());

    // 9. Which microcontroller.
    if (Cancelled()) return false;
    context_.SetStatus("ターゲットMCU確定中");
    Exchange(DeviceInquiry());
    const DeviceCode code = {session_.Reply()[4], session_.Reply()[5], session_.Reply()[6],
                             session_.Reply()[7]};

    // 10.
    if (Cancelled()) return false;
    Exchange(DeviceSelection(code));

    // 11. Its erase blocks.
    if (Cancelled()) return false;
    Exchange(EraseBlockInquiry());
    const EraseGroup group{session_.ReplyWord(4), session_.ReplyWord(8),
                           std::min(session_.ReplyWord(12), kMaxEraseBlocks)};

    // 12. The fast line.
    if (Cancelled()) return false;
    Exchange(NewBitRate());
    port_.SetFtdiLine(CFtdiPort::kFastBaudRate);
    Exchange(BitRateConfirmation());

    // 13. Into the programming state: without it nothing below can work.
    if (Cancelled()) return false;
    session_.reportReplyFailure = false;
    if (!Exchange(ProgrammingStateTransition())) return Fail(kTransitionError);
    session_.reportReplyFailure = true;

    // 14. Erase.
    if (Cancelled()) return false;
    context_.SetProgress(10);
    context_.SetStatus("メモリ消去中");
    Exchange(ErasureSelection());
    for (std::uint32_t k = 0; k < group.blockCount; ++k) {
        if (!Exchange(BlockErasure(group.start + k * group.blockSize)) && port_.BridgeLost()) {
            return Fail(kCancelledRestart);
        }
    }
    Exchange(BlockErasure(kEndOfErasure));

    // 15. Program every block, also those that hold only 0xFF.
    if (Cancelled()) return false;
    context_.SetStatus("プログラム転送中");
    Exchange(StatusInquiry());
    Exchange(ProgrammingSelection());
    for (int i = 0; i < kProgramBlocks; ++i) {
        context_.SetProgress(10 + i / 11);
        if (!Exchange(ProgramBlock(
                FirmwareImage::kProgramStart + static_cast<std::uint32_t>(i) * 256, Block(i))) &&
            port_.BridgeLost()) {
            return Fail(kCancelledRestart);
        }
    }

    // 16.
    if (Cancelled()) return false;
    context_.SetStatus("プログラム書込中");
    Exchange(EndOfProgramming());

    // 17. Read every block back. A block whose reply failed counts as different: the reply
    // buffer then holds an earlier block's bytes, which may well look the same.
    if (Cancelled()) return false;
    context_.SetStatus("プログラム照合中");
    for (int i = 0; i < kProgramBlocks; ++i) {
        context_.SetProgress(60 + i / 14);
        const bool answered =
            Exchange(ReadBlock(FirmwareImage::kProgramStart + static_cast<std::uint32_t>(i) * 256));
        const auto block = Block(i);
        if (!answered || !std::equal(block.begin(), block.end(),
                                     session_.Reply().begin() + kReadReplyDataOffset)) {
            return Fail(kMemoryReadError);
        }
    }

    // 18. Back into normal mode.
    if (Cancelled()) return false;
    context_.Pause(kBeforeNormalRestart);
    if (!port_.IsFtdiOpen()) port_.OpenFtdiDevice();
    port_.SetFtdiBitMode();
    port_.CloseFtdiDevice();

    // 19.
    if (Cancelled()) return false;
    context_.SetProgress(100);
    return true;
}

}  // namespace

bool ProgramUnit(FirmwareContext& context, const std::filesystem::path& file)
{
    Programmer programmer(context, file);
    return programmer.Run();
}

}  // namespace krv
