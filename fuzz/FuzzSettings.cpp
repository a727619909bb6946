// Loads arbitrary bytes as a settings file. Whatever part of them is taken, the settings set must
// save and load again in full, and the load must never read past the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/AppValues.h"
#include "document/GeneratorState.h"
#include "document/SettingsFile.h"
#include "link/DeviceLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static krv::SilentUserInterface ui;
    static krv::DeviceLink link(ui);  // never opened: nothing is sent anywhere
    krv::AppValues app;
    krv::GeneratorState state(link, app);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    krv::LoadSettings(state, app, bytes, "fuzz.ini", ui);

    const std::string saved = krv::SaveSettings(state, app);
    krv::AppValues appAgain;
    krv::GeneratorState again(link, appAgain);
    if (krv::LoadSettings(again, appAgain, saved, "again.ini", ui) != krv::LoadOutcome::Loaded) {
        std::fprintf(stderr, "broken: a saved settings set does not load again\n");
        std::abort();
    }
    if (krv::SaveSettings(again, appAgain) != saved) {
        std::fprintf(stderr, "broken: saving, loading and saving again changed the file\n");
        std::abort();
    }
    return 0;
}
