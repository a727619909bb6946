#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ChannelSettings.h"
#include "platform/CCsvFile.h"
#include "platform/Translate.h"
#include "protocol/Ranges.h"

// What the automatic-output dialog decides, as plain functions: the dialog only moves texts
// between its fields, its point list and these, so every rule can be tested without a window.
namespace krv {

// The dialog's messages (shown under kCaptionNotice with the information icon), in Japanese:
// the dialog shows them through TrMarked("AutoOutputChecks", …).
inline constexpr const char* kStartNotNumber =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "開始値が数値以外です");
inline constexpr const char* kEndNotNumber =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "終了値・折返値が数値以外です");
inline constexpr const char* kValueOutOfRange =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "範囲外データがあります");
inline constexpr const char* kIntervalNotNumber =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "更新間隔が数値以外です");
inline constexpr const char* kIntervalNotPositive =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "更新間隔は０より大きい必要があります");
inline constexpr const char* kIntervalTooLong =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "更新間隔は9999秒以下です");
inline constexpr const char* kRepeatNotNumber =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "繰返しが数値以外です");
inline constexpr const char* kRepeatOutOfRange =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "繰返しは0～1000000回です");
inline constexpr const char* kStepNotNumber =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "変化量が数値以外です");
inline constexpr const char* kStepZero =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "変化量は０以外です");
inline constexpr const char* kStepOutOfRange =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "変化量が範囲外です");
inline constexpr const char* kPointMissing =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "未入力データがあります");
inline constexpr const char* kPointNotNumber =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "数値以外のデータがあります");
inline constexpr const char* kPointIntervalOutOfRange =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "値範囲を超えています");
inline constexpr const char* kCsvOpenError =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "ファイルが開けません");
inline constexpr const char* kCsvLineTooLong =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "長すぎる行があります");
inline constexpr const char* kCsvReadError =
    KRV_TRANSLATE_NOOP("AutoOutputChecks", "ファイルの読込みに失敗しました");

inline constexpr double kMaxRampIntervalSeconds = 9999.0;       // accepted
inline constexpr double kPointIntervalLimitSeconds = 100000.0;  // no longer accepted
inline constexpr std::int32_t kMaxRepeat = 1000000;
// The interval stored for the arbitrary waveform, whose points carry their own: 1 s.
inline constexpr std::int32_t kArbitraryRampInterval = 100;

// --- Numbers and texts ------------------------------------------------------------------------

// A number as typed into a field or cell: leading blanks allowed, an empty (or blank) text reads
// as 0, anything after the number makes it no number. Plain decimal notation with an optional
// exponent; no hexadecimal, infinity or NaN spellings. Independent of the C locale.
std::optional<double> ParseFieldNumber(std::string_view text);

// A repeat count: a decimal integer with leading blanks allowed; empty reads as 0. nullopt when
// anything follows the digits. Counts beyond the 64-bit range come out as that range's ends.
std::optional<std::int64_t> ParseRepeatCount(std::string_view text);

// "%6.0f" … "%6.6f" for 0 … 6 decimals, always with "." as the decimal point; decimals outside
// 0 to 6 are taken as the nearest of the two.
std::string AutoValueText(int decimals, double value);
// An interval in seconds as the dialog shows it: "%6.2f".
std::string IntervalText(double seconds);
// A stored interval (hundredths of a second) as the dialog shows it.
std::string StoredIntervalText(std::int32_t hundredths);

// lower ≤ v ≤ upper; for a reversed (scaled) range, upper ≤ v ≤ lower.
bool WithinLimits(double value, const RangeLimits& limits);

// Seconds typed for a sawtooth or triangle to hundredths: × 100, truncated toward zero in double
// precision (0.29 s gives 28, 1.14 s gives 113).
std::int32_t RampIntervalHundredths(double seconds);
// Seconds typed for a point to hundredths: × 100 truncated, then ÷ 100 × 100 truncated again,
// all in double precision (0.58 s gives 56, 1.14 s gives 112). Kept so, because lists typed here
// must come out as the Windows version of the panel stores them.
std::int32_t PointIntervalHundredths(double seconds);

// --- The five fields -------------------------------------------------------------------------

