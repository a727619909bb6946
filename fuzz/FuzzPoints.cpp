// Runs the automatic-output dialog's checks and conversions on arbitrary texts: the first byte
// picks the limits, the rest is read as a CSV file whose rows are both point rows and the five
// field texts.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "input/AutoOutputChecks.h"

namespace {

using krv::fuzz::Require;

constexpr krv::RangeLimits kLimits[] = {
    {0.0, 5.0, 3},   {-10.0, 10.0, 3}, {4.0, 20.0, 3},   {0.0, 100.0, 0},
    {100.0, 0.0, 1}, {-5.0, -1.0, 6},  {0.0, 1e300, 2},  {-1e-300, 0.0, 6},
    {0.0, 0.0, 0},   {1.0, 5.0, -3},   {0.0, 24.0, 9},   {-1e308, 1e308, 6},
    {2.5, 2.5, 5},   {0.0, 0.001, 6},  {10.0, -10.0, 4}, {0.0, 1.0, 0},
};

// Leaving a field twice gives what leaving it once gave.
void CheckReformat(krv::AutoField field, int decimals, const std::string& text)
{
    const std::optional<std::string> once = krv::ReformatAutoField(field, decimals, text);
    if (!once) return;
    Require(krv::ParseFieldNumber(*once).has_value(), "a rewritten field is a number");
    Require(krv::ReformatAutoField(field, decimals, *once) == once, "rewriting is stable");
    if (field == krv::AutoField::Repeat) {
        const std::optional<std::int64_t> count = krv::ParseRepeatCount(*once);
        Require(count && *count >= 0, "a rewritten repeat count is a count");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const krv::RangeLimits limits = kLimits[data[0] % std::size(kLimits)];
    const std::int32_t waveform = data[0] / std::size(kLimits) % 4;  // 3: no valid waveform
    krv::CCsvFile file;
    file.OpenBytes(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    const std::vector<krv::PointRowTexts> rows = krv::ReadCsvPoints(file).rows;

    // The rows as point list.
    const krv::PointListCheckResult check = krv::CheckPointList(rows, limits);
    Require(check.Accepted() == (check.row < 0), "a refusal names its row");
    std::array<krv::ArbitraryPoint, krv::kArbitraryPointCount> points{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = {i % 3 != 2, static_cast<float>(i), static_cast<std::int32_t>(i * 37 % 500),
                     i % 2 == 0};
    }
    krv::StorePointList(rows, points);
    if (check.Accepted()) {
        int used = 0;
        for (const krv::ArbitraryPoint& p : points) {
            if (!p.used) break;
            ++used;
            Require(p.interval >= 1 && p.interval < 10000000, "accepted intervals are stored");
            Require(std::isfinite(p.value) ||
                        std::fmax(std::fabs(limits.lower), std::fabs(limits.upper)) > FLT_MAX,
                    "accepted values are finite where a float can hold them");
        }
        Require(used == check.count, "the list ends where the check said");
        for (std::size_t i = static_cast<std::size_t>(used); i < points.size(); ++i) {
            Require(!points[i].used, "nothing used after the end");
        }
        // Shown again and confirmed unchanged, the list keeps its intervals.
        const auto stored = points;
        const std::vector<krv::PointRowTexts> shown = krv::PointListTexts(points, limits.decimals);
        krv::StorePointList(shown, points);
        for (std::size_t i = 0; i < points.size(); ++i) {
            Require(points[i].used == stored[i].used, "used kept");
            if (stored[i].used) Require(points[i].interval == stored[i].interval, "interval kept");
            Require(points[i].pause == (stored[i].used && stored[i].pause), "pause kept");
        }
    }

    // The first rows' texts as the five fields.
    std::vector<std::string> texts;
    for (const krv::PointRowTexts& row : rows) {
        texts.push_back(row.value);
        texts.push_back(row.interval);
        texts.push_back(row.pause);
        if (texts.size() >= 5) break;
    }
    texts.resize(5);
    const krv::AutoField fields[] = {krv::AutoField::Start, krv::AutoField::End,
                                     krv::AutoField::Step, krv::AutoField::Interval,
                                     krv::AutoField::Repeat};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        CheckReformat(fields[i], limits.decimals, texts[i]);
        const std::optional<double> seconds = krv::ParseFieldNumber(texts[i]);
        if (seconds) {
            krv::RampIntervalHundredths(*seconds);
            krv::PointIntervalHundredths(*seconds);
            krv::AutoValueText(limits.decimals, *seconds);
        }
    }
    const std::int32_t storedInterval = static_cast<std::int32_t>(size * 7919 % 200000) - 1000;
    const krv::RampFieldTexts ramp{texts[0], texts[1], texts[2], texts[3], texts[4]};
    const krv::RampCheckResult result =
        krv::CheckRampFields(waveform, ramp, limits, storedInterval);
    if (result.Accepted()) {
        Require(result.interval >= 1 && result.interval <= 999900, "ramp interval in range");
        Require(result.repeat >= 0 && result.repeat <= krv::kMaxRepeat, "repeat in range");
        if (waveform != krv::kArbitrary) {
            Require(result.step != 0.0, "a step moves");
            Require(krv::WithinLimits(result.start, limits), "start within limits");
            Require(krv::WithinLimits(result.end, limits), "end within limits");
        }
        const krv::RampSettings stored = krv::RampToStore(waveform, result, krv::RampSettings{});
        Require(!(stored.step < 0.0f), "stored steps are sizes");
    }
    return 0;
}
