#include "protocol/CommandFrame.h"

#include <cstdio>
#include <stdexcept>

namespace krv {

namespace {

void AppendHex(std::string& out, std::uint32_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0 && n < 8);
    while (n < digits) buffer[n++] = '0';
    while (n > 0) out.push_back(buffer[--n]);
}

}  // namespace

std::uint8_t ChecksumOf(std::string_view bytes)
{
    unsigned sum = 0;
    for (unsigned char c : bytes) sum += c;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void AppendChecksum(std::string& frame)
{
    if (frame.empty() || frame[0] != kStx) {
        throw std::invalid_argument("AppendChecksum: frame does not start with STX");
    }
    const auto etx = frame.find(kEtx, 1);
    if (etx == std::string::npos) {
        throw std::invalid_argument("AppendChecksum: frame has no ETX");
    }
    const std::uint8_t sum = ChecksumOf(std::string_view(frame).substr(1, etx));
    AppendHex(frame, sum, 2);
    frame += "\r\n";
}

bool IsValidFramedReply(std::string_view line, std::size_t expectedLength)
{
    if (line.size() != expectedLength || line.size() < 5 || line[0] != kStx) return false;
    const auto etx = line.find(kEtx, 1);
    if (etx == std::string_view::npos || etx + 3 > line.size()) return false;
    std::string expected;
    AppendHex(expected, ChecksumOf(line.substr(1, etx)), 2);
    return line.substr(etx + 1, 2) == expected;
}

CommandFrame CommandFrame::Framed(std::string_view command)
{
    CommandFrame f;
    f.bytes_.push_back(kStx);
    f.bytes_.append(command);
    return f;
}

CommandFrame CommandFrame::Plain(std::string_view command)
{
    CommandFrame f;
    f.bytes_.append(command);
    return f;
}

CommandFrame& CommandFrame::Text(std::string_view text)
{
    bytes_.append(text);
    return *this;
}

CommandFrame& CommandFrame::Hex1(unsigned value)
{
    AppendHex(bytes_, value, 1);
    return *this;
}

CommandFrame& CommandFrame::Hex2(unsigned value)
{
    AppendHex(bytes_, value, 2);
    return *this;
}

CommandFrame& CommandFrame::Hex4(unsigned value)
{
    AppendHex(bytes_, value, 4);
    return *this;
}

CommandFrame& CommandFrame::Hex8(std::uint32_t value)
{
    AppendHex(bytes_, value, 8);
    return *this;
}

std::string CommandFrame::WithCrLf() const
{
    return bytes_ + "\r\n";
}

std::string CommandFrame::WithEtx() const
{
    std::string out = bytes_;
    out.push_back(kEtx);
    out += "\r\n";
    return out;
}

std::string CommandFrame::WithEtxAndChecksum() const
{
    std::string out = bytes_;
    out.push_back(kEtx);
    AppendChecksum(out);
    return out;
}

}  // namespace krv
