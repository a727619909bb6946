#pragma once

#include <string_view>

namespace krv {

// Technical notices for developers; users never see them in a window.
void DebugTrace(std::string_view text);

}  // namespace krv
