#pragma once

#include <cstddef>
#include <string_view>

namespace krv {

// Value of one hexadecimal digit (either case), or -1 for any other character.
inline int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The hexadecimal number in the `width` characters at `pos`, passing over characters that are
// not hexadecimal digits (the unit's replies are read that way); places beyond the text count as
// absent.
inline unsigned long HexFieldSkipping(std::string_view text, std::size_t pos, std::size_t width)
{
    unsigned long value = 0;
    for (std::size_t i = pos; i < pos + width && i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit >= 0) value = value * 16 + static_cast<unsigned long>(digit);
    }
    return value;
}

}  // namespace krv
