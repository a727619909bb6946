// Settings files: layout, versions, damaged and hostile files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <limits>

#include "files/LastStateFile.h"
#include "files/SettingsFile.h"
#include "model/ChannelOperations.h"
#include "model/ValueDisplay.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

constexpr const char* kPath = "/home/user/設定.ini";

// Builds settings files by hand, little-endian.
struct FileBuilder {
    std::string bytes;
    FileBuilder& Le(std::uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i, v >>= 8) bytes.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    FileBuilder& I32(std::int32_t v) { return Le(static_cast<std::uint32_t>(v), 4); }
    FileBuilder& F64(double v) { return Le(std::bit_cast<std::uint64_t>(v), 8); }
    FileBuilder& Str(std::string_view s) { return Le(s.size(), 1).Raw(s); }
    FileBuilder& Raw(std::string_view s) { return bytes.append(s), *this; }
};

class SettingsFileTest : public ::testing::Test {
  protected:
    std::string Save(const GeneratorState& s, bool* replaced = nullptr) const
    {
        return SaveSettings(s, app, replaced);
    }
    LoadOutcome Load(GeneratorState& s, std::string_view bytes)
    {
        return LoadSettings(s, app, bytes, kPath, ui);
    }

    // Something other than a default in every saved field.
    void FillEverything()
    {
        state.circuitCount = 2;
        app.lastPortName = "ttyUSB0";
        app.linkedAutoOutput = true;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            ChannelSettings& c = state.channels[ch];
            c = {kValidRanges[ch + 3], ch % 2 == 1, -1.5 * ch, 250.0 + ch, ch, ch ? "kPa" : "℃"};
            for (int k = 0; k < kRangeTableSize; ++k) {
                for (int i = 0; i < kPresetsPerRange; ++i) c.presets[k][i] = k * 10 + i + ch / 8.0;
            }
            AutoOutputChannel& a = state.autoOutput[ch];
            a.standaloneMode = ch % 3;
            for (int k = 0; k < kRangeTableSize; ++k) {
                a.ramps[k] = {k % 3, k * 7, 0.1f * k, 2.5f + k, 0.25f, 15 + k, k % 2 == 0};
            }
            for (int i = 0; i < kArbitraryPointCount; i += 37) {
                a.points[i] = {true, 0.001f * i, i + 1, i % 2 == 1};
            }
        }
        // A NaN with a payload must come back with the same bits.
        state.channels[3].presets[4][4] = std::bit_cast<double>(0x7FF8000000000123ull);
    }

    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
    GeneratorState other{app};
};

TEST_F(SettingsFileTest, FreshOneCircuitSetHasTheKnownSizeAndHeader)
{
    const std::string bytes = Save(state);
    ASSERT_EQ(bytes.size(), 45865u);
    EXPECT_EQ(bytes.substr(0, 31), std::string("\x13<<## KRV Start ##>>\x04"
                                               "0120\1\0\0\0\0\0",
                                               31));
    EXPECT_EQ(bytes.substr(bytes.size() - 18), "\x11<<## KRV End ##>>");
    ASSERT_EQ(Load(other, bytes), LoadOutcome::Loaded);
    EXPECT_EQ(app.mainWindowWidth, 300);
}

TEST_F(SettingsFileTest, SavedFileLoadsBackBitForBit)
{
    FillEverything();
    const std::string saved = Save(state);
    EXPECT_EQ(saved.size(), 45865u + 7 + 2 + 3 * 3);
    AppValues otherApp;
    ASSERT_EQ(LoadSettings(other, otherApp, saved, kPath, ui), LoadOutcome::Loaded);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(SaveSettings(other, otherApp), saved);
    EXPECT_EQ(otherApp.mainWindowWidth, 482);
    EXPECT_EQ(otherApp.lastPortName, "ttyUSB0");
    EXPECT_EQ(other.channels[0].scaledUnit, "℃");
    EXPECT_EQ(other.channels[1].range, kRange4_20mA);
}

