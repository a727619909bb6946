#pragma once

#include "platform/Language.h"

namespace krv::cli {

// Makes krvctl's texts speak `language`: for English, the catalogue beside the program is loaded
// and krv::Tr answers from it. When it cannot be loaded, a notice goes to standard error and the
// texts stay Japanese.
void UseLanguage(Language language);

}  // namespace krv::cli