enum class AutoField { Start, End, Step, Interval, Repeat };

// True when the text holds a carriage return or line feed (the user pressed Enter in a field).
bool HasLineBreak(std::string_view text);
std::string WithoutLineBreaks(std::string_view text);

// The text a field shows after the user leaves it: start, end and step in the range's number
// format, the interval as "%6.2f", the repeat count as "%d". nullopt when the text is no number
// (or a negative or oversized repeat count): the field goes back to its text before the edit.
std::optional<std::string> ReformatAutoField(AutoField field, int decimals, std::string_view text);

// --- Confirmation ----------------------------------------------------------------------------

struct RampFieldTexts {
    std::string start;
    std::string end;
    std::string step;
    std::string interval;
    std::string repeat;
};

// Accepted when `message` is empty; otherwise `field` names the field to correct.
struct RampCheckResult {
    std::string message;
    AutoField field = AutoField::Start;
    double start = 0.0;
    double end = 0.0;
    double step = 0.0;
    std::int32_t interval = kArbitraryRampInterval;
    std::int32_t repeat = 0;

    bool Accepted() const { return message.empty(); }
};

// The fields' checks in their order: for a sawtooth or triangle start, end, interval, repeat
// count, step; for the arbitrary waveform only the repeat count (start, end and step are 0, the
// interval 1 s). An interval field that still shows `storedInterval` keeps it exactly, so that
// confirming without a change never alters what was stored.
RampCheckResult CheckRampFields(std::int32_t waveform, const RampFieldTexts& texts,
                                const RangeLimits& limits, std::int32_t storedInterval);

// The ramp settings that an accepted check stores: `stored` with waveform, start, end, step,
// interval and repeat count replaced. The step is stored as its size: the waveforms move towards
// the end value by it, and a negative one would run away from the end and out of the range.
RampSettings RampToStore(std::int32_t waveform, const RampCheckResult& accepted,
                         const RampSettings& stored);

// --- The point list --------------------------------------------------------------------------

// The texts of one row of the point list: value, interval in seconds, pause mark.
struct PointRowTexts {
    std::string value;
    std::string interval;
    std::string pause;
};

// Accepted when `message` is empty; otherwise `row` (from 0) is the row to correct. `count` is
// the number of points before the end of the list.
struct PointListCheckResult {
    std::string message;
    int row = -1;
    int count = 0;

    bool Accepted() const { return message.empty(); }
};

// Rows in order (missing rows count as empty): the list ends at the first row whose value and
// interval are both empty, and nothing may follow it; each point needs a number within the
// limits and an interval above 0 (at least one hundredth once stored) and below 100000 s.
PointListCheckResult CheckPointList(const std::vector<PointRowTexts>& rows,
                                    const RangeLimits& limits);

// Stores the rows of an accepted list into all 1000 points: `used` for the rows before the end
// of the list, the value as a float, the interval in hundredths, `pause` for a pause mark "1" (on
// any row). A row whose interval cell still shows the interval its point had keeps it exactly.
void StorePointList(const std::vector<PointRowTexts>& rows,
                    std::array<ArbitraryPoint, kArbitraryPointCount>& points);

// The rows the dialog shows for `points`: each used point's value in the range's number format,
// its interval in seconds and "1" for a pause; unused points give empty rows.
std::vector<PointRowTexts> PointListTexts(
    const std::array<ArbitraryPoint, kArbitraryPointCount>& points, int decimals);

// --- CSV import ------------------------------------------------------------------------------

struct CsvPointImport {
    std::vector<PointRowTexts> rows;  // at most kArbitraryPointCount
    CCsvFile::Stop stop = CCsvFile::Stop::None;
};

// Reads the open file's lines into rows: field 1 the value, field 2 the interval, field 3 the
// pause mark, each with white space trimmed; further fields are ignored. Reading ends at the
// first empty line, at the end of the file, or once the list is full: lines after the 1000th
// could change nothing, and a huge file is not read to its end.
CsvPointImport ReadCsvPoints(CCsvFile& file);

// The message for a CSV reading that ended early, or empty when it ended as a file may end.
std::string CsvStopMessage(CCsvFile::Stop stop);

}  // namespace krv
