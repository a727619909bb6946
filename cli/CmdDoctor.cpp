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
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "doctor は引数をとりません"));
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
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl [--port NAME] doctor [--json]\n"
            "\n"
            "次の順に調べ、それぞれを判定 (正常、注意、異常、-- 未確認)、見つかったこと、すべき\n"
            "ことと共に表示します:\n"
            "  usb            USB 上の発生器のブリッジ (0403:6015 \"Holvik KRV "
            "FT230X\"、シリアル番号 "
            "KR...)\n"
            "  driver         カーネルの ftdi_sio が結び付いているか、そのシリアルデバイス "
            "ttyUSBn\n"
            "  serial-access  このユーザーがシリアルデバイスを開けるか (開けるグループはどれか)\n"
            "  usb-access     このユーザーがブリッジの USB デバイスノードを開けるか\n"
            "  udev-rule      70-krv-generator.rules が組み込まれているか\n"
            "  latency        ブリッジのレイテンシタイマーが 1 ms か\n"
            "  modemmanager   ポートから遠ざける印なしで ModemManager が動いていないか\n"
            "  holders        ポートを持つ他のプログラム (ロック、排他モード、/proc)\n"
            "  eeprom         CBUS0 と CBUS1 が I/O モードか (libftdi で読みます。その間シリアル\n"
            "                 ポートは消え、krvctl は戻るのを最大 5 秒待ちます)\n"
            "  firmware       発生器のファームウェアのバージョン。ポート (--port、なければ\n"
            "                 ブリッジのシリアルデバイス) で問い合わせます\n"
            "  --json   "
            "{\"checks\":[{\"id\",\"title\",\"verdict\",\"detail\",\"advice\"}],\"problems\":N}\n"
            "           verdict は ok、warning、problem、\"not checked\" "
            "のいずれか。title、detail、\n"
            "           advice は表示の言語です\n"
            "いずれかの確認で問題が見つかれば終了ステータス 1、それ以外は 0 で終わります。\n"),
        {{"--json", false}},
        RunDoctor};
}

}  // namespace krv::cli
