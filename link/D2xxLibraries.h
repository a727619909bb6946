#pragma once

#include <memory>

#include "link/D2xx.h"

namespace krv {

// FTDI's own D2XX library ("libftd2xx.so"), or null when it is not installed.
std::shared_ptr<d2xx::D2xxLibrary> OpenVendorD2xxLibrary();

// The built-in provider over libftdi1 (see LibFtdiD2xx.h). Always available.
std::shared_ptr<d2xx::D2xxLibrary> BuiltInD2xxLibrary();

// Makes `library` the one DefaultD2xxLibrary() gives from now on (the simulated bridge's, when
// a simulation is started); null goes back to the usual choice. Install it before the
// process-wide link is created.
void InstallD2xxLibrary(std::shared_ptr<d2xx::D2xxLibrary> library);

// The installed library if there is one, else FTDI's own where it is installed, else the
// built-in one. Which one is in use is said on standard error the first time it is given, unless
// that notice has been switched off.
std::shared_ptr<d2xx::D2xxLibrary> DefaultD2xxLibrary();
// Whether DefaultD2xxLibrary() says which library it gives (on by default; krvctl says it only
// when asked to be verbose).
void ShowD2xxNotice(bool show);

// The line DefaultD2xxLibrary() writes: this prefix and the library's name.
inline constexpr const char* kD2xxNoticePrefix = "USB bridge calls (D2XX): ";
std::string D2xxNotice(const d2xx::D2xxLibrary& library);

}  // namespace krv
