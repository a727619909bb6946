// What the SCPI commands of krvctl serve do to the unit and what its queries answer.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "input/AutoOutputChecks.h"
#include "model/AutoOutputEngine.h"
#include "model/ChannelOperations.h"
#include "protocol/Ranges.h"
#include "remote/ScpiCommands.h"
#include "remote/UnitServer.h"

namespace krv::remote {

namespace {

constexpr const char* kNotConnected = "unit not connected";

// Which forms a command has: a query, a setting with `minimum` to `maximum` parameters.
struct Form {
    int id;
    bool query;
    bool set;
    std::size_t minimum;
    std::size_t maximum;
};

constexpr Form kForms[] = {
    {kIdn, true, false, 0, 0},
    {kRst, false, true, 0, 0},
    {kCls, false, true, 0, 0},
    {kOpc, true, true, 0, 0},
    {kWai, false, true, 0, 0},
    {kEsr, true, false, 0, 0},
    {kEse, true, true, 1, 1},
    {kStb, true, false, 0, 0},
    {kTst, true, false, 0, 0},
    {kSystemError, true, false, 0, 0},
    {kSystemVersion, true, false, 0, 0},
    {kOutput, true, true, 1, 1},
    {kRange, true, true, 1, 1},
    {kValue, true, true, 1, 1},
    {kStatus, true, false, 0, 0},
    {kStatusRaw, true, false, 0, 0},
    {kFunction, true, true, 1, 1},
    {kFunctionStart, true, true, 1, 1},
    {kFunctionStop, true, true, 1, 1},
    {kFunctionStep, true, true, 1, 1},
    {kFunctionDwell, true, true, 1, 1},
    {kFunctionCount, true, true, 1, 1},
    {kRunState, true, false, 0, 0},
    {kListValues, true, true, 1, kArbitraryPointCount},
    {kListDwell, true, true, 1, kArbitraryPointCount},
    {kInitiate, false, true, 0, 0},
    {kAbort, false, true, 0, 0},
};

const Form* FormOf(int id)
{
    for (const Form& form : kForms) {
        if (form.id == id) return &form;
    }
    return nullptr;
}

std::string Fixed(int decimals, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 6), value);
    return text;
}

std::string UpperCase(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::optional<OutputRange> RangeOfKey(const std::string& key)
{
    for (const OutputRange range : kValidRanges) {
        if (UpperCase(RangeKey(range)) == UpperCase(key)) return range;
    }
    return std::nullopt;
}

// The alarms the unit reports, as words a script can compare: the lowest fault bit of the stage
// the range uses, as the panel shows it.
std::string AlarmWord(const GeneratorState& state, int ch)
{
    static constexpr const char* kMain[kMainAlarmBits] = {"OVERTEMP", "SLEWING", "COMPLIANCE",
                                                          "WATCHDOG", "CRC1"};
    static constexpr const char* kExternal[kExternalAlarmBits] = {"COMPLIANCE", "FAULT", "SPI2",
                                                                  "CRC2"};
    const std::optional<AlarmBit> alarm = state.LowestAlarm(ch);
    if (!alarm) return "NONE";
    return alarm->external ? kExternal[alarm->bit] : kMain[alarm->bit];
}

const char* RunStateWord(std::int32_t runState)
{
    switch (runState) {
        case 1:
            return "RUNNING";
        case 2:
            return "PAUSED";
        default:
            return "STOPPED";
    }
}

}  // namespace

