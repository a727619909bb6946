#include "sim/LineAssembler.h"

namespace krv::sim {

std::vector<LineAssembler::Line> LineAssembler::Feed(std::string_view chunk)
{
    std::vector<Line> lines;
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        const char c = chunk[i];
        if (discarding_) {
            if (lastWasCr_ && c == '\n') {
                discarding_ = false;
                lastWasCr_ = false;
            } else {
                lastWasCr_ = c == '\r';
            }
            continue;
        }
        pending_.push_back(c);
        const std::size_t n = pending_.size();
        if (c == '\n' && n >= 2 && pending_[n - 2] == '\r') {
            lines.push_back(Line{std::move(pending_), i + 1});
            pending_.clear();
            continue;
        }
        // Room is left for a CR that may still be followed by its LF.
        const bool tooLong = n > kMaxLineLength + 1 || (n == kMaxLineLength + 1 && c != '\r');
        if (tooLong) {
            ++discardedLines_;
            discarding_ = true;
            lastWasCr_ = c == '\r';
            pending_.clear();
        }
    }
    return lines;
}

void LineAssembler::Reset()
{
    pending_.clear();
    discarding_ = false;
    lastWasCr_ = false;
}

}  // namespace krv::sim
