// The three substitution tables of the firmware image files, as constant data.
//
// These are the tables of our units. A unit shipped with other tables reads only image files
// scrambled with its own: to program such units, replace this file with their tables (and keep
// the checks at its end, which a table must pass for the packer to be able to invert it).
//
// Each table is written as the characters that "0", "1", ... "Z" (0x30 to 0x5A) turn into, in
// that order. The hexadecimal digits map one-to-one onto hexadecimal digits; the table's lead
// character maps onto "S"; everything else stays as it is.
#include "firmware/RecordCipherTable.h"

#include <string_view>

namespace krv {

namespace {

constexpr std::uint8_t kFirst = '0';

//                                0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ
constexpr std::string_view kTableY = "6F0C93E5A1:;<=>?@2B8D47GHIJKLMNOPQRSTUVWXS";
constexpr std::string_view kTableZ = "D3A816F0C7:;<=>?@E25B94GHIJKLMNOPQRSTUVWXYS";
constexpr std::string_view kTableOther = "B4E07A2D95:;<=>?@F1C683GHIJKLMNOPQRSTUVWSYZ";

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

constexpr std::string_view TableOf(std::uint8_t lead)
{
    if (lead == kCipherLeadY) return kTableY;
    if (lead == kCipherLeadZ) return kTableZ;
    return kTableOther;
}

constexpr std::uint8_t Substitute(std::string_view table, std::uint8_t c)
{
    if (c < kFirst || c - kFirst >= static_cast<int>(table.size())) return c;
    return static_cast<std::uint8_t>(table[static_cast<std::size_t>(c - kFirst)]);
}

constexpr bool IsHexDigit(char c)
{
    return kHexDigits.find(c) != std::string_view::npos;
}

// The hexadecimal digits of `table` map one-to-one onto hexadecimal digits.
constexpr bool HexDigitsPermuted(std::string_view table)
{
    bool seen[16] = {};
    for (const char digit : kHexDigits) {
        const char to = static_cast<char>(Substitute(table, static_cast<std::uint8_t>(digit)));
        if (!IsHexDigit(to)) return false;
        const std::size_t at = kHexDigits.find(to);
        if (seen[at]) return false;
        seen[at] = true;
    }
    return true;
}

static_assert(kTableY.size() == 'Y' - kFirst + 1, "the Y table covers 0 to Y");
static_assert(kTableZ.size() == 'Z' - kFirst + 1, "the Z table covers 0 to Z");
static_assert(kTableOther.size() == 'Z' - kFirst + 1, "the third table covers 0 to Z");
static_assert(HexDigitsPermuted(kTableY) && HexDigitsPermuted(kTableZ) &&
              HexDigitsPermuted(kTableOther));
static_assert(Substitute(kTableY, kCipherLeadY) == 'S' &&
              Substitute(kTableZ, kCipherLeadZ) == 'S' &&
              Substitute(kTableOther, kCipherLeadOther) == 'S');
// The "Y" table ends at "Y": "Z" passes through it unchanged.
static_assert(Substitute(kTableY, 'Z') == 'Z');

}  // namespace

std::uint8_t SubstituteRecordChar(std::uint8_t lead, std::uint8_t c)
{
    return Substitute(TableOf(lead), c);
}

std::optional<std::uint8_t> InverseRecordChar(std::uint8_t lead, std::uint8_t digit)
{
    if (!IsHexDigit(static_cast<char>(digit))) return std::nullopt;
    const std::string_view table = TableOf(lead);
    for (const char from : kHexDigits) {
        if (Substitute(table, static_cast<std::uint8_t>(from)) == digit) {
            return static_cast<std::uint8_t>(from);
        }
    }
    return std::nullopt;
}

}  // namespace krv