std::optional<std::string> UnitServer::Execute(ScpiStatus& status, const ScpiCommand& command)
{
    const Form* form = FormOf(command.id);
    if (form == nullptr || (command.query ? !form->query : !form->set)) {
        status.Push(ScpiError::UndefinedHeader, command.header + (command.query ? "?" : ""));
        return std::nullopt;
    }
    const std::size_t count = command.parameters.size();
    const std::size_t minimum = command.query ? 0 : form->minimum;
    const std::size_t maximum = command.query ? 0 : form->maximum;
    if (count < minimum) {
        status.Push(ScpiError::MissingParameter, command.header);
        return std::nullopt;
    }
    if (count > maximum) {
        status.Push(ScpiError::ParameterNotAllowed, command.header);
        return std::nullopt;
    }
    switch (command.id) {
        case kIdn:
            return Identity();
        case kRst:
            Reset();
            return std::nullopt;
        case kCls:
            status.Clear();
            return std::nullopt;
        case kOpc:
            if (command.query) return "1";
            status.OperationComplete();
            return std::nullopt;
        case kWai:
            return std::nullopt;  // every command is done before the next is read
        case kEsr:
            return std::to_string(status.TakeEventStatus());
        case kEse: {
            if (command.query) return std::to_string(status.EventEnable());
            const ScpiParameter& mask = command.parameters[0];
            if (mask.kind != ScpiParameter::Kind::Number || mask.number < 0 || mask.number > 255) {
                status.Push(ScpiError::DataOutOfRange, "0 to 255");
                return std::nullopt;
            }
            status.SetEventEnable(static_cast<std::uint8_t>(std::lround(mask.number)));
            return std::nullopt;
        }
        case kStb:
            return std::to_string(status.StatusByte());
        case kTst:
            return "0";
        case kSystemError:
            return status.PopError();
        case kSystemVersion:
            return "1999.0";
        default:
            break;
    }
    const int ch = command.channel - 1;
    if (ch >= state_.AddressedCircuits()) {
        status.Push(ScpiError::HardwareMissing,
                    "the unit has " + std::to_string(state_.circuitCount) + " circuits");
        return std::nullopt;
    }
    return ExecuteChannel(status, command, ch);
}

std::optional<std::string> UnitServer::ExecuteChannel(ScpiStatus& status,
                                                      const ScpiCommand& command, int ch)
{
    const ChannelSettings& c = state_.channels[static_cast<std::size_t>(ch)];
    const auto fail = [&](ScpiError error,
                          const std::string& detail) -> std::optional<std::string> {
        status.Push(error, detail);
        return std::nullopt;
    };
    const RangeLimits limits = ChannelLimits(state_, ch);
    if (command.query) {
        switch (command.id) {
            case kOutput:
                return state_.OutputOn(ch) ? "1" : "0";
            case kRange:
                return RangeKey(c.range);
            case kValue:
                return Fixed(limits.decimals, c.outputValue);
            case kStatus:
                return StatusLine(ch);
            case kStatusRaw:
                return RawStatusLine(ch);
            default:
                return ExecuteFunction(status, command, ch);
        }
    }
    const bool running = state_.autoOutput[static_cast<std::size_t>(ch)].runState != 0;
    const ScpiParameter& parameter =
        command.parameters.empty() ? ScpiParameter{} : command.parameters[0];
    // What changes the unit's outputs needs the unit; the automatic output's settings do not.
    const bool reachesUnit = command.id == kOutput || command.id == kRange ||
                             command.id == kValue || command.id == kInitiate;
    if (reachesUnit && !connected_.load()) return fail(ScpiError::HardwareError, kNotConnected);
    switch (command.id) {
        case kOutput: {
            const auto on = ScpiBoolean(parameter);
            if (!on) return fail(ScpiError::IllegalParameterValue, "ON, OFF, 1 or 0");
            if (!PcDriven(state_, ch)) {
                return fail(ScpiError::SettingsConflict, "the unit runs this channel on its own");
            }
            if (*on != state_.OutputOn(ch)) ToggleOutput(state_, ch);
            return std::nullopt;
        }
        case kRange: {
            if (parameter.kind == ScpiParameter::Kind::Number) {
                return fail(ScpiError::DataTypeError, "a range key such as E4_20mA");
            }
            const auto range = RangeOfKey(parameter.text);
            if (!range) return fail(ScpiError::IllegalParameterValue, "no range " + parameter.text);
            if (*range == c.range) return std::nullopt;
            if (state_.OutputOn(ch)) return fail(ScpiError::SettingsConflict, "the output is on");
            if (running) return fail(ScpiError::SettingsConflict, "automatic output running");
            ApplyRange(state_, ch, *range);
            return std::nullopt;
        }
        case kValue: {
            if (parameter.kind != ScpiParameter::Kind::Number) {
                return fail(ScpiError::DataTypeError, "a number");
            }
            if (running) return fail(ScpiError::SettingsConflict, "automatic output running");
            if (!WithinLimits(parameter.number, limits)) {
                return fail(ScpiError::DataOutOfRange, Fixed(limits.decimals, limits.lower) +
                                                           " to " +
                                                           Fixed(limits.decimals, limits.upper));
            }
            state_.channels[static_cast<std::size_t>(ch)].outputValue =
                TypedValueForChannel(state_, ch, parameter.number);
            state_.ValueToCode(ch);
            state_.SendOutputFrame(ch);
            return std::nullopt;
        }
        case kInitiate:
            if (!StartAutoOutput(state_, ch, AutoOutputClockNow())) {
                return fail(ScpiError::HardwareError, kNotConnected);
            }
            return std::nullopt;
        case kAbort:
            StopAutoOutput(state_, ch);
            return std::nullopt;
        default:
            if (running) return fail(ScpiError::SettingsConflict, "automatic output running");
            return ExecuteFunction(status, command, ch);
    }
}

