#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "remote/Scpi.h"
#include "remote/ScpiStatus.h"

namespace krv::remote {
namespace {

constexpr std::array<ScpiCommandSpec, 8> kTable{{
    {"*IDN", 1},
    {"*RST", 2},
    {"OUTPut#[:STATe]", 10},
    {"SOURce#:VALue", 11},
    {"SOURce#:RANGe", 12},
    {"SYSTem:ERRor[:NEXT]", 20},
    {"MEASure#:STATus", 30},
    {"STATus#", 31},
}};

// One unit as the test writes it down: "id ch? params" for a command, "E-113" for an error.
std::string Describe(const ScpiParsedUnit& unit)
{
    if (!unit.command) return "E" + std::to_string(static_cast<int>(unit.error));
    const ScpiCommand& c = *unit.command;
    std::string text =
        std::to_string(c.id) + " ch" + std::to_string(c.channel) + (c.query ? "?" : "");
    for (const ScpiParameter& p : c.parameters) {
        text += p.kind == ScpiParameter::Kind::Number   ? " n:" + std::to_string(p.number)
                : p.kind == ScpiParameter::Kind::String ? " s:" + p.text
                                                        : " c:" + p.text;
    }
    return text;
}

TEST(ScpiParseTest, LinesBecomeTheCommandsOrTheErrorTheStandardNames)
{
    struct Case {
        std::string line;
        std::vector<std::string> units;
    };
    const std::vector<Case> cases{
        {"*IDN?", {"1 ch1?"}},
        {"*idn?\r", {"1 ch1?"}},
        {"outp2 on", {"10 ch2 c:on"}},
        {"OUTPUT3:STATE 1", {"10 ch3 n:1.000000"}},
        {":OUTP:STAT?", {"10 ch1?"}},
        {"SOUR4:VAL -1.5E+1", {"11 ch4 n:-15.000000"}},
        {"SOUR1:VAL +.5", {"11 ch1 n:0.500000"}},
        // A relative header continues from the previous one's path …
        {"SOUR2:RANG E4_20mA;VAL 12.5", {"12 ch2 c:E4_20mA", "11 ch2 n:12.500000"}},
        {"SOUR1:VAL 1;:SOUR2:VAL 2", {"11 ch1 n:1.000000", "11 ch2 n:2.000000"}},
        // … and falls back to the root where that names nothing.
        {"OUTP1:STAT ON;OUTP2 OFF", {"10 ch1 c:ON", "10 ch2 c:OFF"}},
        // Common commands leave the path alone.
        {"SOUR3:RANG E0_5V;*RST;VAL 1", {"12 ch3 c:E0_5V", "2 ch1", "11 ch3 n:1.000000"}},
        {"SOUR3:VAL 1;:*IDN?", {"11 ch3 n:1.000000", "1 ch1?"}},
        {"SYST:ERR?;SYSTEM:ERROR:NEXT?", {"20 ch1?", "20 ch1?"}},
        {"SOURCE1:VAL 1,2", {"11 ch1 n:1.000000 n:2.000000"}},
        {"SOUR1:VAL \"a\"\"b\"", {"11 ch1 s:a\"b"}},
        {"SOUR1:VAL 'a;b'", {"11 ch1 s:a;b"}},
        {"  ;; ", {}},
        {"", {}},
        // Errors: the unit that fails ends the line.
        {"OUTP1 ON;FOO;OUTP2 ON", {"10 ch1 c:ON", "E-113"}},
        {"SOUR1:VALUEX 3", {"E-113"}},
        {"OUTP5 ON", {"E-114"}},
        {"OUTP0 ON", {"E-114"}},
        {"OUTP99999999999999999999 ON", {"E-114"}},
        {"*IDN5?", {"E-101"}},
        {"SYST2:ERR?", {"E-113"}},
        {"SOUR1:VAL 12V", {"E-138"}},
        {"SOUR1:VAL 1e", {"E-138"}},
        {"SOUR1:VAL 1.2.3", {"E-120"}},
        {"SOUR1:VAL 1e999", {"E-120"}},
        {"SOUR1:VAL -", {"E-120"}},
        {"SOUR1:VAL 'abc", {"E-151"}},
        {"SOUR1:VAL 'a'b'", {"E-151"}},
        {"SOUR1:VAL 1,,2", {"E-102"}},
        {"SOUR1:VAL #H1F", {"E-104"}},
        // Range keys that begin like numbers are keys.
        {"SOUR1:RANG 0_5V;RANG -10_10V", {"12 ch1 c:0_5V", "12 ch1 c:-10_10V"}},
        {"SOUR1:RANG 0_5V$", {"E-140"}},
        {"SOUR1:RANG 1-_5V", {"E-140"}},
        {"SOUR1:RANG ABCDEFGHIJKLMNOPQRSTUVWXYZ", {"E-140"}},
        {"OUTP1$ ON", {"E-101"}},
        {"OUTP1::STAT ON", {"E-102"}},
        {"OUTP1:STAT: ON", {"E-102"}},
        {"ABCDEFGHIJKLMN", {"E-112"}},
        {"1OUTP", {"E-101"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (const ScpiParsedUnit& unit : ParseScpiLine(c.line, kTable))
            got.push_back(Describe(unit));
        EXPECT_EQ(got, c.units) << c.line;
    }
}

TEST(ScpiParseTest, HostileLinesAreBounded)
{
    std::string units;
    for (int i = 0; i < 100; ++i) units += "OUTP1 ON;";
    auto parsed = ParseScpiLine(units, kTable);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].error, ScpiError::CommandError);

    std::string parameters = "SOUR1:VAL 1";
    for (std::size_t i = 0; i < kScpiMaxParameters; ++i) parameters += ",1";
    parsed = ParseScpiLine(parameters, kTable);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].error, ScpiError::ParameterNotAllowed);
}

