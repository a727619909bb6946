// Feeds arbitrary lines to the command parser of krvctl serve, and checks what it gives back:
// at most one error and only as the last unit, channels within 1 to 4, bounded counts, and
// error entries that stay printable and short.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "remote/Scpi.h"
#include "remote/ScpiCommands.h"
#include "remote/ScpiStatus.h"

namespace {

using krv::fuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace krv::remote;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto units = ParseScpiLine(line, kScpiCommands);
    Require(units.size() <= kScpiMaxUnitsPerLine, "unit count");
    ScpiStatus status;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const ScpiParsedUnit& unit = units[i];
        Require(unit.command.has_value() != (unit.error != ScpiError::None), "command or error");
        if (!unit.command) {
            Require(i + 1 == units.size(), "an error ends the line");
            status.Push(unit.error, unit.detail);
            const std::string entry = status.PopError();
            Require(entry.size() < 120, "entry length");
            for (const char c : entry) Require(c >= ' ' && c <= '~', "entry printable");
            continue;
        }
        Require(unit.command->channel >= 1 && unit.command->channel <= kScpiMaxChannel, "channel");
        Require(unit.command->parameters.size() <= kScpiMaxParameters, "parameter count");
    }
    return 0;
}
