#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/CalibrationValues.h"
#include "model/ChannelSettings.h"
#include "platform/Translate.h"
#include "protocol/Ranges.h"

// What the dialogs decide, as plain functions: the dialogs only move texts and choices between
// their controls and these, so every rule can be tested without a window.
namespace krv {

// The messages these dialogs show (under kCaptionNotice, with the information icon), in Japanese:
// the dialogs show them through TrMarked("DialogChecks", …) and may tell them apart by value.
inline constexpr const char* kScaleMinimumError =
    KRV_TRANSLATE_NOOP("DialogChecks", "最小値に誤りがあります");
inline constexpr const char* kScaleMaximumError =
    KRV_TRANSLATE_NOOP("DialogChecks", "最大値に誤りがあります");
inline constexpr const char* kScaleDigitsError =
    KRV_TRANSLATE_NOOP("DialogChecks", "有効桁数を超えています");
inline constexpr const char* kScaleUnitError =
    KRV_TRANSLATE_NOOP("DialogChecks", "単位が桁数を超えています");
inline constexpr const char* kPresetNotNumberError =
    KRV_TRANSLATE_NOOP("DialogChecks", "入力データに誤りがあります");
inline constexpr const char* kPresetOutOfRangeError =
    KRV_TRANSLATE_NOOP("DialogChecks", "範囲外データがあります");

inline constexpr int kPresetCount = kPresetsPerRange;
// Significant digits a converted value may have, and bytes its unit text may take.
inline constexpr int kScaleSignificantDigits = 5;
inline constexpr int kScaleUnitBytes = 3;

// --- Texts shown in the fields ---------------------------------------------------------------

// The value as "%5.0f" … "%5.6f" for 0 … 6 decimals (at least five characters, right-aligned,
// always with "." as the decimal point); empty for any other number of decimals.
std::string FormatFieldValue(int decimals, double value);

// The channel as the dialogs name it: "１" … "４" for channels 0 … 3, empty for any other.
std::string ChannelLabel(int ch);

// The physical ends of a range as the conversion formula dialog labels them ("4 mA", "20 mA");
// nullopt for codes that are no output range.
struct RangeEndTexts {
    std::string lower;
    std::string upper;
};
std::optional<RangeEndTexts> ScaleRangeEndTexts(OutputRange range);

// Leading and trailing white space (blanks, tabs, line breaks, ideographic spaces) removed.
std::string_view TrimBlanks(std::string_view text);

// --- Conversion formula ----------------------------------------------------------------------

struct ScaleInput {
    std::string minimumText;
    std::string maximumText;
    std::string unitText;
};

// Accepted when `message` is empty; then minimum, maximum, decimals and unit are the new formula.
struct ScaleCheckResult {
    std::string message;
    double minimum = 0.0;
    double maximum = 0.0;
    int decimals = 0;
    std::string unit;

    bool Accepted() const { return message.empty(); }
};

// Checks, in order: the minimum and the maximum are numbers written in plain decimal notation;
// neither has more than five significant digits, also when written with the other's decimals;
// the unit takes at most three bytes in the settings file's code page. The decimals of the
// formula are the larger of the two numbers' decimals. A minimum above the maximum is a
// reversed scale and accepted.
ScaleCheckResult CheckScaleInput(const ScaleInput& input);

// --- Presets ---------------------------------------------------------------------------------

// Accepted when `message` is empty; then `values` are the eight presets cut to the decimals.
// Otherwise `failedIndex` (0 … 7) names the first field that failed.
struct PresetCheckResult {
    std::string message;
    int failedIndex = -1;
    std::array<double, kPresetCount> values{};

    bool Accepted() const { return message.empty(); }
};

// Reads the eight preset texts in order: each must be a number (an empty field is 0) within the
// limits (either order of lower and upper), and is then cut toward zero to the limits' decimals.
// The first failure ends the check.
PresetCheckResult CheckPresets(const std::array<std::string, kPresetCount>& texts,
                               const RangeLimits& limits);

// --- Calibration ------------------------------------------------------------------------------

inline constexpr const char* kResetUserCalibrationQuestion =
    KRV_TRANSLATE_NOOP("DialogChecks", "全ユーザー調整値を初期化しますか？");
inline constexpr const char* kCalibrationChangedQuestion =
    KRV_TRANSLATE_NOOP("DialogChecks", "調整値が変更されています。保存しますか？");

// The bounds a correction is kept within: zero from the range's own lower bound (0, or -200 for
// the live-zero ranges and codes without a range) to 200, gain from -200 to 200.
struct CorrectionBounds {
    int lower = 0;
    int upper = 0;
};
CorrectionBounds ZeroCorrectionBounds(OutputRange range);
CorrectionBounds GainCorrectionBounds();

// One press of a "▲" (+1) or "▼" (-1) button: one step within the bounds. A value already
// beyond a bound (as the unit may report one) is left as it is rather than pulled the other way.
int StepCorrection(int value, int step, const CorrectionBounds& bounds);

// What a change of a correction edit's text means. Without a line break the user is still typing.
// Enter puts one into the text: the text without line breaks is then read as a decimal number (an
// empty text reads as 0); text left after the number undoes the entry; a number is held within
// the bounds and cut toward zero.
enum class CorrectionEntry { Typing, Undo, Store };
struct CorrectionEditResult {
    CorrectionEntry entry = CorrectionEntry::Typing;
    int value = 0;  // the correction to store (Store only)
};
CorrectionEditResult ReadCorrectionEdit(std::string_view text, const CorrectionBounds& bounds);

// The channel list of the calibration dialog: "1" to the channel count.
std::vector<std::string> CalibrationChannelList(int count);

// Whether any of the first `count` channels' selector or corrections differ from what the dialog
// opened with (the question before a cancel).
bool CalibrationChanged(const CalibrationValuesSet& opened, const CalibrationValuesSet& working,
                        int count);

// --- Standalone setup ------------------------------------------------------------------------

// The standalone mode a channel's radio buttons choose: fixed value when its "固定値出力" is
// checked, else automatic output when its "自動出力" is, else disabled.
std::int32_t StandaloneModeOfRadios(bool fixedChecked, bool autoChecked);

}  // namespace krv
