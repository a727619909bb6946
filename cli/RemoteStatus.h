#pragma once

// `krvctl --connect HOST[:PORT] status`: the status of a unit that `krvctl serve` owns, printed
// and logged as `status` prints and logs a unit on a port, so a production test can log while
// it drives the unit through the server.

#include <string>

#include "files/OutputLog.h"

namespace krv::cli {

// Connects to the server at `where` ("HOST[:PORT]", HOST an IPv4 address or localhost, PORT 5025
// when left out), prints every channel, and with `watch` asks again every 50 ms and prints what
// changed until SIGINT or SIGTERM. Returns the exit status.
int RemoteStatus(const std::string& where, bool watch, bool json, OutputLog& log);

}  // namespace krv::cli
