#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace krv::sim {

// Faults of the unit's own command handling, as opposed to damage on the line: refusals of the
// memory commands, a damaged read reply, a unit that stops answering.
struct CommandFaults {
    int eraseError = 0;  // nonzero: every PE is refused with this code
    int writeError = 0;  // nonzero: every PW is refused with this code
    // The memory read reply with this number (0: the next one) carries a wrong checksum, once.
    std::optional<std::uint64_t> badReadReply;
    // After this many more frames (complete lines) the unit answers nothing at all.
    std::optional<std::uint64_t> silentAfter;

    // Faults of the boot loader. Blocks are the 256-byte blocks of the flash window, 0 to 511.
    // The bit-rate adjustment is answered only from this boot restart on (1: the first).
    std::uint64_t bootAnswerFrom = 0;
    int refuseProgramming = 0;        // nonzero: the programming state is refused with this code
    std::optional<int> badReadBlock;  // one byte of this block reads back wrong
    std::optional<int> silentFromProgram;  // silent from the program command of this block on
    std::optional<int> silentFromRead;     // silent from the read command of this block on

    bool operator==(const CommandFaults&) const = default;
};

// Parses "pe=3A,pw=40,pr=5,silent-after=100" and the boot loader's "b1-from=3,b8=51,
// b15-bad=300,b13-silent=500,b15-silent=20" (codes hexadecimal, counts and blocks decimal; any
// subset, in any order). False, with a reason in `error`, on anything else.
bool ParseCommandFaults(std::string_view spec, CommandFaults& faults, std::string* error);

// Counts what the faults depend on.
class CommandFaultState {
  public:
    void Set(const CommandFaults& faults)
    {
        faults_ = faults;
        frames_ = 0;
        reads_ = 0;
    }
    const CommandFaults& Faults() const { return faults_; }

    // One frame arrived: true when the unit is to ignore it.
    bool Silenced()
    {
        ++frames_;
        return faults_.silentAfter && frames_ > *faults_.silentAfter;
    }
    // One read reply is about to go out: true when it is the one to damage.
    bool DamageRead() { return faults_.badReadReply && reads_++ == *faults_.badReadReply; }

  private:
    CommandFaults faults_;
    std::uint64_t frames_ = 0;
    std::uint64_t reads_ = 0;
};

}  // namespace krv::sim
