#include "protocol/Exchange.h"

#include "platform/Clock.h"

namespace krv {

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
                    return ExchangeResult::Refused;
                case LineVerdict::WrongLine: {
                    int& counter = settings.separateWrongLineCount ? wrongLines : tries;
                    if (++counter > kMaxRetries) return ExchangeResult::GaveUp;
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
            if (++tries > kMaxRetries) return ExchangeResult::GaveUp;
            if (settings.resendOnTimeout) send();
            continue;
        }
        link.WaitForInput(kind, deadline);
    }
}

}  // namespace krv
