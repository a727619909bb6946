#include "platform/Language.h"

#include <cstdlib>
#include <system_error>

namespace krv {

std::optional<Language> ParseLanguage(std::string_view word)
{
    if (word == "ja") return Language::Japanese;
    if (word == "en") return Language::English;
    return std::nullopt;
}

const char* LanguageWord(Language language)
{
    return language == Language::English ? "en" : "ja";
}

Language LocaleLanguage(const EnvironmentReader& environment)
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = environment(name);
        if (!value || *value == '\0') continue;
        std::string_view locale(value);
        // LANGUAGE is a list of preferences separated by colons; the first one counts.
        if (const auto colon = locale.find(':'); colon != std::string_view::npos) {
            locale = locale.substr(0, colon);
        }
        return locale.rfind("en", 0) == 0 ? Language::English : Language::Japanese;
    }
    return Language::Japanese;
}

Language ChooseLanguage(std::optional<Language> commandLine, std::optional<Language> stored,
                        const EnvironmentReader& environment)
{
    if (commandLine) return *commandLine;
    if (stored) return *stored;
    return LocaleLanguage(environment);
}

EnvironmentReader ProcessEnvironment()
{
    return [](const char* name) -> const char* { return std::getenv(name); };
}

std::filesystem::path EnglishCatalogue(const std::filesystem::path& programFolder)
{
    if (programFolder.empty()) return {};
    const std::filesystem::path parent = programFolder.parent_path();
    for (const std::filesystem::path& folder :
         {parent / "share" / "krv" / "translations", parent / "translations"}) {
        std::error_code error;
        const std::filesystem::path file = folder / "krv_en.qm";
        if (std::filesystem::is_regular_file(file, error)) return file;
    }
    return {};
}

std::filesystem::path ProgramFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return program.parent_path();
}

}  // namespace krv
