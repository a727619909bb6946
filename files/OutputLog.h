#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "model/ChannelSettings.h"
#include "model/OutputObserver.h"
#include "platform/Translate.h"
#include "platform/UniqueFd.h"
#include "platform/UserInterface.h"

namespace krv {

class GeneratorState;

// The output log: a CSV file (UTF-8, one header line, rows ending in LF) with one row whenever
// what a channel was told or what it reported changes. A row is the channel as the program knows
// it at that moment:
//
// clang-format off
//   time             local time, ISO 8601 with milliseconds and offset (2024-05-01T14:03:07.250+09:00)
//   channel          1 to 4
//   range            the range key (4_20mA, -10_10V, ...)
//   value            the output in range units, from the output code, with the range's decimals
//   converted_value  the output in converted units while the conversion formula is on, else empty
//   converted_unit   the unit text of the formula while it is on, else empty
//   output           on or off
//   alarm            the unit's alarm text, empty when it reports none
//   standalone_mode  what the unit runs on its own: off, fixed or auto
//   run_state        the automatic output: stopped, running or paused
//   event            what made the row: sent (an output frame went to the unit), status (a status
//                    reply came back), run (the PC started, paused or stopped the automatic
//                    output) or start (the log began: the channel as it stood)
// clang-format on
//
// Rows are written one write() at a time as they happen, so a crash loses at most the row being
// written; a status reply that changes nothing writes nothing.
//
// An existing file is never cut short: a file that already holds an output log (its first line is
// the header) is continued, an empty file gets the header, and any other file is left alone and
// refused. The same rule holds for the panel and for krvctl.
inline constexpr const char* kOutputLogHeader =
    "time,channel,range,value,converted_value,converted_unit,output,alarm,standalone_mode,"
    "run_state,event";

// Caption and texts of the log's messages.
inline constexpr const char* kOutputLogCaption = "警告";
inline constexpr const char* kOutputLogCannotCreate =
    KRV_TRANSLATE_NOOP("OutputLog", "出力記録ファイルを作成できません。");
inline constexpr const char* kOutputLogNotALog =
    KRV_TRANSLATE_NOOP("OutputLog", "出力記録ファイルではないファイルには書き込みません。");
inline constexpr const char* kOutputLogInUse =
    KRV_TRANSLATE_NOOP("OutputLog", "出力記録ファイルは他のプログラムが書込み中です。");
inline constexpr const char* kOutputLogWriteFailed =
    KRV_TRANSLATE_NOOP("OutputLog", "出力記録ファイルに書き込めないため、記録を停止しました。");

// One row, as texts ready for the file.
struct OutputLogRow {
    std::string time;
    int channel = 1;
    std::string range;
    std::string value;
    std::string convertedValue;
    std::string convertedUnit;
    bool on = false;
    std::string alarm;
    std::string standaloneMode;
    std::string runState;
    std::string event;
};

// Channel `ch` (0 to 3) of `state` as a row, without time and event.
OutputLogRow DescribeChannel(const GeneratorState& state, int ch);
// The row as one CSV line, LF included; fields with a comma, a quote or a line break are quoted.
std::string FormatLogRow(const OutputLogRow& row);
// `moment` in local time, e.g. 2024-05-01T14:03:07.250+09:00.
std::string FormatLogTime(std::chrono::system_clock::time_point moment);
// "sent", "status", "run".
const char* OutputEventName(OutputEvent event);

class OutputLog : public OutputObserver {
  public:
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    // Messages about files that cannot be written go to `ui`. `clock` gives the time stamps (the
    // system clock unless a test hands in its own).
    explicit OutputLog(UserInterface& ui, WallClock clock = {});
    ~OutputLog() override;
    OutputLog(const OutputLog&) = delete;
    OutputLog& operator=(const OutputLog&) = delete;

    // Starts logging into `path` by the rule above. False, with the reason shown, when the file
    // cannot be opened, is no output log, or is being written by another program. A log that was
    // running is stopped first.
    bool Start(const std::filesystem::path& path);
    // Stops logging; the file keeps every row written.
    void Stop();
    bool Active() const { return fd_.Valid(); }
    const std::filesystem::path& Path() const { return path_; }
    // Rows written since the last Start.
    std::uint64_t RowsWritten() const { return rows_; }

    // Writes the row of channel `ch` if it differs from the last one written for it.
    void Record(const GeneratorState& state, int ch, OutputEvent event);
    // Writes a row for every channel of the unit as it stands, with the event "start": a log
    // begun on a running unit can be read on its own, the rows after it are the changes.
    void RecordAll(const GeneratorState& state);
    void OutputChanged(const GeneratorState& state, int ch, OutputEvent event) override
    {
        Record(state, ch, event);
    }

    // Called after a write error has stopped the log (its message has been shown).
    std::function<void()> onStopped;

  private:
    void Record(const GeneratorState& state, int ch, const char* event, bool always);
    bool Write(const std::string& bytes);
    void Fail(const char* text, int error);

    UserInterface& ui_;
    WallClock clock_;
    std::filesystem::path path_;
    UniqueFd fd_;
    bool regular_ = false;   // a regular file (not a device or a pipe)
    std::int64_t size_ = 0;  // of a regular file, as far as this log wrote it
    std::uint64_t rows_ = 0;
    // The last row written per channel, without time and event.
    std::array<std::optional<std::string>, kChannelCount> last_;
};

}  // namespace krv
