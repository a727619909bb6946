#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace krv {

// The languages the program speaks. Japanese is its own; English comes from the catalogue.
enum class Language { Japanese, English };

// "ja" or "en", as --lang and the panel's stored choice write them; nothing for anything else.
std::optional<Language> ParseLanguage(std::string_view word);
const char* LanguageWord(Language language);

// Reads one environment variable; null when it is not set.
using EnvironmentReader = std::function<const char*(const char* name)>;

// The language the user's locale asks for: the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG
// that is set and not empty decides (LANGUAGE by its first entry). English when it starts with
// "en"; Japanese for C, POSIX and every other locale, and when none is set.
Language LocaleLanguage(const EnvironmentReader& environment);

// The language a program runs in: --lang when given, else the choice the user stored, else the
// locale's.
Language ChooseLanguage(std::optional<Language> commandLine, std::optional<Language> stored,
                        const EnvironmentReader& environment);

// The process's environment, for the functions above.
EnvironmentReader ProcessEnvironment();

// The compiled English catalogue (krv_en.qm) beside a program: installed, under
// share/krv/translations next to the program's bin folder; in the build tree, in translations/
// next to the program's folder. Empty when neither has it.
std::filesystem::path EnglishCatalogue(const std::filesystem::path& programFolder);

// The folder of the running program (from /proc/self/exe); empty when it cannot be read.
std::filesystem::path ProgramFolder();

}  // namespace krv
