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

constexpr std::array<KindName, 7> kKinds = {{
    {"drop", FaultKind::Drop},
    {"corrupt", FaultKind::Corrupt},
    {"forge", FaultKind::Forge},
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

bool RefuseFault(std::string* error, std::string_view item, std::string_view reason)
{
    if (error != nullptr) {
        *error = "fault \"" + std::string(item) + "\": " + std::string(reason);
    }
    return false;
}

// POS[/HH]: a decimal byte position or "*", and optionally the new byte in hexadecimal.
bool ParseByteChange(std::string_view text, ByteChange& change)
{
    const std::size_t slash = text.find('/');
    const std::string_view position = text.substr(0, slash);
    if (position == "*") {
        change.position = ByteChange::kRandom;
    } else {
        std::uint32_t pos = 0;
        if (!ParseWhole(position, pos)) return false;
        change.position = pos;
    }
    if (slash == std::string_view::npos) return true;
    const std::string_view hex = text.substr(slash + 1);
    unsigned value = 0;
    if (hex.size() != 2) return false;
    const auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (ec != std::errc() || ptr != hex.data() + hex.size()) return false;
    change.value = static_cast<std::uint8_t>(value);
    return true;
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
        return RefuseFault(
            error, item,
            "unknown fault (known: drop, corrupt, forge, noise, delay, silent, longline; "
            "form NAME[:COUNT][@PROB][=VALUE][#LETTERS])");
    }
    out = FaultItem{};
    out.kind = kind->kind;
    bool haveValue = false;
    while (pos < item.size()) {
        const char marker = item[pos];
        const std::size_t next = item.find_first_of(":@=#", pos + 1);
        const std::string_view token =
            item.substr(pos + 1, (next == std::string_view::npos ? item.size() : next) - pos - 1);
        pos = next == std::string_view::npos ? item.size() : next;
        if (marker == ':') {
            if (out.remaining) return RefuseFault(error, item, "COUNT given twice");
            std::uint32_t count = 0;
            if (!ParseWhole(token, count) || count == 0) {
                return RefuseFault(error, item,
                                   "COUNT must be a whole number from 1 to 4294967295");
            }
            out.remaining = count;
        } else if (marker == '@') {
            if (out.probability) return RefuseFault(error, item, "PROB given twice");
            double p = 0;
            if (!ParseWhole(token, p) || !std::isfinite(p) || p < 0.0 || p > 1.0) {
                return RefuseFault(error, item, "PROB must be a number from 0 to 1");
            }
            out.probability = p;
        } else if (marker == '=') {
            if (haveValue) return RefuseFault(error, item, "VALUE given twice");
            if (out.kind == FaultKind::Corrupt || out.kind == FaultKind::Forge) {
                ByteChange change;
                if (!ParseByteChange(token, change)) {
                    return RefuseFault(
                        error, item,
                        "the value is a byte position from 0 (or * for a random one), "
                        "optionally followed by / and the new byte as two hexadecimal "
                        "digits, e.g. corrupt=5 or forge=2/37");
                }
                out.change = change;
                haveValue = true;
                continue;
            }
            if (out.kind != FaultKind::Delay) {
                return RefuseFault(error, item, std::string(kind->name) + " takes no value");
            }
            std::int64_t ms = 0;
            if (!ParseWhole(token, ms) || ms < 0 || ms > FaultPlan::kMaxDelayMs) {
                return RefuseFault(error, item,
                                   "the delay must be a whole number of milliseconds from 0 to " +
                                       std::to_string(FaultPlan::kMaxDelayMs));
            }
            out.delay = std::chrono::milliseconds(ms);
            haveValue = true;
        } else if (marker == '#') {
            if (!out.replyLetters.empty()) return RefuseFault(error, item, "LETTERS given twice");
            if (token.empty()) {
                return RefuseFault(error, item, "# needs the reply letters it applies to, e.g. #R");
            }
            for (const char c : token) {
                if (c < '!' || c > '~') {
                    return RefuseFault(error, item, "reply letters must be printable characters");
                }
            }
            out.replyLetters = std::string(token);
        } else {
            return RefuseFault(error, item,
                               "expected :COUNT, @PROB, =VALUE or #LETTERS after the name");
        }
    }
    if (out.kind == FaultKind::Delay && !haveValue) {
        return RefuseFault(error, item, "delay needs a value in milliseconds (delay=MS)");
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

bool FaultPlan::Applies(FaultItem& item, std::string_view reply, std::mt19937_64& random)
{
    if (item.remaining && *item.remaining == 0) return false;
    if (!item.replyLetters.empty()) {
        const std::string_view letters = reply.starts_with(kStx) ? reply.substr(1) : reply;
        if (!letters.starts_with(item.replyLetters)) return false;
    }
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
        if (item.kind == FaultKind::Silent && !item.remaining && !item.probability &&
            item.replyLetters.empty()) {
            return true;
        }
    }
    return false;
}

FaultedReply FaultPlan::Apply(std::string reply, std::mt19937_64& random)
{
    FaultedReply out;
    for (FaultItem& item : items_) {
        if (item.kind == FaultKind::Silent && Applies(item, reply, random)) return out;
    }
    bool drop = false;
    // Byte changes in the order of the list, each with whether the checksum is made to fit.
    std::vector<std::pair<const FaultItem*, bool>> changes;
    int noise = 0;
    int longLines = 0;
    for (FaultItem& item : items_) {
        if (item.kind == FaultKind::Silent || !Applies(item, reply, random)) continue;
        switch (item.kind) {
            case FaultKind::Drop:
                drop = true;
                break;
            case FaultKind::Corrupt:
                changes.emplace_back(&item, false);
                break;
            case FaultKind::Forge:
                changes.emplace_back(&item, true);
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
    if (drop) return out;
    for (const auto& [item, fitChecksum] : changes) {
        if (item->change) {
            reply = Changed(std::move(reply), *item->change, fitChecksum, random);
        } else if (fitChecksum) {
            reply = Changed(std::move(reply), ByteChange{}, true, random);
        } else {
            reply = Corrupted(std::move(reply));
        }
    }
    out.chunks.push_back(std::move(reply));
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

char FaultPlan::Altered(char byte)
{
    if (byte >= '0' && byte <= '9') return byte == '9' ? '0' : static_cast<char>(byte + 1);
    if (byte >= 'A' && byte <= 'Z') return byte == 'Z' ? 'A' : static_cast<char>(byte + 1);
    if (byte >= 'a' && byte <= 'z') return byte == 'z' ? 'a' : static_cast<char>(byte + 1);
    return 'X';
}

std::string FaultPlan::Changed(std::string reply, const ByteChange& change, bool fitChecksum,
                               std::mt19937_64& random)
{
    const bool endsWithCrLf = reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0;
    const std::size_t textEnd = endsWithCrLf ? reply.size() - 2 : reply.size();
    const std::size_t etx = reply.find(kEtx, 1);
    const bool framed = !reply.empty() && reply[0] == kStx;
    const bool hasChecksum =
        framed && etx != std::string::npos && endsWithCrLf && reply.size() == etx + 5;

    std::size_t position = change.position;
    if (position == ByteChange::kRandom) {
        // A random byte of the line's text. Forging keeps the frame's shape and so its checksum
        // meaningful: it changes only what lies between STX and ETX.
        std::size_t first = 0;
        std::size_t end = textEnd;
        if (fitChecksum && framed) {
            first = 1;
            if (etx != std::string::npos) end = etx;
        }
        if (end <= first) return reply;
        position = first + static_cast<std::size_t>(random() % (end - first));
    }
    if (position >= reply.size()) return reply;
    reply[position] = change.value ? static_cast<char>(*change.value) : Altered(reply[position]);

    if (fitChecksum && hasChecksum && reply[etx] == kEtx) {
        constexpr char kHex[] = "0123456789ABCDEF";
        const std::uint8_t sum = ChecksumOf(std::string_view(reply).substr(1, etx));
        reply[etx + 1] = kHex[sum >> 4];
        reply[etx + 2] = kHex[sum & 0xF];
    }
    return reply;
}

}  // namespace krv::sim
