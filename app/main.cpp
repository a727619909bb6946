// bremix2: the KRV control panel.
#include <QApplication>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CBremixApp.h"
#include "app/CommandLine.h"
#include "app/PanelLanguage.h"
#include "app/ShutdownSignals.h"
#include "platform/Trace.h"
#include "platform/Translate.h"

namespace {

int UsageError(const std::string& error)
{
    std::fprintf(stderr, "bremix2: %s\n%s\n", error.c_str(),
                 krv::Tr("CommandLine", "詳しくは 'bremix2 --help' を見てください。").c_str());
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    // The program's own options are checked before Qt needs a display, so that --help and
    // mistakes are answered on any terminal.
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The stored choice of the panel is read without the application: QSettings is given the
    // organisation and application names itself.
    krv::InstallTerminalTranslations(krv::PanelLanguage(krv::LanguageArgument(args)));
    std::string error;
    const auto early = krv::ParseCommandLine(args, false, &error);
    if (!early) return UsageError(error);
    if (early->help) {
        std::fputs(krv::CommandLineUsage().c_str(), stdout);
        return 0;
    }

    QApplication application(argc, argv);  // takes Qt's own options out of argv
    krv::SetApplicationIdentity();
    const auto options =
        krv::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), true, &error);
    if (!options) return UsageError(error);

    // Outlives the panel, so the last frames of closing the port are in it.
    krv::TraceSession trace;
    std::optional<std::string> tracePath;
    if (!options->traceFile.empty()) tracePath = options->traceFile;
    if (!trace.Start(tracePath, "bremix2", &error)) {
        std::fprintf(
            stderr, "bremix2: %s\n",
            krv::WithArg(krv::Tr("CommandLine", "トレースを書き込めません: %1"), error).c_str());
        return 1;
    }
    krv::ShutdownSignals shutdownSignals;
    krv::CBremixApp app(*options);
    switch (app.InitInstance(&error)) {
        case krv::CBremixApp::StartResult::Running:
            return shutdownSignals.Requested() ? 0 : application.exec();
        case krv::CBremixApp::StartResult::Cancelled:
            return 0;
        case krv::CBremixApp::StartResult::Failed:
            std::fprintf(stderr, "bremix2: %s\n", error.c_str());
            return 1;
    }
    return 1;
}
