#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sim {

// Drop: the reply is not sent. Corrupt: one byte of it changes and the checksum stays as it was.
// Forge: one byte changes and the checksum of a framed reply is made to fit again, so the damage
// is in the payload of a frame that passes its check. Noise: an unrelated line goes first.
// Delay: the reply waits. Silent: nothing at all is sent. LongLine: an over-long line without
// CR LF goes first and runs into the reply.
enum class FaultKind { Drop, Corrupt, Forge, Noise, Delay, Silent, LongLine };

// Which byte a corrupt or forge item changes and into what (VALUE = POS[/HH]).
struct ByteChange {
    static constexpr std::size_t kRandom = static_cast<std::size_t>(-1);

    // Byte position counted from 0 (byte 0 of a framed reply is its STX), or kRandom: a byte
    // drawn from the seeded generator. A position past the reply's end leaves it as it is.
    std::size_t position = kRandom;
    // The new byte; none: the byte is changed into another of its kind (FaultPlan::Altered).
    std::optional<std::uint8_t> value;
};

// One item of a fault plan: NAME[:COUNT][@PROB][=VALUE][#LETTERS].
struct FaultItem {
    FaultKind kind = FaultKind::Drop;
    std::optional<std::uint32_t> remaining;  // COUNT still to apply; none: no limit
    std::optional<double> probability;       // PROB; none: every reply
    std::chrono::milliseconds delay{0};      // VALUE of delay
    // VALUE of corrupt and forge. A plain `corrupt` has none and breaks the reply's match
    // instead (FaultPlan::Corrupted); a plain `forge` changes a random byte of the content.
    std::optional<ByteChange> change;
    // LETTERS: the item applies only to replies whose letters (after the STX of a framed reply)
    // begin with these, e.g. "R" for status replies or "CH"; empty: every reply. Replies it does
    // not apply to neither draw a number nor use up its count.
    std::string replyLetters;
};

// What goes on the wire for one reply after the faults: the chunks in order (each is written
// and recorded as one line; the long-line junk has no CR LF), after `delay`.
struct FaultedReply {
    std::vector<std::string> chunks;
    std::chrono::milliseconds delay{0};
};

// Fault injection for the virtual unit, parsed from a comma-separated list, for example
// "noise:4,drop:4", "corrupt@0.25,delay=200", "corrupt=2/33#CH" (byte 2 of every CH reply becomes
// '3') or "forge=2/37:1#R" (byte 2 of the next status reply becomes '7' and the reply gets the
// checksum that fits). Random choices are drawn from a generator the caller owns, so a run is
// repeatable for a given seed.
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

    // Applies one byte change (a random position is drawn from `random`). With `fitChecksum`, a
    // framed reply with checksum then gets the checksum of its changed content (so forging a
    // checksum character itself changes nothing: corrupt is the fault for that).
    static std::string Changed(std::string reply, const ByteChange& change, bool fitChecksum,
                               std::mt19937_64& random);

    // Another byte of the same kind, so that the line keeps its shape: digits, upper-case and
    // lower-case letters step to the next of their kind ('9' to '0', 'Z' to 'A'); any other byte
    // becomes 'X'. Never a line end, STX or ETX.
    static char Altered(char byte);

  private:
    // Decides whether `item` applies to this reply, drawing a number only for items with a
    // probability, and consumes one count when it does.
    static bool Applies(FaultItem& item, std::string_view reply, std::mt19937_64& random);

    std::vector<FaultItem> items_;
};

}  // namespace krv::sim
