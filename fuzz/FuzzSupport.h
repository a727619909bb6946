#pragma once

#include <cstdio>
#include <cstdlib>

namespace krv::fuzz {

// Stops the fuzzer with `what` when a property of the input's handling does not hold, so it keeps
// the input as a finding.
inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

}  // namespace krv::fuzz
