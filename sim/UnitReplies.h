#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace krv::sim {

// Error codes the unit sends after NG.
inline constexpr int kNgFormat = 0x01;
inline constexpr int kNgChannel = 0x02;
inline constexpr int kNgRange = 0x03;
inline constexpr int kNgOutputState = 0x04;

inline std::string OkReply()
{
    return "OK\r\n";
}

// "NG" and the code as two upper-case hexadecimal digits.
inline std::string NgReply(int code)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string reply = "NG";
    reply += kDigits[(code >> 4) & 0xF];
    reply += kDigits[code & 0xF];
    return reply + "\r\n";
}

// Reads `digits` upper-case hexadecimal digits at `pos`; false if any is missing or not one.
inline bool ReadUpperHex(std::string_view text, std::size_t pos, std::size_t digits,
                         unsigned& value)
{
    if (pos + digits > text.size()) return false;
    unsigned v = 0;
    for (std::size_t i = pos; i < pos + digits; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            v = v * 16 + static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            v = v * 16 + static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
    }
    value = v;
    return true;
}

}  // namespace krv::sim