std::optional<std::string> UnitServer::ExecuteFunction(ScpiStatus& status,
                                                       const ScpiCommand& command, int ch)
{
    AutoOutputChannel& a = state_.autoOutput[static_cast<std::size_t>(ch)];
    RampSettings& ramp = a.ramps[static_cast<std::size_t>(state_.RangeInEffect(ch))];
    const RangeLimits limits = ChannelLimits(state_, ch);
    const auto fail = [&](ScpiError error,
                          const std::string& detail) -> std::optional<std::string> {
        status.Push(error, detail);
        return std::nullopt;
    };
    if (command.query) {
        switch (command.id) {
            case kFunction:
                return ramp.waveform == kTriangle    ? "TRI"
                       : ramp.waveform == kArbitrary ? "LIST"
                                                     : "SAW";
            case kFunctionStart:
                return Fixed(limits.decimals, ramp.start);
            case kFunctionStop:
                return Fixed(limits.decimals, ramp.end);
            case kFunctionStep:
                return Fixed(limits.decimals, ramp.step);
            case kFunctionDwell:
                return Fixed(2, ramp.interval / 100.0);
            case kFunctionCount:
                return std::to_string(ramp.repeat);
            case kRunState:
                return RunStateWord(RunStateOf(ch));
            case kListValues:
            case kListDwell: {
                std::string list;
                for (const ArbitraryPoint& point : a.points) {
                    if (!point.used) break;
                    if (!list.empty()) list += ',';
                    list += command.id == kListValues ? Fixed(limits.decimals, point.value)
                                                      : Fixed(2, point.interval / 100.0);
                }
                return list;
            }
            default:
                return fail(ScpiError::UndefinedHeader, command.header + "?");
        }
    }
    const ScpiParameter& parameter = command.parameters[0];
    if (command.id == kFunction) {
        static constexpr std::string_view kShapes[] = {"SAWtooth", "TRIangle", "LIST"};
        const auto shape = ScpiKeyword(parameter, kShapes);
        if (!shape) return fail(ScpiError::IllegalParameterValue, "SAWtooth, TRIangle or LIST");
        ramp.waveform = static_cast<std::int32_t>(*shape);
        return std::nullopt;
    }
    if (command.id == kListValues || command.id == kListDwell) {
        std::vector<PointRowTexts> rows = PointListTexts(a.points, limits.decimals);
        std::size_t used = 0;
        while (used < a.points.size() && a.points[used].used) ++used;
        const std::size_t count = command.parameters.size();
        rows.resize(std::max(used, count));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (i >= count) {
                // The values set the length of the list; dwell times beyond it are refused below.
                if (command.id == kListValues) rows[i] = PointRowTexts{};
                continue;
            }
            const ScpiParameter& p = command.parameters[i];
            if (p.kind != ScpiParameter::Kind::Number)
                return fail(ScpiError::DataTypeError, "numbers");
            (command.id == kListValues ? rows[i].value : rows[i].interval) = p.text;
            if (rows[i].interval.empty()) rows[i].interval = "1";
        }
        if (command.id == kListDwell && count != used) {
            return fail(ScpiError::SettingsConflict,
                        "the list has " + std::to_string(used) + " values");
        }
        const PointListCheckResult check = CheckPointList(rows, limits);
        if (!check.Accepted()) {
            return fail(ScpiError::DataOutOfRange, "point " + std::to_string(check.row + 1));
        }
        StorePointList(rows, a.points);
        return std::nullopt;
    }
    if (parameter.kind != ScpiParameter::Kind::Number)
        return fail(ScpiError::DataTypeError, "a number");
    // The ramp's fields are checked together, as the dialog checks them, with this one changed.
    RampFieldTexts texts{AutoValueText(limits.decimals, ramp.start),
                         AutoValueText(limits.decimals, ramp.end),
                         AutoValueText(limits.decimals, ramp.step),
                         StoredIntervalText(ramp.interval), std::to_string(ramp.repeat)};
    switch (command.id) {
        case kFunctionStart:
            texts.start = parameter.text;
            break;
        case kFunctionStop:
            texts.end = parameter.text;
            break;
        case kFunctionStep:
            texts.step = parameter.text;
            break;
        case kFunctionDwell:
            texts.interval = parameter.text;
            break;
        default:
            texts.repeat = parameter.text;
            break;
    }
    const std::int32_t checkedAs = ramp.waveform == kArbitrary ? kSawtooth : ramp.waveform;
    const RampCheckResult check = CheckRampFields(checkedAs, texts, limits, ramp.interval);
    if (!check.Accepted()) return fail(ScpiError::DataOutOfRange, command.header);
    const std::int32_t waveform = ramp.waveform;
    ramp = RampToStore(waveform, check, ramp);
    return std::nullopt;
}

