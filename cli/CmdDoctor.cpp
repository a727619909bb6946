// The diagnosis of what keeps the unit from connecting, for a service engineer.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Simulate.h"
#include "diagnosis/Diagnosis.h"
#include "link/DeviceLink.h"

namespace krv::cli {

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

}  // namespace krv::cli
