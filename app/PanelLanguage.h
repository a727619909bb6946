#pragma once

#include <QString>

#include <optional>

#include "platform/Language.h"

class QWidget;

namespace krv {

// The caption of the menu item and of its question, in both languages at once so that it can
// be found whatever language the panel speaks.
inline constexpr const char* kLanguageCaption = "Language / 言語";

// The language chosen from the menu, kept with the panel's other preferences (the QSettings
// "Holvik" / "Bremix2"); nothing when none was chosen or what is stored is not a language.
std::optional<Language> StoredLanguage();
void StoreLanguage(Language language);

// The language the panel runs in: --lang, else the stored choice, else the locale's.
Language PanelLanguage(std::optional<Language> commandLine);

// The language installed by InstallTranslations (Japanese until then).
Language InstalledLanguage();

// Makes the panel speak `language` from here on: its own texts from the English catalogue
// (`catalogue`, or the one found beside the program when empty) and Qt's own texts (the standard
// buttons, the file chooser) from Qt's translations (qtbase_ja for Japanese; qtbase_en, or none,
// for English); the core's texts (krv::Tr) follow. Replaces what an earlier call installed, and
// is meant to be called before the windows are built; once a language is wholly installed,
// asking for it again changes nothing. False, with a notice on standard error,
// when a part is missing: its texts then stay in the language they are written in.
bool InstallTranslations(Language language, const QString& catalogue = QString());

// Makes the core's texts (krv::Tr) speak `language` before the application exists: what the
// program prints on the terminal (--help, a wrong command line) comes first. Reads the
// catalogue found beside the program; InstallTranslations later replaces it. False when English
// was asked for and the catalogue is missing (the texts stay Japanese).
bool InstallTerminalTranslations(Language language);

// Asks which language the panel shall speak from its next start; nothing when cancelled. The
// question says in both languages that the choice takes effect at the next start.
std::optional<Language> AskLanguage(QWidget* parent, Language current);

}  // namespace krv
