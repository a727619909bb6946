#include "platform/DebugTrace.h"

#include <cstdio>

namespace krv {

void DebugTrace(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace krv
