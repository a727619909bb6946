#include "sim/FaultPlan.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "protocol/CommandFrame.h"

namespace krv::sim {

namespace {

struct KindName {
    std::string_view name;
    FaultKind kind;
};

constexpr std::array<KindName, 6> kKinds = {{
    {"drop", FaultKind::Drop},
    {"corrupt", FaultKind::Corrupt},
    {"noise", FaultKind::Noise},
    {"delay", FaultKind::Delay},
    {"silent", FaultKind::Silent},
    {"longline", FaultKind::LongLine},
}};

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

template <typename T>
bool ParseWhole(std::string_view text, T& value)
{
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool Fail(std::string* error, std::string_view item, std::string_view reason)
{
    if (error != nullptr) {
        *error = "fault \"" + std::string(item) + "\": " + std::string(reason);
    }
    return false;
}

bool ParseItem(std::string_view item, FaultItem& out, std::string* error)
{
    std::size_t pos = 0;
    while (pos < item.size() && item[pos] >= 'a' && item[pos] <= 'z') ++pos;
    const std::string_view name = item.substr(0, pos);
    const KindName* kind = nullptr;
    for (const KindName& k : kKinds) {
        if (k.name == name) kind = &k;
    }
    if (kind == nullptr) {
        return Fail(error, item,
                    "unknown fault (known: drop, corrupt, noise, delay, silent, longline; "
                    "form NAME[:COUNT][@PROB][=VALUE])");
    }
    out = FaultItem{};
    out.kind = kind->kind;
    bool haveValue = false;
    while (pos < item.size()) {
        const char marker = item[pos];
        const std::size_t next = item.find_first_of(":@=", pos + 1);
        const std::string_view token =
            item.substr(pos + 1, (next == std::string_view::npos ? item.size() : next) - pos - 1);
        pos = next == std::string_view::npos ? item.size() : next;
        if (marker == ':') {
            if (out.remaining) return Fail(error, item, "COUNT given twice");
            std::uint32_t count = 0;
            if (!ParseWhole(token, count) || count == 0) {
                return Fail(error, item, "COUNT must be a whole number from 1 to 4294967295");
            }
            out.remaining = count;
        } else if (marker == '@') {
            if (out.probability) return Fail(error, item, "PROB given twice");
            double p = 0;
            if (!ParseWhole(token, p) || !std::isfinite(p) || p < 0.0 || p > 1.0) {
                return Fail(error, item, "PROB must be a number from 0 to 1");
            }
            out.probability = p;
        } else if (marker == '=') {
            if (haveValue) return Fail(error, item, "VALUE given twice");
            if (out.kind != FaultKind::Delay) {
                return Fail(error, item, std::string(kind->name) + " takes no value");
            }
            std::int64_t ms = 0;
            if (!ParseWhole(token, ms) || ms < 0 || ms > FaultPlan::kMaxDelayMs) {
                return Fail(error, item,
                            "the delay must be a whole number of milliseconds from 0 to " +
                                std::to_string(FaultPlan::kMaxDelayMs));
            }
            out.delay = std::chrono::milliseconds(ms);
            haveValue = true;
        } else {
            return Fail(error, item, "expected :COUNT, @PROB or =VALUE after the name");
        }
    }
    if (out.kind == FaultKind::Delay && !haveValue) {
        return Fail(error, item, "delay needs a value in milliseconds (delay=MS)");
    }
    return true;
}

// Printable filler for the over-long line: no STX, CR or LF, so it can only merge into the
// next line.
std::string LongLineJunk()
{
    std::string junk;
    junk.reserve(FaultPlan::kLongLineLength);
    for (std::size_t i = 0; i < FaultPlan::kLongLineLength; ++i) {
        junk.push_back(static_cast<char>('!' + i % ('~' - '!' + 1)));
    }
    return junk;
}

}  // namespace

std::optional<FaultPlan> FaultPlan::Parse(std::string_view list, std::string* error)
{
    FaultPlan plan;
    if (Trim(list).empty()) return plan;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view raw = list.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        const std::string_view item = Trim(raw);
        if (item.empty()) {
            if (error != nullptr) *error = "empty item in fault list \"" + std::string(list) + "\"";
            return std::nullopt;
        }
        FaultItem parsed;
        if (!ParseItem(item, parsed, error)) return std::nullopt;
        plan.items_.push_back(parsed);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return plan;
}

bool FaultPlan::Applies(FaultItem& item, std::mt19937_64& random)
{
    if (item.remaining && *item.remaining == 0) return false;
    if (item.probability) {
        // 53 random bits give a uniform double in [0, 1) the same way on every platform.
        const double draw = static_cast<double>(random() >> 11) * 0x1.0p-53;
        if (!(draw < *item.probability)) return false;
    }
    if (item.remaining) --*item.remaining;
    return true;
}

bool FaultPlan::SilencesEverything() const
{
    for (const FaultItem& item : items_) {
        if (item.kind == FaultKind::Silent && !item.remaining && !item.probability) return true;
    }
    return false;
}

FaultedReply FaultPlan::Apply(std::string reply, std::mt19937_64& random)
{
    FaultedReply out;
    for (FaultItem& item : items_) {
        if (item.kind == FaultKind::Silent && Applies(item, random)) return out;
    }
    bool drop = false;
    bool corrupt = false;
    int noise = 0;
    int longLines = 0;
    for (FaultItem& item : items_) {
        if (item.kind == FaultKind::Silent || !Applies(item, random)) continue;
        switch (item.kind) {
            case FaultKind::Drop:
                drop = true;
                break;
            case FaultKind::Corrupt:
                corrupt = true;
                break;
            case FaultKind::Noise:
                ++noise;
                break;
            case FaultKind::Delay:
                out.delay += item.delay;
                break;
            case FaultKind::LongLine:
                ++longLines;
                break;
            case FaultKind::Silent:
                break;
        }
    }
    for (int i = 0; i < noise; ++i) out.chunks.emplace_back(kNoiseLine);
    // The junk goes last before the reply, so that it runs into the reply's line.
    for (int i = 0; i < longLines; ++i) out.chunks.push_back(LongLineJunk());
    if (!drop) out.chunks.push_back(corrupt ? Corrupted(std::move(reply)) : std::move(reply));
    return out;
}

std::string FaultPlan::Corrupted(std::string reply)
{
    if (reply.empty()) return reply;
    if (reply[0] == kStx) {
        const std::size_t etx = reply.find(kEtx, 1);
        const bool hasChecksum = etx != std::string::npos && reply.size() == etx + 5 &&
                                 reply.compare(etx + 3, 2, "\r\n") == 0;
        if (hasChecksum) {
            reply[etx + 1] = reply[etx + 1] == '0' ? '1' : '0';
        } else if (reply.size() > 1) {
            reply[1] = reply[1] == 'X' ? 'Y' : 'X';
        }
        return reply;
    }
    reply[0] = reply[0] == 'X' ? 'Y' : 'X';
    return reply;
}

}  // namespace krv::sim
