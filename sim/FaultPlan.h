#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sim {

enum class FaultKind { Drop, Corrupt, Noise, Delay, Silent, LongLine };

// One item of a fault plan: NAME[:COUNT][@PROB][=VALUE].
struct FaultItem {
    FaultKind kind = FaultKind::Drop;
    std::optional<std::uint32_t> remaining;  // COUNT still to apply; none: no limit
    std::optional<double> probability;       // PROB; none: every reply
    std::chrono::milliseconds delay{0};      // VALUE of delay
};

// What goes on the wire for one reply after the faults: the chunks in order (each is written
// and recorded as one line; the long-line junk has no CR LF), after `delay`.
struct FaultedReply {
    std::vector<std::string> chunks;
    std::chrono::milliseconds delay{0};
};

// Fault injection for the virtual unit, parsed from a comma-separated list, for example
// "noise:4,drop:4" or "corrupt@0.25,delay=200". Random choices are drawn from a generator the
// caller owns, so a run is repeatable for a given seed.
class FaultPlan {
  public:
    static constexpr std::string_view kNoiseLine = "#NOISE\r\n";
    static constexpr std::size_t kLongLineLength = 600;
    static constexpr std::int64_t kMaxDelayMs = 3'600'000;

    // Empty or blank list: no faults. On failure returns nothing and, if `error` is given, a text
    // that names the offending item.
    static std::optional<FaultPlan> Parse(std::string_view list, std::string* error);

    bool Empty() const { return items_.empty(); }
    const std::vector<FaultItem>& Items() const { return items_; }

    // Applies the plan to one reply line and consumes the counts of the items that applied.
    // `silent` preempts everything else: when it applies, nothing is sent and the other items are
    // neither drawn nor consumed.
    FaultedReply Apply(std::string reply, std::mt19937_64& random);

    // True while the plan silences the unit completely (an unconditional `silent`): then lines the
    // unit would send on its own are held back as well.
    bool SilencesEverything() const;

    // The reply with one byte changed so that it no longer matches: a checksum character of a
    // framed reply with checksum, else the first letter (after STX for a framed reply).
    static std::string Corrupted(std::string reply);

  private:
    // Decides whether `item` applies to this reply, drawing a number only for items with a
    // probability, and consumes one count when it does.
    static bool Applies(FaultItem& item, std::mt19937_64& random);

    std::vector<FaultItem> items_;
};

}  // namespace krv::sim
