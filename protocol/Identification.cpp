#include "protocol/Identification.h"

#include <cstdlib>
#include <cstring>

#include "link/DeviceLink.h"
#include "protocol/Exchange.h"

namespace krv {

namespace {

ExchangeSettings IdentificationSettings(LinkKind kind)
{
    ExchangeSettings settings;
    settings.link = kind;
    settings.timeout = kShortTimeout;
    settings.drainBeforeFirstSend = false;
    settings.resetFillOnSend = true;
    settings.separateWrongLineCount = true;
    settings.waitCursor = true;
    return settings;
}

}  // namespace

bool QueryVersion(DeviceLink& link, LinkKind kind, std::string& version)
{
    const ExchangeResult result =
        RunExchange(link, IdentificationSettings(kind), "VER\r\n", [](std::string_view line) {
            return line.substr(0, 3) == "VER" ? LineVerdict::Match : LineVerdict::WrongLine;
        });
    if (result != ExchangeResult::Success) return false;

    // The six bytes after "VER", whatever they are; a short line leaves its CR LF and the
    // terminating NUL among them, and the text ends at that NUL.
    char text[7] = {};
    std::memcpy(text, link.ReplyBuffer() + 3, 6);
    for (char& c : text) {
        if (c == '\0') break;
        if (c == ' ' || c == '.') c = '0';
    }
    version.assign(text);
    return true;
}

int QueryCircuitCount(DeviceLink& link)
{
    const ExchangeResult result = RunExchange(
        link, IdentificationSettings(LinkKind::Com), "CH\r\n", [](std::string_view line) {
            return line.substr(0, 2) == "CH" ? LineVerdict::Match : LineVerdict::WrongLine;
        });
    if (result != ExchangeResult::Success) return -1;
    switch (link.ReplyBuffer()[2]) {
        case '1':
            return 1;
        case '2':
            return 2;
        case '4':
            return 4;
        default:
            return -1;
    }
}

long VersionNumber(const std::string& version)
{
    long value = 0;
    for (char c : version) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > 1000000000L) break;
    }
    return value;
}

}  // namespace krv
