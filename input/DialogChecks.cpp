#include "input/DialogChecks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <system_error>

#include "input/AutoOutputChecks.h"
#include "platform/TextEncoding.h"

namespace krv {

namespace {

constexpr std::string_view kIdeographicSpace = "\u3000";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number in decimal notation: an optional sign, digits with an optional decimal point (at
// least one digit), and, where allowed, an exponent. No hexadecimal, infinity or NaN spellings,
// and the decimal point is always "." whatever the process locale says.
std::optional<double> ParseDecimal(std::string_view text, bool allowExponent)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissaDigits = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (allowExponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    // from_chars takes no "+" sign.
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Characters after the first decimal point.
int DecimalsOf(std::string_view number)
{
    const std::size_t point = number.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

// Length of the text once every character in `removed` is taken out.
int LengthWithout(std::string_view text, std::string_view removed)
{
    int length = 0;
    for (const char c : text) {
        if (removed.find(c) == std::string_view::npos) ++length;
    }
    return length;
}

bool SignificantDigitsFit(std::string_view minimum, int d1, std::string_view maximum, int d2)
{
    // Written with the decimals of the other end, the end with fewer decimals must still fit the
    // field's width: the digits plus the decimal point.
    constexpr int kWidth = kScaleSignificantDigits + 1;
    const bool widthFits = d1 < d2 ? LengthWithout(minimum, "-") - d1 + d2 <= kWidth
                                   : LengthWithout(maximum, "-") - d2 + d1 <= kWidth;
    return widthFits && LengthWithout(minimum, "-.") <= kScaleSignificantDigits &&
           LengthWithout(maximum, "-.") <= kScaleSignificantDigits;
}

}  // namespace

std::string FormatFieldValue(int decimals, double value)
{
    if (decimals < 0 || decimals > 6) return {};
    // Wide enough for the largest double in fixed notation with six decimals.
    char buffer[std::numeric_limits<double>::max_exponent10 + 32];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return {};
    std::string text(buffer, end);
    constexpr std::size_t kWidth = 5;
    if (text.size() < kWidth) text.insert(0, kWidth - text.size(), ' ');
    return text;
}

std::string ChannelLabel(int ch)
{
    static constexpr const char* kLabels[] = {"１", "２", "３", "４"};
    if (ch < 0 || ch >= static_cast<int>(std::size(kLabels))) return {};
    return kLabels[ch];
}

std::optional<RangeEndTexts> ScaleRangeEndTexts(OutputRange range)
{
    switch (range) {
        case kRange0_5V:
            return RangeEndTexts{"0 V", "5 V"};
        case kRange0_10V:
            return RangeEndTexts{"0 V", "10 V"};
        case kRangeM5_5V:
            return RangeEndTexts{"-5 V", "5 V"};
        case kRangeM10_10V:
            return RangeEndTexts{"-10 V", "10 V"};
        case kRange4_20mA:
        case kRangeE4_20mA:
            return RangeEndTexts{"4 mA", "20 mA"};
        case kRange0_20mA:
            return RangeEndTexts{"0 mA", "20 mA"};
        case kRange0_24mA:
        case kRangeE0_24mA:
            return RangeEndTexts{"0 mA", "24 mA"};
        case kRange1_5V:
            return RangeEndTexts{"1 V", "5 V"};
        default:
            return std::nullopt;
    }
}

std::string_view TrimBlanks(std::string_view text)
{
    for (;;) {
        if (!text.empty() && IsBlank(text.front())) {
            text.remove_prefix(1);
        } else if (text.starts_with(kIdeographicSpace)) {
            text.remove_prefix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    for (;;) {
        if (!text.empty() && IsBlank(text.back())) {
            text.remove_suffix(1);
        } else if (text.ends_with(kIdeographicSpace)) {
            text.remove_suffix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    return text;
}

ScaleCheckResult CheckScaleInput(const ScaleInput& input)
{
    ScaleCheckResult result;
    const std::string_view minimumText = TrimBlanks(input.minimumText);
    const std::optional<double> minimum = ParseDecimal(minimumText, /*allowExponent=*/false);
    if (!minimum) {
        result.message = kScaleMinimumError;
        return result;
    }
    const std::string_view maximumText = TrimBlanks(input.maximumText);
    const std::optional<double> maximum = ParseDecimal(maximumText, /*allowExponent=*/false);
    if (!maximum) {
        result.message = kScaleMaximumError;
        return result;
    }
    const int d1 = DecimalsOf(minimumText);
    const int d2 = DecimalsOf(maximumText);
    if (!SignificantDigitsFit(minimumText, d1, maximumText, d2)) {
        result.message = kScaleDigitsError;
        return result;
    }
    // The unit is stored in the settings file's code page; a character it cannot hold would not
    // survive saving, so it counts as too long.
    const int unitBytes = Cp932Length(input.unitText);
    if (unitBytes < 0 || unitBytes > kScaleUnitBytes) {
        result.message = kScaleUnitError;
        return result;
    }
    result.minimum = *minimum + 0.0;  // "-0" is zero
    result.maximum = *maximum + 0.0;
    result.decimals = std::max(d1, d2);
    result.unit = input.unitText;
    return result;
}

PresetCheckResult CheckPresets(const std::array<std::string, kPresetCount>& texts,
                               const RangeLimits& limits)
{
    PresetCheckResult result;
    for (int i = 0; i < kPresetCount; ++i) {
        const std::string_view text = TrimBlanks(texts[static_cast<std::size_t>(i)]);
        const std::optional<double> value =
            text.empty() ? std::optional<double>(0.0) : ParseDecimal(text, /*allowExponent=*/true);
        if (!value) {
            result.message = kPresetNotNumberError;
            result.failedIndex = i;
            return result;
        }
        const bool inside = limits.upper >= limits.lower
                                ? limits.lower <= *value && *value <= limits.upper
                                : limits.upper <= *value && *value <= limits.lower;
        if (!inside) {
            result.message = kPresetOutOfRangeError;
            result.failedIndex = i;
            return result;
        }
        result.values[static_cast<std::size_t>(i)] = CutToDecimals(*value, limits.decimals);
    }
    return result;
}

CorrectionBounds ZeroCorrectionBounds(OutputRange range)
{
    return {ZeroCorrectionLower(range), kCorrectionUpper};
}

CorrectionBounds GainCorrectionBounds()
{
    return {kGainCorrectionLower, kCorrectionUpper};
}

int StepCorrection(int value, int step, const CorrectionBounds& bounds)
{
    if (step > 0) return value < bounds.upper ? value + 1 : value;
    if (step < 0) return value > bounds.lower ? value - 1 : value;
    return value;
}

CorrectionEditResult ReadCorrectionEdit(std::string_view text, const CorrectionBounds& bounds)
{
    if (!HasLineBreak(text)) return {CorrectionEntry::Typing, 0};
    const std::optional<double> number = ParseFieldNumber(WithoutLineBreaks(text));
    if (!number) return {CorrectionEntry::Undo, 0};
    const double held =
        std::clamp(*number, static_cast<double>(bounds.lower), static_cast<double>(bounds.upper));
    return {CorrectionEntry::Store, static_cast<int>(std::trunc(held))};
}

std::vector<std::string> CalibrationChannelList(int count)
{
    std::vector<std::string> list;
    for (int ch = 1; ch <= std::min(count, kChannelCount); ++ch) list.push_back(std::to_string(ch));
    return list;
}

bool CalibrationChanged(const CalibrationValuesSet& opened, const CalibrationValuesSet& working,
                        int count)
{
    for (int ch = 0; ch < std::clamp(count, 0, kChannelCount); ++ch) {
        const CalibrationChannelValues& a = opened[static_cast<std::size_t>(ch)];
        const CalibrationChannelValues& b = working[static_cast<std::size_t>(ch)];
        if (a.mode != b.mode || a.zero != b.zero || a.gain != b.gain) return true;
    }
    return false;
}

std::int32_t StandaloneModeOfRadios(bool fixedChecked, bool autoChecked)
{
    if (fixedChecked) return kStandaloneFixed;
    if (autoChecked) return kStandaloneAuto;
    return kStandaloneOff;
}

}  // namespace krv
