#include "protocol/StatusReply.h"

#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"

namespace krv {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

unsigned HexField(std::string_view text, std::size_t pos, std::size_t width)
{
    unsigned value = 0;
    for (std::size_t i = pos; i < pos + width && i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

}  // namespace

std::string StatusRequestFrame(int ch)
{
    return CommandFrame::Framed("R").Hex1(static_cast<unsigned>(ch + 1)).WithCrLf();
}

bool LooksLikeStatusReply(std::string_view line)
{
    return line.size() >= 2 && line[0] == kStx && line[1] == 'R';
}

std::optional<StatusReport> DecodeStatusReply(std::string_view reply)
{
    reply = reply.substr(0, reply.find('\0'));
    if (!LooksLikeStatusReply(reply) || !IsValidFramedReply(reply, kStatusReplyLength)) {
        return std::nullopt;
    }
    if (reply[2] < '1' || reply[2] > '4') return std::nullopt;

    StatusReport report;
    report.channel = reply[2] - '1';
    report.range = HexField(reply, 3, 2);
    report.outputCode = static_cast<std::uint16_t>(HexField(reply, 5, 4));
    report.mainControl = static_cast<std::uint16_t>(HexField(reply, 9, 4));
    report.mainStatus = static_cast<std::uint16_t>(HexField(reply, 25, 4));
    report.extControl = static_cast<std::uint16_t>(HexField(reply, 29, 4));
    report.extStatus = static_cast<std::uint16_t>(HexField(reply, 45, 4));
    report.calibrationMode = static_cast<std::uint16_t>(HexField(reply, 49, 4));
    report.runState = static_cast<std::int32_t>(HexField(reply, 53, 2));
    return report;
}

void WriteStatusRequest(DeviceLink& link, int ch)
{
    if (!link.IsOpen()) link.OpenPort();
    link.WriteText(LinkKind::Com, StatusRequestFrame(ch));
}

std::optional<StatusReport> ExchangeStatus(DeviceLink& link, int ch)
{
    ExchangeSettings settings;
    settings.link = LinkKind::Com;
    settings.timeout = kShortTimeout;
    settings.resendOnTimeout = true;
    settings.waitCursor = false;
    std::optional<StatusReport> report;
    const ExchangeResult result =
        RunExchange(link, settings, StatusRequestFrame(ch), [&](std::string_view line) {
            if (!LooksLikeStatusReply(line)) return LineVerdict::Ignore;
            report = DecodeStatusReply(line);
            return report && report->channel == ch ? LineVerdict::Match : LineVerdict::WrongLine;
        });
    if (result != ExchangeResult::Success) return std::nullopt;
    return report;
}

}  // namespace krv
