#include "protocol/Exchange.h"

#include <string>

#include "link/DeviceLink.h"
#include "platform/Clock.h"
#include "platform/Trace.h"

namespace krv {

namespace {

std::string TracePort(DeviceLink& link, LinkKind kind)
{
    return kind == LinkKind::Ftdi ? link.FtdiPort().TraceName() : link.PortName();
}

// "VER\r\n: " and what happened to it.
void TraceOutcome(DeviceLink& link, LinkKind kind, std::string_view frame, const std::string& what)
{
    if (!TraceOn()) return;
    TraceEvent(TraceKind::Exchange, TracePort(link, kind), TraceEscape(frame) + ": " + what);
}

std::string TryText(int tries)
{
    return "try " + std::to_string(tries + 1) + " of " + std::to_string(kMaxRetries + 1);
}

}  // namespace

ExchangeResult RunExchange(DeviceLink& link, const ExchangeSettings& settings,
                           std::string_view frame,
                           const std::function<LineVerdict(std::string_view line)>& judge)
{
    const LinkKind kind = settings.link;
    // A failed open has shown its own message; the tries then time out.
    if (!link.IsLinkOpen(kind)) link.OpenLink(kind);
    WaitCursor cursor(link.Ui(), settings.waitCursor);

    if (settings.drainBeforeFirstSend) link.ReadLine(kind);
    int ownTries = 0;
    int& tries = settings.sharedTries != nullptr ? *settings.sharedTries : ownTries;
    int wrongLines = 0;

    const auto pause = [&] {
        if (settings.pauseBeforeSend.count() <= 0) return;
        const TimePoint until = Now() + settings.pauseBeforeSend;
        while (Now() < until) {
            const ReadLineResult r = link.ReadLine(kind);
            if (r != kLineComplete && r != kLineDiscarded) link.WaitForInput(kind, until);
        }
    };
    TimePoint sentAt;
    auto send = [&] {
        link.ReadLine(kind);
        if (settings.resetFillOnSend) link.ResetReplyFill();
        link.WriteText(kind, frame);
        sentAt = Now();
    };

    pause();
    send();
    for (;;) {
        const ReadLineResult r = link.ReadLine(kind);
        if (r == kLineComplete) {
            switch (judge(link.ReplyLine())) {
                case LineVerdict::Match:
                    return ExchangeResult::Success;
                case LineVerdict::Fail:
                    TraceOutcome(link, kind, frame,
                                 "refused by the unit with " + TraceEscape(link.ReplyLine()));
                    return ExchangeResult::Refused;
                case LineVerdict::WrongLine: {
                    int& counter = settings.separateWrongLineCount ? wrongLines : tries;
                    if (++counter > kMaxRetries) {
                        TraceOutcome(link, kind, frame,
                                     "wrong line " + TraceEscape(link.ReplyLine()) +
                                         ": gave up, every try is spent");
                        return ExchangeResult::GaveUp;
                    }
                    TraceOutcome(link, kind, frame,
                                 "wrong line " + TraceEscape(link.ReplyLine()) +
                                     ": sending again, " + TryText(counter));
                    pause();
                    send();
                    continue;
                }
                case LineVerdict::Ignore:
                    break;
            }
        }
        if (r == kLineComplete || r == kLineDiscarded) {
            // More may be waiting in the ring; a stream of lines must not hold off the time-out.
            if (Now() - sentAt < settings.timeout) continue;
        }
        const TimePoint deadline = sentAt + settings.timeout;
        if (Now() >= deadline) {
            sentAt = Now();
            link.ReadLine(kind);
            if (settings.resetFillOnSend) link.ResetReplyFill();
            const std::string late =
                "no reply within " + std::to_string(settings.timeout.count()) + " ms";
            // A bridge that was pulled out answers no further try either.
            if (link.IsLinkGone(kind)) {
                TraceOutcome(link, kind, frame, late + ": gave up, the device is gone");
                return ExchangeResult::GaveUp;
            }
            if (++tries > kMaxRetries) {
                TraceOutcome(link, kind, frame, late + ": gave up, every try is spent");
                return ExchangeResult::GaveUp;
            }
            TraceOutcome(
                link, kind, frame,
                late + (settings.resendOnTimeout ? ": sending again, " : ": waiting again, ") +
                    TryText(tries));
            if (settings.resendOnTimeout) send();
            continue;
        }
        link.WaitForInput(kind, deadline);
    }
}

}  // namespace krv
