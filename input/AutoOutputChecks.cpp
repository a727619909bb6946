#include "input/AutoOutputChecks.h"

#include "input/DialogChecks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace krv {

namespace {

bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view SkipLeadingBlanks(std::string_view text)
{
    while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
    return text;
}

bool IsBlankText(std::string_view text)
{
    return SkipLeadingBlanks(text).empty();
}

// A double within the 32-bit range, truncated toward zero; NaN gives 0.
std::int32_t TruncateToInt32(double value)
{
    if (std::isnan(value)) return 0;
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(value, kLow, kHigh)));
}

const PointRowTexts& RowAt(const std::vector<PointRowTexts>& rows, std::size_t i)
{
    static const PointRowTexts kEmpty;
    return i < rows.size() ? rows[i] : kEmpty;
}

bool RowEndsList(const PointRowTexts& row)
{
    return IsBlankText(row.value) && IsBlankText(row.interval);
}

}  // namespace

std::optional<double> ParseFieldNumber(std::string_view text)
{
    text = SkipLeadingBlanks(text);
    if (text.empty()) return 0.0;
    // from_chars takes a minus sign but no plus sign.
    const bool plus = text.front() == '+';
    if (plus) text.remove_prefix(1);
    const std::string_view body = !plus && text.front() == '-' ? text.substr(1) : text;
    // Only a digit or a decimal point may start the number: this keeps out "inf", "nan" and a
    // second sign.
    if (body.empty() || !(IsAsciiDigit(body.front()) || body.front() == '.')) return std::nullopt;
    double value = 0.0;
    const char* const last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int64_t> ParseRepeatCount(std::string_view text)
{
    text = SkipLeadingBlanks(text);
    if (text.empty()) return 0;
    const bool plus = text.front() == '+';
    if (plus) text.remove_prefix(1);
    const bool negative = !plus && !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsAsciiDigit))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return negative ? std::numeric_limits<std::int64_t>::min()
                        : std::numeric_limits<std::int64_t>::max();
    }
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::string AutoValueText(int decimals, double value)
{
    decimals = std::clamp(decimals, 0, 6);
    // Room for the largest double written out in full.
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return std::string();
    std::string text(buffer, end);
    if (text.size() < 6) text.insert(0, 6 - text.size(), ' ');
    return text;
}

std::string IntervalText(double seconds)
{
    return AutoValueText(2, seconds);
}

std::string StoredIntervalText(std::int32_t hundredths)
{
    return IntervalText(hundredths / 100.0);
}

bool WithinLimits(double value, const RangeLimits& limits)
{
    if (limits.upper > limits.lower) return limits.lower <= value && value <= limits.upper;
    return limits.upper <= value && value <= limits.lower;
}

std::int32_t RampIntervalHundredths(double seconds)
{
    return TruncateToInt32(seconds * 100.0);
}

std::int32_t PointIntervalHundredths(double seconds)
{
    const std::int32_t once = TruncateToInt32(seconds * 100.0);
    return TruncateToInt32(static_cast<double>(once) / 100.0 * 100.0);
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string WithoutLineBreaks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c != '\r' && c != '\n') result.push_back(c);
    }
    return result;
}

std::optional<std::string> ReformatAutoField(AutoField field, int decimals, std::string_view text)
{
    const std::optional<double> value = ParseFieldNumber(text);
    if (!value) return std::nullopt;
    switch (field) {
        case AutoField::Start:
        case AutoField::End:
        case AutoField::Step:
            return AutoValueText(decimals, *value);
        case AutoField::Interval:
            return IntervalText(*value);
        case AutoField::Repeat: {
            const double count = std::trunc(*value);
            if (count < 0.0 || count > std::numeric_limits<std::int32_t>::max()) {
                return std::nullopt;
            }
            return std::to_string(static_cast<std::int32_t>(count));
        }
    }
    return std::nullopt;
}

RampCheckResult CheckRampFields(std::int32_t waveform, const RampFieldTexts& texts,
                                const RangeLimits& limits, std::int32_t storedInterval)
{
    RampCheckResult result;
    const auto fail = [&result](AutoField field, const char* message) {
        result.field = field;
        result.message = message;
        return result;
    };
    const bool arbitrary = waveform == kArbitrary;
    if (!arbitrary) {
        const std::optional<double> start = ParseFieldNumber(texts.start);
        if (!start) return fail(AutoField::Start, kStartNotNumber);
        if (!WithinLimits(*start, limits)) return fail(AutoField::Start, kValueOutOfRange);
        result.start = *start;

        const std::optional<double> end = ParseFieldNumber(texts.end);
        if (!end) return fail(AutoField::End, kEndNotNumber);
        if (!WithinLimits(*end, limits)) return fail(AutoField::End, kValueOutOfRange);
        result.end = *end;

        const std::optional<double> seconds = ParseFieldNumber(texts.interval);
        if (!seconds) return fail(AutoField::Interval, kIntervalNotNumber);
        if (*seconds <= 0.0) return fail(AutoField::Interval, kIntervalNotPositive);
        if (*seconds > kMaxRampIntervalSeconds) return fail(AutoField::Interval, kIntervalTooLong);
        result.interval = texts.interval == StoredIntervalText(storedInterval)
                              ? storedInterval
                              : RampIntervalHundredths(*seconds);
        // A fraction of a hundredth would be stored as no interval at all.
        if (result.interval < 1) return fail(AutoField::Interval, kIntervalNotPositive);
    }

    const std::optional<std::int64_t> repeat = ParseRepeatCount(texts.repeat);
    if (!repeat) return fail(AutoField::Repeat, kRepeatNotNumber);
    if (*repeat < 0 || *repeat > kMaxRepeat) return fail(AutoField::Repeat, kRepeatOutOfRange);
    result.repeat = static_cast<std::int32_t>(*repeat);

    if (!arbitrary) {
        const std::optional<double> step = ParseFieldNumber(texts.step);
        if (!step) return fail(AutoField::Step, kStepNotNumber);
        if (*step == 0.0) return fail(AutoField::Step, kStepZero);
        // The larger end, so that a range running downwards allows steps as well.
        if (std::fabs(*step) > std::max(limits.lower, limits.upper)) {
            return fail(AutoField::Step, kStepOutOfRange);
        }
        result.step = *step;
    }
    return result;
}

