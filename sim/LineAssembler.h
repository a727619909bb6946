#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sim {

// Collects received bytes into lines ending in CR LF. Any byte value, NUL included, is kept as
// it is. A line whose text grows beyond kMaxLineLength bytes before its CR LF is dropped as a
// whole, up to and including that CR LF, so garbage on the line can neither grow the buffer
// without bound nor leave a tail that reads like a command.
class LineAssembler {
  public:
    static constexpr std::size_t kMaxLineLength = 1024;  // text before the CR LF

    struct Line {
        std::string bytes;      // CR LF included
        std::size_t endOffset;  // offset in the fed chunk just after the line's LF
    };

    // Feeds one chunk and returns the lines it completed, in order.
    std::vector<Line> Feed(std::string_view chunk);

    // Forgets a partly received line (e.g. when the line is cut).
    void Reset();

    std::size_t PendingBytes() const { return pending_.size(); }
    std::size_t DiscardedLines() const { return discardedLines_; }

  private:
    std::string pending_;
    bool discarding_ = false;
    bool lastWasCr_ = false;  // while discarding: the previous byte was a CR
    std::size_t discardedLines_ = 0;
};

}  // namespace krv::sim
