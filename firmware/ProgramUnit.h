#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "firmware/FirmwareContext.h"
#include "firmware/FirmwareFile.h"
#include "platform/Translate.h"

namespace krv {

// Reprograms the unit's microcontroller with a firmware image file over its USB bridge: checks
// the file's version against the unit's (asking before anything is touched), builds the program
// image, restarts the unit into its boot mode, erases, programs and reads back every 256-byte
// block, and restarts the unit normally. Status texts and progress (0 to 100) go through the
// context; so do its messages and questions. A cancel request is honoured before each step; once
// the unit is in boot mode a cancel leaves it there, and the user is asked to restart it.
//
// The file is checked whole first (CheckFirmwareFile): one that is not a whole image is refused
// before the unit is asked anything. The erasure, programming and read-back stop at the first
// block the unit does not acknowledge, with one message, and honour a cancel between blocks; once
// the read-back has passed, a cancel no longer stops the run. From the erasure on, every failure
// says the unit must be updated again (with the context's erased note) and the context is marked.
// A unit that never answers the bit-rate adjustment is restarted until the user cancels, or the
// context's BootTries() times.
//
// True only when every block was programmed and read back unchanged. The bridge is closed
// whenever it returns.
bool ProgramUnit(FirmwareContext& context, const std::filesystem::path& file);

// "転送ファイルに誤りがあります " and, on a second line, why the file cannot be programmed.
std::string FirmwareFileRefusal(const FirmwareFileCheck& check);
// The question before anything is sent to the unit: "更新しますか？", then the unit's and the
// file's versions (the unit's empty: it did not say).
std::string UpdateQuestion(const std::string& unitVersion, const std::string& fileVersion);
// The note a failure from the erasure on ends with; `backupFile` empty: without its line.
std::string ErasedUnitNote(const std::filesystem::path& backupFile);

// Waits of the programming run.
inline constexpr std::chrono::milliseconds kBootPulseStep{200};
inline constexpr std::chrono::milliseconds kAfterBootPulse{50};
inline constexpr std::chrono::milliseconds kBeforeNormalRestart{100};
// Blocks programmed and read back: the 128 KiB window in 256-byte blocks.
inline constexpr int kProgramBlocks = 512;
// Erase blocks taken from the unit's erase-block reply at most: a garbled reply must not keep
// the run erasing for hours.
inline constexpr std::uint32_t kMaxEraseBlocks = 256;

// Messages.
inline constexpr const char* kCannotOpenFile =
    KRV_TRANSLATE_NOOP("ProgramUnit", "ファイルが開けません");
inline constexpr const char* kFileError =
    KRV_TRANSLATE_NOOP("ProgramUnit", "転送ファイルに誤りがあります ");
inline constexpr const char* kAskUpdate = KRV_TRANSLATE_NOOP("ProgramUnit", "更新しますか？");
inline constexpr const char* kAskSameVersion =
    KRV_TRANSLATE_NOOP("ProgramUnit", "発生器とプログラムバージョンが同じです\n再更新しますか？");
// The programming steps' own words, the same in every language.
inline constexpr const char* kTransitionError =
    KRV_TRANSLATE_NOOP("ProgramUnit", "Program/Erase status transition Error");
inline constexpr const char* kMemoryReadError =
    KRV_TRANSLATE_NOOP("ProgramUnit", "Memory read Error");
inline constexpr const char* kCancelledRestart =
    KRV_TRANSLATE_NOOP("ProgramUnit", "キャンセルしました\n発生器を再起動してください");
// A boot loader that never answered the bit-rate adjustment, after BootTries() restarts.
inline constexpr const char* kBootNotAnswered = KRV_TRANSLATE_NOOP(
    "ProgramUnit", "発生器がブートモードで応答しません\n発生器を再起動してください");

}  // namespace krv