RampSettings RampToStore(std::int32_t waveform, const RampCheckResult& accepted,
                         const RampSettings& stored)
{
    RampSettings ramp = stored;
    ramp.waveform = waveform;
    ramp.start = NarrowToFloat(accepted.start);
    ramp.end = NarrowToFloat(accepted.end);
    ramp.step = NarrowToFloat(std::fabs(accepted.step));
    ramp.interval = accepted.interval;
    ramp.repeat = accepted.repeat;
    return ramp;
}

PointListCheckResult CheckPointList(const std::vector<PointRowTexts>& rows,
                                    const RangeLimits& limits)
{
    PointListCheckResult result;
    const auto fail = [&result](std::size_t row, const char* message) {
        result.row = static_cast<int>(row);
        result.message = message;
        return result;
    };
    bool ended = false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(kArbitraryPointCount); ++i) {
        const PointRowTexts& row = RowAt(rows, i);
        if (ended) {
            if (!RowEndsList(row)) return fail(i, kPointMissing);
            continue;
        }
        if (IsBlankText(row.value)) {
            if (!IsBlankText(row.interval)) return fail(i, kPointMissing);
            ended = true;
            continue;
        }
        const std::optional<double> value = ParseFieldNumber(row.value);
        if (!value) return fail(i, kPointNotNumber);
        if (!WithinLimits(*value, limits)) return fail(i, kValueOutOfRange);
        const std::optional<double> seconds = ParseFieldNumber(row.interval);
        if (!seconds) return fail(i, kPointNotNumber);
        // Below one hundredth the interval would be stored as none at all.
        if (!(*seconds > 0.0 && *seconds < kPointIntervalLimitSeconds) ||
            PointIntervalHundredths(*seconds) < 1) {
            return fail(i, kPointIntervalOutOfRange);
        }
        ++result.count;
    }
    return result;
}

void StorePointList(const std::vector<PointRowTexts>& rows,
                    std::array<ArbitraryPoint, kArbitraryPointCount>& points)
{
    bool ended = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PointRowTexts& row = RowAt(rows, i);
        ArbitraryPoint& point = points[i];
        if (RowEndsList(row)) ended = true;
        const bool keepInterval =
            !ended && point.used && row.interval == StoredIntervalText(point.interval);
        point.used = !ended;
        point.value = NarrowToFloat(ParseFieldNumber(row.value).value_or(0.0));
        if (!keepInterval) {
            point.interval = PointIntervalHundredths(ParseFieldNumber(row.interval).value_or(0.0));
        }
        point.pause = row.pause == "1";
    }
}

std::vector<PointRowTexts> PointListTexts(
    const std::array<ArbitraryPoint, kArbitraryPointCount>& points, int decimals)
{
    std::vector<PointRowTexts> rows(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ArbitraryPoint& point = points[i];
        if (!point.used) continue;
        rows[i].value = AutoValueText(decimals, point.value);
        rows[i].interval = StoredIntervalText(point.interval);
        if (point.pause) rows[i].pause = "1";
    }
    return rows;
}

CsvPointImport ReadCsvPoints(CCsvFile& file)
{
    CsvPointImport result;
    while (result.rows.size() < static_cast<std::size_t>(kArbitraryPointCount)) {
        if (!file.ReadRecord()) break;
        PointRowTexts row;
        std::string field;
        if (file.GetField(0, field)) row.value = TrimBlanks(field);
        if (file.GetField(1, field)) row.interval = TrimBlanks(field);
        if (file.GetField(2, field)) row.pause = TrimBlanks(field);
        result.rows.push_back(std::move(row));
    }
    result.stop = result.rows.size() < static_cast<std::size_t>(kArbitraryPointCount)
                      ? file.StopReason()
                      : CCsvFile::Stop::None;
    return result;
}

std::string CsvStopMessage(CCsvFile::Stop stop)
{
    switch (stop) {
        case CCsvFile::Stop::LineTooLong:
            return kCsvLineTooLong;
        case CCsvFile::Stop::ReadError:
            return kCsvReadError;
        default:
            return std::string();
    }
}

}  // namespace krv