TEST_F(SettingsFileTest, TextsAreCp932OnDisk)
{
    state.channels[0].scaledUnit = "℃";
    state.channels[1].scaledUnit = "m😀";  // no CP932 form
    app.lastPortName = "ポート";
    bool replaced = false;
    const std::string bytes = Save(state, &replaced);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(bytes.substr(29, 7), "\x06\x83\x7C\x81\x5B\x83\x67");
    EXPECT_EQ(bytes.substr(37 + 25, 3), "\x02\x81\x8E");
    app.lastPortName.clear();
    ASSERT_EQ(Load(other, bytes), LoadOutcome::Loaded);
    EXPECT_EQ(other.channels[0].scaledUnit, "℃");
    EXPECT_EQ(other.channels[1].scaledUnit, "m?");
    EXPECT_EQ(app.lastPortName, "ポート");
    Save(other, &replaced);
    EXPECT_FALSE(replaced);
}

TEST_F(SettingsFileTest, VersionIsTheLeadingNumberOfItsText)
{
    FillEverything();
    const std::string saved = Save(state);
    auto withVersion = [&saved](std::string_view version) {
        return FileBuilder().Raw(saved.substr(0, 20)).Str(version).Raw(saved.substr(25)).bytes;
    };
    for (std::string_view accepted : {"120", "  120", "+120", "120abc"}) {
        GeneratorState loaded(app);
        EXPECT_EQ(Load(loaded, withVersion(accepted)), LoadOutcome::Loaded) << accepted;
        EXPECT_EQ(Save(loaded), saved);
    }
    EXPECT_TRUE(ui.Messages().empty());

    const std::string untouched = Save(other);
    for (std::string_view refused : {"0130", "abc", "", "-120", "99999999999999999999120"}) {
        EXPECT_EQ(Load(other, withVersion(refused)), LoadOutcome::WrongVersion) << refused;
    }
    EXPECT_EQ(Save(other), untouched);
    ASSERT_EQ(ui.Messages().size(), 5u);
    EXPECT_EQ(ui.Messages()[0].text,
              "ファイルバージョンが異なります、最新バージョンをインストールしてください。");
    EXPECT_EQ(ui.Messages()[0].caption, "Bremix2");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);

    std::string wrongMarker = saved;
    wrongMarker[5] = 'k';
    ui.Clear();
    EXPECT_EQ(Load(other, wrongMarker), LoadOutcome::WrongMarker);
    EXPECT_EQ(Save(other), untouched);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ファイル形式が違います。"});
}

TEST_F(SettingsFileTest, TruncatedFileKeepsWhatWasReadBeforeTheEnd)
{
    EXPECT_EQ(Load(other, ""), LoadOutcome::Truncated);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{
                              "/home/user/設定.ini の末尾以降にアクセスしようとしました。"});

    FillEverything();
    const std::string saved = Save(state);
    other.channels[1].presets[0].fill(-7.0);
    // Header (38 bytes), channel 1 (11454 + 2), channel 2 up to the middle of its 4th preset.
    const std::size_t cut = 38 + 11456 + 26 + 3 + 3 * 8 + 4;
    EXPECT_EQ(Load(other, std::string_view(saved).substr(0, cut)), LoadOutcome::Truncated);
    EXPECT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(other.autoOutput[0].points[37].value, state.autoOutput[0].points[37].value);
    EXPECT_EQ(other.channels[1].scaledUnit, "kPa");
    EXPECT_EQ(other.channels[1].presets[0][2], state.channels[1].presets[0][2]);
    EXPECT_EQ(other.channels[1].presets[0][3], -7.0);
    EXPECT_EQ(other.autoOutput[1].standaloneMode, 0);
}

TEST_F(SettingsFileTest, HugeLengthPrefixIsTruncationNotAnAllocation)
{
    const std::string ff(16, '\xFF');
    for (const std::string& prefix : {
             ff.substr(0, 3) + "\xF0" + ff.substr(0, 3),  // 4 GB
             ff.substr(0, 14) + "\x7F",                   // 2^63 bytes
             "\xFF\xFE" + ff.substr(0, 15) + "\x3F",      // wide, 2^62 units
         }) {
        EXPECT_EQ(Load(other, prefix + "<<## KRV Start ##>>"), LoadOutcome::Truncated);
    }
}

