#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "firmware/FirmwareContext.h"

namespace krv {

// Reprograms the unit's microcontroller with a firmware image file over its USB bridge: checks
// the file's version against the unit's (asking before anything is touched), builds the program
// image, restarts the unit into its boot mode, erases, programs and reads back every 256-byte
// block, and restarts the unit normally. Status texts and progress (0 to 100) go through the
// context; so do its messages and questions. A cancel request is honoured before each step; once
// the unit is in boot mode a cancel leaves it there, and the user is asked to restart it.
//
// True only when every block was programmed and read back unchanged. The bridge is closed
// whenever it returns.
bool ProgramUnit(FirmwareContext& context, const std::filesystem::path& file);

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
inline constexpr const char* kCannotOpenFile = "ファイルが開けません";
inline constexpr const char* kFileError = "転送ファイルに誤りがあります ";
inline constexpr const char* kAskUpdate = "更新しますか？";
inline constexpr const char* kAskSameVersion =
    "発生器とプログラムバージョンが同じです\n再更新しますか？";
inline constexpr const char* kTransitionError = "Program/Erase status transition Error";
inline constexpr const char* kMemoryReadError = "Memory read Error";
inline constexpr const char* kCancelledRestart = "キャンセルしました\n発生器を再起動してください";

}  // namespace krv
