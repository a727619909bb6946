#include "sim/CommandFaults.h"

#include <charconv>

namespace krv::sim {

namespace {

template <typename T>
bool Whole(std::string_view text, T& value, int base)
{
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

bool RefuseUnitFault(std::string* error, std::string_view item, const char* why)
{
    if (error != nullptr) *error = "unit fault \"" + std::string(item) + "\": " + why;
    return false;
}

}  // namespace

bool ParseCommandFaults(std::string_view spec, CommandFaults& faults, std::string* error)
{
    CommandFaults parsed;
    while (!spec.empty()) {
        const std::size_t comma = spec.find(',');
        const std::string_view item = spec.substr(0, comma);
        spec = comma == std::string_view::npos ? std::string_view() : spec.substr(comma + 1);
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            return RefuseUnitFault(error, item, "expected NAME=VALUE");
        const std::string_view name = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);
        if (name == "pe" || name == "pw" || name == "b8") {
            int code = 0;
            if (!Whole(value, code, 16) || code < 1 || code > 0xFF) {
                return RefuseUnitFault(error, item, "the code must be hexadecimal 01 to FF");
            }
            (name == "pe"   ? parsed.eraseError
             : name == "pw" ? parsed.writeError
                            : parsed.refuseProgramming) = code;
        } else if (name == "b15-bad" || name == "b13-silent" || name == "b15-silent") {
            int block = 0;
            if (!Whole(value, block, 10) || block < 0 || block > 511) {
                return RefuseUnitFault(error, item, "the block must be 0 to 511");
            }
            (name == "b15-bad"      ? parsed.badReadBlock
             : name == "b13-silent" ? parsed.silentFromProgram
                                    : parsed.silentFromRead) = block;
        } else if (name == "b1-from") {
            if (!Whole(value, parsed.bootAnswerFrom, 10)) {
                return RefuseUnitFault(error, item, "expected a whole number");
            }
        } else if (name == "pr" || name == "silent-after") {
            std::uint64_t count = 0;
            if (!Whole(value, count, 10))
                return RefuseUnitFault(error, item, "expected a whole number");
            (name == "pr" ? parsed.badReadReply : parsed.silentAfter) = count;
        } else {
            return RefuseUnitFault(
                error, item,
                "unknown; expected pe, pw, pr, silent-after, b1-from, b8, b15-bad, "
                "b13-silent or b15-silent");
        }
    }
    faults = parsed;
    return true;
}

}  // namespace krv::sim
