#pragma once

// Every command and query `krvctl serve` knows, as its manual lists them. Channel-numbered nodes
// (#) take 1 to 4; a command left without a number means channel 1.

#include <array>

#include "remote/Scpi.h"

namespace krv::remote {

enum ScpiCommandId : int {
    kIdn = 1,        // *IDN?
    kRst,            // *RST
    kCls,            // *CLS
    kOpc,            // *OPC and *OPC?
    kWai,            // *WAI
    kEsr,            // *ESR?
    kEse,            // *ESE and *ESE?
    kStb,            // *STB?
    kTst,            // *TST?
    kSystemError,    // SYSTem:ERRor[:NEXT]?
    kSystemVersion,  // SYSTem:VERSion?
    kOutput,         // OUTPut#[:STATe] ON|OFF and ?
    kRange,          // SOURce#:RANGe key and ?
    kValue,          // SOURce#:VALue number and ?
    kStatus,         // MEASure#:STATus? and STATus#?
    kFunction,       // SOURce#:FUNCtion SAWtooth|TRIangle|LIST and ?
    kFunctionStart,  // SOURce#:FUNCtion:STARt number and ?
    kFunctionStop,   // SOURce#:FUNCtion:STOP number and ?
    kFunctionStep,   // SOURce#:FUNCtion:STEP number and ?
    kFunctionDwell,  // SOURce#:FUNCtion:DWELl seconds and ?
    kFunctionCount,  // SOURce#:FUNCtion:COUNt cycles (0: without end) and ?
    kListValues,     // SOURce#:LIST:VALues v1,v2,… and ?
    kListDwell,      // SOURce#:LIST:DWELl s1,s2,… and ?
    kInitiate,       // INITiate#[:IMMediate]
    kAbort,          // ABORt#
    kRunState,       // SOURce#:FUNCtion:STATe? (STOPPED, RUNNING or PAUSED)
    kStatusRaw,      // STATus#:RAW?: the channel's status words, for krvctl --connect
};

inline constexpr std::array<ScpiCommandSpec, 28> kScpiCommands{{
    {"*IDN", kIdn},
    {"*RST", kRst},
    {"*CLS", kCls},
    {"*OPC", kOpc},
    {"*WAI", kWai},
    {"*ESR", kEsr},
    {"*ESE", kEse},
    {"*STB", kStb},
    {"*TST", kTst},
    {"SYSTem:ERRor[:NEXT]", kSystemError},
    {"SYSTem:VERSion", kSystemVersion},
    {"OUTPut#[:STATe]", kOutput},
    {"[SOURce#]:RANGe", kRange},
    {"[SOURce#]:VALue", kValue},
    {"MEASure#:STATus", kStatus},
    {"STATus#", kStatus},
    {"STATus#:RAW", kStatusRaw},
    {"[SOURce#]:FUNCtion[:SHAPe]", kFunction},
    {"[SOURce#]:FUNCtion:STARt", kFunctionStart},
    {"[SOURce#]:FUNCtion:STOP", kFunctionStop},
    {"[SOURce#]:FUNCtion:STEP", kFunctionStep},
    {"[SOURce#]:FUNCtion:DWELl", kFunctionDwell},
    {"[SOURce#]:FUNCtion:COUNt", kFunctionCount},
    {"[SOURce#]:FUNCtion:STATe", kRunState},
    {"[SOURce#]:LIST:VALues", kListValues},
    {"[SOURce#]:LIST:DWELl", kListDwell},
    {"INITiate#[:IMMediate]", kInitiate},
    {"ABORt#", kAbort},
}};

}  // namespace krv::remote