std::int32_t UnitServer::RunStateOf(int ch) const
{
    const auto index = static_cast<std::size_t>(ch);
    return PcDriven(state_, ch) ? state_.autoOutput[index].runState
                                : state_.unitAutoOutput[index].runState;
}

std::string UnitServer::RawStatusLine(int ch) const
{
    const ChannelSettings& c = state_.channels[static_cast<std::size_t>(ch)];
    const std::size_t range = static_cast<std::size_t>(c.range) < c.userCalibration.size()
                                  ? static_cast<std::size_t>(c.range)
                                  : 0;
    const std::int32_t run = RunStateOf(ch);
    std::string line;
    for (const long field :
         {static_cast<long>(c.range), static_cast<long>(c.outputCode),
          static_cast<long>(c.mainControl), static_cast<long>(c.mainStatus),
          static_cast<long>(c.extControl), static_cast<long>(c.extStatus),
          static_cast<long>(c.userCalibration[range].mode), static_cast<long>(run),
          static_cast<long>(state_.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode),
          static_cast<long>(connected_.load() ? 1 : 0)}) {
        line += (line.empty() ? "" : ",") + std::to_string(field);
    }
    return line;
}

std::string UnitServer::StatusLine(int ch) const
{
    const ChannelSettings& c = state_.channels[static_cast<std::size_t>(ch)];
    const RangeLimits limits = ChannelLimits(state_, ch);
    const std::int32_t run = RunStateOf(ch);
    return std::string(state_.OutputOn(ch) ? "1" : "0") + "," +
           Fixed(limits.decimals, c.outputValue) + "," + RangeKey(c.range) + "," +
           (connected_.load() ? AlarmWord(state_, ch) : "LOST") + "," + RunStateWord(run);
}

}  // namespace krv::remote
