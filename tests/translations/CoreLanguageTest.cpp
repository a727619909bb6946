// The core's messages in both languages: Japanese as written with no translator, English from the
// catalogue, with the numbers, names and paths they carry in place and their lines kept.
#include <gtest/gtest.h>

#include <QString>
#include <QTranslator>

#include <functional>
#include <string>

#include "files/OutputLog.h"
#include "files/SettingsFile.h"
#include "firmware/FirmwareFile.h"
#include "firmware/ProgramUnit.h"
#include "flows/UnitInformation.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "platform/Translate.h"
#include "protocol/Ranges.h"
#include "protocol/StandaloneImage.h"
#include "protocol/StandaloneMemory.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

QTranslator* theCatalogue = nullptr;

std::string FromCatalogue(const char* context, const char* source)
{
    const QString text = theCatalogue->translate(context, source);
    return text.isEmpty() ? std::string(source) : text.toStdString();
}

// The first message a piece of the core shows through its user interface.
std::string FirstMessage(const std::function<void(UserInterface&)>& act)
{
    test::RecordingUi ui;
    act(ui);
    return ui.Messages().empty() ? std::string("(none)") : ui.Messages()[0].text;
}

// Lines `from` to `to` (counted from 0) of the unit information text, joined by CR LF.
std::string InformationLines(int from, int to)
{
    AppValues app;
    GeneratorState state(app, nullptr);
    const std::string text = FormatUnitInformation(state, 1);
    std::size_t begin = 0;
    for (int i = 0; i < from; ++i) begin = text.find("\r\n", begin) + 2;
    std::size_t end = begin;
    for (int i = from; i <= to; ++i) end = text.find("\r\n", end) + 2;
    return text.substr(begin, end - 2 - begin);
}

FirmwareFileCheck Fault(FirmwareFault fault, std::size_t record, std::uint64_t size,
                        std::uint32_t address = 0)
{
    FirmwareFileCheck check;
    check.fault = fault;
    check.record = record;
    check.size = size;
    check.address = address;
    return check;
}

TEST(CoreLanguageTest, MessagesInBothLanguages)
{
    static QTranslator catalogue;
    ASSERT_TRUE(catalogue.load(QStringLiteral(KRV_CATALOGUE)));
    theCatalogue = &catalogue;

    struct Case {
        const char* name;
        std::function<std::string()> text;
        const char* japanese;
        const char* english;
    };
    const Case table[] = {
        {"record cut", [] { return Fault(FirmwareFault::RecordCut, 7, 1234).Reason(); },
         "レコード7の途中、1234バイトで切れています",
         "The file ends inside record 7, after 1234 bytes"},
        {"header cut", [] { return Fault(FirmwareFault::HeaderCut, 0, 3).Reason(); },
         "ヘッダーの途中、3バイトで切れています", "The file ends inside its header, after 3 bytes"},
        {"outside", [] { return Fault(FirmwareFault::Outside, 12, 0, 0x0001FF00).Reason(); },
         "レコード12のデータが範囲外です(アドレス0001FF00)",
         "Record 12 holds data out of range (address 0001FF00)"},
        {"refusal", [] { return FirmwareFileRefusal(Fault(FirmwareFault::NoEnd, 0, 0)); },
         "転送ファイルに誤りがあります \n終了レコードがありません",
         "The firmware file is not valid \nThere is no end record"},
        {"question", [] { return UpdateQuestion("", "020100"); },
         "更新しますか？\n発生器 不明 → ファイル 020100",
         "Update the firmware?\nUnit unknown → file 020100"},
        {"erased", [] { return ErasedUnitNote("/tmp/K123.cal"); },
         "発生器のプログラムは消去されています\n補正データの保存先: /tmp/K123.cal\n"
         "もう一度更新を実行してください",
         "The unit's program has been erased\nCalibration saved in: /tmp/K123.cal\n"
         "Run the update again"},
        {"range", [] { return RangeDisplayName(kRangeE4_20mA); }, "外 4～20 mA", "Ext 4-20 mA"},
        {"scaled range", [] { return RangeDisplayName(kScaledRange); }, "換算式", "Scaled"},
        {"device error", [] { return DeviceErrorText(0x3A); }, "E2-2 ブランク異常",
         "E2-2 blank check error"},
        {"unreadable code", [] { return MemoryRefusalText(kDeviceCodeUnreadable); },
         "NG（エラーコード読取不能）", "NG (error code unreadable)"},
        {"image item", [] { return ImageItemName(kImagePointValue); }, "任意波　値",
         "Arbitrary wave: value"},
        {"output log",
         [] {
             return FirstMessage([](UserInterface& ui) {
                 OutputLog log(ui);
                 log.Start("/nonexistent-folder/out.csv");
             });
         },
         "出力記録ファイルを作成できません。\n/nonexistent-folder/out.csv\n(No such file or "
         "directory)",
         "Cannot create the output log file.\n/nonexistent-folder/out.csv\n(No such file or "
         "directory)"},
        {"settings file cut short",
         [] {
             return FirstMessage([](UserInterface& ui) {
                 AppValues app;
                 GeneratorState state(app, nullptr);
                 LoadSettings(state, app, std::string(64, 'x'), "a.ini", ui);
             });
         },
         "a.ini の末尾以降にアクセスしようとしました。", "a.ini ends too early."},
        {"unit information",
         [] {
             AppValues app;
             GeneratorState state(app, nullptr);
             const std::string text = FormatUnitInformation(state, 1);
             const auto from = text.find("\r\n") + 2;  // after the version
             return text.substr(from, text.find("\r\n", text.find("\r\n", from) + 4) - from);
         },
         "回路数\t1\r\n\r\nアナログ出力調整値", "Circuits\t1\r\n\r\nAnalog output calibration"},
        // The columns' headings keep their ideographic spaces in both: they place them.
        {"unit information headings", [] { return InformationLines(4, 5); },
         "　　　　　　　　　　　　　　メーカー　　　　　　　ユーザー\r\n"
         "　　　　　　　　　　　ZERO　　　GAIN　　　ZERO　　GAIN　　　　MODE",
         "　　　　　　　　　　　　　　Maker　　　　　　　　User\r\n"
         "　　　　　　　　　　　ZERO　　　GAIN　　　ZERO　　GAIN　　　　MODE"},
    };
    for (const bool english : {false, true}) {
        SetTranslateFunction(english ? FromCatalogue : nullptr);
        for (const Case& c : table) {
            EXPECT_EQ(c.text(), english ? c.english : c.japanese)
                << (english ? "en: " : "ja: ") << c.name;
        }
    }
    SetTranslateFunction(nullptr);
}

}  // namespace
}  // namespace krv
