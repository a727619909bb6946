// Linked into every test program: the programs under test speak Japanese (their default) and the
// system English (its messages in the C locale), as the tests expect, whatever the locale of the
// one running them. A test of another language sets it itself.
#include <cstdlib>
#include <initializer_list>

namespace {

[[maybe_unused]] const bool pinned = [] {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) ::unsetenv(name);
    return ::setenv("LANG", "C.UTF-8", 1) == 0;
}();

}  // namespace
