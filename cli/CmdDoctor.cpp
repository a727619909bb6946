// The diagnosis of what keeps the unit from connecting, for a service engineer.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Simulate.h"
#include "diagnosis/Diagnosis.h"
#include "link/DeviceLink.h"
#include "platform/Translate.h"

namespace krv::cli {

namespace {

int RunDoctor(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("doctor takes no arguments");
    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    link.SetUserInterface(ui);
    DiagnosisOptions options;
    // --port, else the virtual unit's of --simulate; without either the doctor finds the port
    // under the bridge itself (and says why when it cannot).
    options.port = args.Value("--port").value_or(ActiveSimulation::PortPath());
    const DiagnosisReport report = Diagnose(link, options);

    if (args.Has("--json")) {
        JsonWriter json;
        json.BeginObject().Key("checks").BeginArray();
        int problems = 0;
        for (const Finding& f : report.findings) {
            if (f.verdict == Verdict::Problem) ++problems;
            json.BeginObject();
            json.Key("id").String(f.id);
            json.Key("title").String(f.title);
            json.Key("verdict").String(VerdictName(f.verdict));
            json.Key("detail").String(f.detail);
            json.Key("advice").String(f.advice);
            json.EndObject();
        }
        json.EndArray().Key("problems").Int(problems).EndObject();
        std::printf("%s\n", json.Text().c_str());
    } else {
        std::fputs(FormatDiagnosis(report).c_str(), stdout);
    }
    return report.HasProblem() ? kExitUnitFailed : kExitOk;
}

}  // namespace

Command DoctorCommand()
{
    return {
        "doctor",
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "発生器が接続できない理由を調べる: USB、ドライバ、権限、udev、EEPROM、ファームウェア"),
        "Usage: krvctl [--port NAME] doctor [--json]\n"
        "\n"
        "Checks, in order, and prints each with a verdict (OK, WARN, FAIL, -- not checked), what\n"
        "was found and what to do:\n"
        "  usb            the unit's bridge on USB (0403:6015 \"Holvik KRV FT230X\", serial "
        "KR...)\n"
        "  driver         the kernel's ftdi_sio bound to it, and its serial device ttyUSBn\n"
        "  serial-access  whether this user may open the serial device (and which group would)\n"
        "  usb-access     whether this user may open the bridge's USB device node\n"
        "  udev-rule      70-krv-generator.rules installed\n"
        "  latency        the bridge's latency timer at 1 ms\n"
        "  modemmanager   ModemManager running without the mark that keeps it off the port\n"
        "  holders        other programs holding the port (its lock, exclusive mode, /proc)\n"
        "  eeprom         CBUS0 and CBUS1 in I/O mode (read through libftdi; the serial port\n"
        "                 goes away meanwhile, krvctl waits up to 5 s for it to come back)\n"
        "  firmware       the unit's firmware version, asked on the port (--port, else the\n"
        "                 bridge's serial device)\n"
        "  --json   "
        "{\"checks\":[{\"id\",\"title\",\"verdict\",\"detail\",\"advice\"}],\"problems\":N}\n"
        "           with verdict ok, warning, problem or \"not checked\"\n"
        "Exits 1 when any check found a problem, 0 otherwise.\n",
        {{"--json", false}},
        RunDoctor};
}

}  // namespace krv::cli