TEST_F(SettingsFileTest, WideStringsAreRead)
{
    FillEverything();
    const std::string saved = Save(state);
    FileBuilder wide;
    wide.Le(0xFF, 1).Le(0xFFFE, 2).Le(19, 1);
    for (char c : std::string_view("<<## KRV Start ##>>"))
        wide.Le(static_cast<unsigned char>(c), 2);
    wide.Le(0xFF, 1).Le(0xFFFE, 2).Le(5, 1);  // "0120é": é has no CP932 form
    for (char16_t c : std::u16string_view(u"0120\u00E9")) wide.Le(c, 2);
    ASSERT_EQ(Load(other, wide.Raw(saved.substr(25)).bytes), LoadOutcome::Loaded);
    EXPECT_EQ(Save(other), saved);
}

// A version 110 or 100 file with every channel alike.
std::string OldFile(int version)
{
    const bool v110 = version == 110;
    FileBuilder f;
    f.Str("<<## KRV Start ##>>").Str(v110 ? "0110" : "0100").I32(2).Str("COM3");
    if (v110) f.Le(1, 1);
    for (int ch = 0; ch < 4; ++ch) {
        f.Le(0, 1).I32(kRange0_10V).F64(-5.0).F64(5.0).I32(1);
        if (v110) f.Str("mm");
        for (int i = 0; i < 128; ++i) f.F64(i * 0.5);
        for (int k = 0; k < 16; ++k) {
            f.I32(1).I32(3).F64(0.1).F64(1e300).F64(0.3).I32(15);
            if (v110) f.Le(1, 1);
        }
        for (int i = 0; i < (v110 ? 1000 : 100); ++i) {
            f.Le(1, 1).F64(0.7).I32(i == 0 ? 300000000 : 2);
            if (v110) f.Le(1, 1);
        }
    }
    return f.bytes;
}

TEST_F(SettingsFileTest, Version110IsConverted)
{
    state.autoOutput[0].standaloneMode = 2;
    ASSERT_EQ(Load(state, OldFile(110)), LoadOutcome::Loaded);
    EXPECT_TRUE(app.linkedAutoOutput);
    const AutoOutputChannel& a = state.autoOutput[0];
    EXPECT_EQ(a.standaloneMode, 0);
    EXPECT_EQ(state.channels[3].scaledUnit, "mm");
    EXPECT_EQ(state.channels[3].presets[15][7], 63.5);
    EXPECT_EQ(a.ramps[4].start, 0.1f);
    EXPECT_EQ(a.ramps[4].end, std::numeric_limits<float>::infinity());
    EXPECT_EQ(a.ramps[4].interval, 150);
    EXPECT_TRUE(a.ramps[4].reserved);
    EXPECT_EQ(a.points[999].value, 0.7f);
    EXPECT_EQ(a.points[999].interval, 20);
    EXPECT_TRUE(a.points[999].pause);
    EXPECT_EQ(a.points[0].interval, 2147483647);  // ten times more than fits
}

TEST_F(SettingsFileTest, Version100KeepsWhatItDoesNotCarry)
{
    app.linkedAutoOutput = true;
    state.channels[1].scaledUnit = "old";
    state.autoOutput[1].points[100] = {true, 9.0f, 55, true};
    state.autoOutput[1].ramps[2].reserved = true;
    ASSERT_EQ(Load(state, OldFile(100)), LoadOutcome::Loaded);
    EXPECT_TRUE(app.linkedAutoOutput);
    EXPECT_EQ(app.lastPortName, "COM3");
    EXPECT_EQ(state.channels[1].scaledUnit, "");
    const AutoOutputChannel& a = state.autoOutput[1];
    EXPECT_FALSE(a.ramps[2].reserved);
    EXPECT_EQ(a.ramps[2].step, 0.3f);
    EXPECT_EQ(a.points[99].interval, 20);
    EXPECT_FALSE(a.points[99].pause);
    EXPECT_EQ(a.points[100].value, 9.0f);
    EXPECT_TRUE(a.points[100].pause);
}

TEST_F(SettingsFileTest, FilesThatCannotBeReadAreReported)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("krv-sf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    EXPECT_EQ(LoadSettingsFile(state, app, folder / "missing.ini", ui), LoadOutcome::ReadError);
    EXPECT_EQ(LoadSettingsFile(state, app, folder, ui), LoadOutcome::ReadError);
    EXPECT_EQ(ui.Messages().size(), 2u);
    FillEverything();
    ASSERT_TRUE(SaveSettingsFile(state, app, folder / "saved.ini"));
    EXPECT_EQ(LoadSettingsFile(other, app, folder / "saved.ini", ui), LoadOutcome::Loaded);
    EXPECT_EQ(Save(other), Save(state));
    std::filesystem::remove_all(folder);
}

