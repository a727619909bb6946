#pragma once

#include <cstdint>
#include <optional>

namespace krv {

// The character substitution of the firmware image files: every character of a stored record's
// text goes through one of three tables, chosen by the record's lead character. The tables
// themselves are constant data in RecordCipherTable.cpp.

// The lead characters that select the two special tables; every other lead uses the third.
inline constexpr std::uint8_t kCipherLeadY = 'Y';
inline constexpr std::uint8_t kCipherLeadZ = 'Z';
// A lead the packer uses for the third table.
inline constexpr std::uint8_t kCipherLeadOther = 'X';

// `c` through the table that `lead` selects. Characters outside the table's range ("0" to "Z",
// for the "Y" table "0" to "Y") pass unchanged.
std::uint8_t SubstituteRecordChar(std::uint8_t lead, std::uint8_t c);

// The character that the table of `lead` turns into the hexadecimal digit `digit` ("0" to "9",
// "A" to "F"): what a packer stores so that a reader gets `digit` back. Nothing for any other
// character.
std::optional<std::uint8_t> InverseRecordChar(std::uint8_t lead, std::uint8_t digit);

}  // namespace krv
