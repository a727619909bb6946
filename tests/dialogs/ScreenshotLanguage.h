#pragma once

#include <QString>

#include "app/PanelLanguage.h"
#include "platform/Language.h"

namespace krv::test {

// The screenshot programs speak the language the locale asks for, as the panel does without a
// stored choice: LANG=en_US.UTF-8 pictures the English dialogs. The catalogue is the build's.
inline bool InstallLocaleLanguage()
{
    return InstallTranslations(LocaleLanguage(ProcessEnvironment()), QStringLiteral(KRV_CATALOGUE));
}

}  // namespace krv::test
