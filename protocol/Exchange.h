#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "link/LinkKind.h"

namespace krv {

class DeviceLink;

inline constexpr std::chrono::milliseconds kShortTimeout{501};
inline constexpr std::chrono::milliseconds kMemoryTimeout{3001};

// What a complete line means to the exchange waiting for it.
enum class LineVerdict {
    Ignore,     // not for us: keep waiting
    Match,      // the reply: the exchange succeeds
    Fail,       // a refusal: the exchange ends at once as refused
    WrongLine,  // counted as a try and answered by sending the command again
};

enum class ExchangeResult { Success, Refused, GaveUp };

// How one command talks to the unit.
struct ExchangeSettings {
    LinkKind link = LinkKind::Com;
    std::chrono::milliseconds timeout = kShortTimeout;
    // Read one line's worth before the first send (VER and CH skip this; they drain once per send).
    bool drainBeforeFirstSend = true;
    // Forget a partly assembled line at every send and after every time-out (VER and CH), so
    // leftovers of earlier traffic cannot prefix the reply.
    bool resetFillOnSend = false;
    // On a time-out send the command again; otherwise only the wait restarts.
    bool resendOnTimeout = true;
    bool waitCursor = true;
    // Wrong lines have their own counter instead of sharing the time-out counter (VER and CH).
    bool separateWrongLineCount = false;
    // A pause, spent draining whatever arrives, before the first send and before every send
    // that answers a wrong line; a send after a time-out goes out at once. The calibration reads
    // need it.
    std::chrono::milliseconds pauseBeforeSend{0};
    // Tries counted across several exchanges (a transfer of many frames that may time out only so
    // often in all): when given, counting starts from its value and leaves the count there.
    int* sharedTries = nullptr;
};

// The largest number of tries counted before an exchange gives up: a command goes out at most
// four times.
inline constexpr int kMaxRetries = 3;

// Sends `frame` and waits for the reply that `judge` accepts: opens the link if needed, drains,
// sends, waits, times out, resends and gives up as `settings` say. On Success the reply is the
// link's ReplyLine(). The waiting never spins: it sleeps until the link has input or the time-out
// is due.
ExchangeResult RunExchange(DeviceLink& link, const ExchangeSettings& settings,
                           std::string_view frame,
                           const std::function<LineVerdict(std::string_view line)>& judge);

}  // namespace krv
