// Which language a program speaks: --lang, then the stored choice, then the locale, where only an
// English locale leaves the Japanese default.
#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>
#include <map>
#include <string>

#include "platform/Language.h"
#include "platform/Translate.h"

namespace krv {
namespace {

using Env = std::map<std::string, std::string>;

EnvironmentReader Reader(const Env& env)
{
    return [&env](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
}

TEST(LanguageTest, DecidedByCommandLineThenStoredChoiceThenLocale)
{
    constexpr auto J = Language::Japanese;
    constexpr auto E = Language::English;
    struct Case {
        std::optional<Language> commandLine;
        std::optional<Language> stored;
        Env env;
        Language expected;
    };
    const Case cases[] = {
        // The locale alone.
        {{}, {}, {}, J},
        {{}, {}, {{"LANG", "C"}}, J},
        {{}, {}, {{"LANG", "POSIX"}}, J},
        {{}, {}, {{"LANG", "C.UTF-8"}}, J},
        {{}, {}, {{"LANG", "ja_JP.UTF-8"}}, J},
        {{}, {}, {{"LANG", "de_DE.UTF-8"}}, J},
        {{}, {}, {{"LANG", "en_US.UTF-8"}}, E},
        {{}, {}, {{"LANG", "en"}}, E},
        {{}, {}, {{"LANG", "en_GB"}}, E},
        // The first set variable decides, in glibc's order; empty counts as unset.
        {{}, {}, {{"LANGUAGE", "en_US:ja"}, {"LANG", "ja_JP.UTF-8"}}, E},
        {{}, {}, {{"LANGUAGE", "ja:en"}, {"LANG", "en_US.UTF-8"}}, J},
        {{}, {}, {{"LANGUAGE", ""}, {"LANG", "en_US.UTF-8"}}, E},
        {{}, {}, {{"LC_ALL", "C"}, {"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "en_US.UTF-8"}}, J},
        {{}, {}, {{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, E},
        {{}, {}, {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "C"}}, E},
        {{}, {}, {{"LC_MESSAGES", "POSIX"}, {"LANG", "en_US.UTF-8"}}, J},
        // The stored choice wins over the locale, --lang over both.
        {{}, E, {{"LANG", "C"}}, E},
        {{}, J, {{"LANG", "en_US.UTF-8"}}, J},
        {E, J, {{"LANG", "C"}}, E},
        {J, E, {{"LANGUAGE", "en"}, {"LANG", "en_US.UTF-8"}}, J},
    };
    for (const Case& c : cases) {
        std::string described;
        for (const auto& [name, value] : c.env) described += name + "=" + value + " ";
        EXPECT_EQ(ChooseLanguage(c.commandLine, c.stored, Reader(c.env)), c.expected)
            << described << "--lang " << (c.commandLine ? LanguageWord(*c.commandLine) : "-")
            << ", stored " << (c.stored ? LanguageWord(*c.stored) : "-");
    }
}

TEST(LanguageTest, WordsOfLangAndTheStoredChoice)
{
    EXPECT_EQ(ParseLanguage("en"), Language::English);
    EXPECT_EQ(ParseLanguage("ja"), Language::Japanese);
    for (const char* wrong : {"", "EN", "english", "jp", "en_US", "de"}) {
        EXPECT_EQ(ParseLanguage(wrong), std::nullopt) << wrong;
    }
    for (Language l : {Language::English, Language::Japanese}) {
        EXPECT_EQ(ParseLanguage(LanguageWord(l)), l);
    }
}

TEST(LanguageTest, CatalogueFoundInstalledOrInTheBuildTree)
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("krv-lang-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    const auto touch = [](const std::filesystem::path& file) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "qm";
    };
    EXPECT_EQ(EnglishCatalogue(root / "bin"), std::filesystem::path());
    touch(root / "build" / "translations" / "krv_en.qm");
    EXPECT_EQ(EnglishCatalogue(root / "build" / "cli"),
              root / "build" / "translations" / "krv_en.qm");
    touch(root / "usr" / "share" / "krv" / "translations" / "krv_en.qm");
    EXPECT_EQ(EnglishCatalogue(root / "usr" / "bin"),
              root / "usr" / "share" / "krv" / "translations" / "krv_en.qm");
    EXPECT_EQ(EnglishCatalogue({}), std::filesystem::path());
    std::filesystem::remove_all(root);
}

// The core's texts stay the Japanese source until a program installs a translator.
TEST(LanguageTest, TrKeepsTheSourceWithoutATranslator)
{
    SetTranslateFunction(nullptr);
    EXPECT_EQ(Tr("Test", "接続"), "接続");
    SetTranslateFunction([](const char*, const char* source) -> std::string {
        return std::string(source) == "接続" ? "Connect" : source;
    });
    EXPECT_EQ(Tr("Test", "接続"), "Connect");
    EXPECT_EQ(Tr("Test", "切断"), "切断");
    SetTranslateFunction(nullptr);
    EXPECT_EQ(Tr("Test", "接続"), "接続");
}

}  // namespace
}  // namespace krv