TEST(ScpiErrorTest, EntriesAreQuotedPrintableAndShort)
{
    EXPECT_EQ(FormatScpiError(ScpiError::None), "0,\"No error\"");
    EXPECT_EQ(FormatScpiError(ScpiError::UndefinedHeader, "FOO\"X"),
              "-113,\"Undefined header;FOO\"\"X\"");
    EXPECT_EQ(FormatScpiError(ScpiError::DataOutOfRange, std::string("a\x01\xff", 3)),
              "-222,\"Data out of range;a??\"");
    for (const char c : {'x', '"'}) {
        const std::string entry = FormatScpiError(ScpiError::SyntaxError, std::string(500, c));
        EXPECT_LT(entry.size(), 100u) << entry;
        EXPECT_TRUE(entry.ends_with("...\"")) << entry;
    }
}

TEST(ScpiParameterTest, BooleansAndKeywords)
{
    const auto param = [](const char* line) {
        return ParseScpiLine(line, kTable)[0].command->parameters[0];
    };
    EXPECT_EQ(ScpiBoolean(param("OUTP ON")), true);
    EXPECT_EQ(ScpiBoolean(param("OUTP off")), false);
    EXPECT_EQ(ScpiBoolean(param("OUTP 0.4")), false);
    EXPECT_EQ(ScpiBoolean(param("OUTP 1")), true);
    EXPECT_EQ(ScpiBoolean(param("OUTP ONN")), std::nullopt);
    EXPECT_EQ(ScpiBoolean(param("OUTP 'ON'")), std::nullopt);
    constexpr std::array<std::string_view, 3> kShapes{"SAWtooth", "TRIangle", "LIST"};
    EXPECT_EQ(ScpiKeyword(param("SOUR:RANG saw"), kShapes), 0u);
    EXPECT_EQ(ScpiKeyword(param("SOUR:RANG Triangle"), kShapes), 1u);
    EXPECT_EQ(ScpiKeyword(param("SOUR:RANG list"), kShapes), 2u);
    EXPECT_EQ(ScpiKeyword(param("SOUR:RANG tri2"), kShapes), std::nullopt);
    EXPECT_EQ(ScpiKeyword(param("SOUR:RANG sawt"), kShapes), std::nullopt);
}

TEST(ScpiStatusTest, QueueRegisterAndStatusByte)
{
    ScpiStatus status;
    EXPECT_EQ(status.PopError(), "0,\"No error\"");
    EXPECT_EQ(status.StatusByte(), 0);
    status.Push(ScpiError::UndefinedHeader, "FOO");
    status.Push(ScpiError::DataOutOfRange);
    status.Push(ScpiError::HardwareMissing);
    status.Push(ScpiError::QueryInterrupted);
    EXPECT_EQ(status.StatusByte(), ScpiStatus::kErrorAvailable);
    status.SetEventEnable(ScpiStatus::kExecutionError);
    EXPECT_EQ(status.StatusByte(), ScpiStatus::kErrorAvailable | ScpiStatus::kEventSummary);
    EXPECT_EQ(status.PopError(), "-113,\"Undefined header;FOO\"");
    EXPECT_EQ(status.PopError(), "-222,\"Data out of range\"");
    EXPECT_EQ(status.TakeEventStatus(),
              ScpiStatus::kCommandError | ScpiStatus::kExecutionError | ScpiStatus::kQueryError);
    EXPECT_EQ(status.TakeEventStatus(), 0);  // reading cleared it
    EXPECT_EQ(status.QueuedErrors(), 2u);
    status.Clear();
    EXPECT_EQ(status.QueuedErrors(), 0u);

    // A full queue keeps its oldest entries and says it overflowed in the last.
    for (int i = 0; i < 40; ++i) status.Push(ScpiError::SyntaxError);
    EXPECT_EQ(status.QueuedErrors(), ScpiStatus::kQueueLength);
    std::string last;
    for (std::size_t i = 0; i < ScpiStatus::kQueueLength; ++i) last = status.PopError();
    EXPECT_EQ(last, "-350,\"Queue overflow\"");
    EXPECT_EQ(status.TakeEventStatus(), ScpiStatus::kCommandError | ScpiStatus::kDeviceError);
}

}  // namespace
}  // namespace krv::remote