// Channel ranges no file of this program holds, from a damaged or hostile file. Each one used to
// index past the per-range tables (presets, ramps) of whatever showed the loaded settings.
constexpr std::int32_t kHostileRanges[] = {4096, std::numeric_limits<std::int32_t>::max(),
                                           -1,   std::numeric_limits<std::int32_t>::min(),
                                           16,   15,
                                           13,   9,
                                           4};

// Offset of channel c's range in a version 120 file without texts.
constexpr std::size_t RangeOffset(int c)
{
    return 31 + 1 + static_cast<std::size_t>(c) * 11454;
}

TEST_F(SettingsFileTest, RangesOutsideTheTableLoadAsRangeZeroOnEveryPath)
{
    state.ResetForCircuitCount(2);
    state.autoOutput[1].ramps[0].start = 1.5f;
    const std::string good = Save(state);
    const std::filesystem::path lastState = std::filesystem::temp_directory_path() /
                                            ("krv-hostile-" + std::to_string(::getpid())) /
                                            "krv2.ini";
    std::filesystem::create_directories(lastState.parent_path());
    for (const std::int32_t range : kHostileRanges) {
        std::string bytes = good;
        for (int c : {0, 1}) {
            for (int i = 0; i < 4; ++i) {
                bytes[RangeOffset(c) + i] =
                    static_cast<char>((static_cast<std::uint32_t>(range) >> (8 * i)) & 0xFF);
            }
        }
        // A file the user opens, and the same file as the last state (loaded, then repaired).
        GeneratorState opened(app);
        EXPECT_EQ(Load(opened, bytes), LoadOutcome::Loaded) << range;
        {
            std::ofstream(lastState, std::ios::binary) << bytes;
        }
        GeneratorState restored(app);
        ASSERT_TRUE(LoadLastState(restored, app, ui, lastState)) << range;
        restored.NormaliseChannels();
        restored.ValidateAutoOutput();
        for (const GeneratorState* loaded : {&opened, &restored}) {
            for (int c : {0, 1}) {
                EXPECT_EQ(loaded->channels[c].range, 0) << range;
                EXPECT_EQ(loaded->channels[c].mainControl & 0x7, 0) << range;
                EXPECT_EQ(loaded->RangeInEffect(c), 0) << range;
            }
            // Channel 2's ramp of range 0 is what the panel and `settings show` now take.
            EXPECT_EQ(AutoOutputPanelTexts(*loaded, 1).start, " 1.500") << range;
            EXPECT_EQ(Save(*loaded), good) << range;
        }
    }
    EXPECT_TRUE(ui.Messages().empty());
    std::filesystem::remove_all(lastState.parent_path());
}

TEST_F(SettingsFileTest, EveryConsumerOfARangeStaysInsideTheTables)
{
    // However a channel came by a range outside the table, what indexes by it takes the scaled
    // range's row, as every code without limits of its own does.
    state.ResetForCircuitCount(1);
    ChannelSettings& c = state.channels[0];
    c.presets[kScaledRange].fill(42.0);
    state.autoOutput[0].ramps[kScaledRange].start = 7.0f;
    for (const std::int32_t range : kHostileRanges) {
        if (range >= 0 && range < kRangeTableSize && range != kScaledRange) continue;
        c.range = range;
        EXPECT_EQ(state.RangeInEffect(0), kScaledRange) << range;
        EXPECT_EQ(PresetSlot(state, 0), kScaledRange) << range;
        EXPECT_EQ(AutoOutputPanelTexts(state, 0).start, "     7") << range;
        SelectPreset(state, 0, 3);
        EXPECT_EQ(c.outputValue, 42.0) << range;
        EXPECT_EQ(ValueText(state, 0), "     42") << range;
        EXPECT_EQ(state.BuildOutputFrame(0).size(), 47u) << range;
    }
}

}  // namespace
}  // namespace krv
