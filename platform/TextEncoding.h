#pragma once

#include <string>
#include <string_view>

namespace krv {

// Texts live in memory as UTF-8; files written for the Windows version of the panel carry them in
// the Windows Japanese code page (CP932). CP932, not strict Shift-JIS: 0x5C stays a backslash,
// 0x7E a tilde, and the NEC and IBM extensions decode. Every function is safe to call from any
// thread.

// Converts CP932 bytes to UTF-8. Invalid or unmappable bytes, and a lead byte cut off at the end,
// become U+FFFD. Never throws, never reads past the input.
std::string Cp932ToUtf8(std::string_view bytes);

// Converts UTF-8 to CP932. False, with `out` untouched, when a character has no CP932 form or the
// UTF-8 is malformed.
bool Utf8ToCp932(std::string_view text, std::string& out);

// Converts UTF-8 to CP932, writing "?" for every character without a CP932 form and for every
// malformed UTF-8 sequence. `replaced`, if given, tells whether that happened.
std::string Utf8ToCp932Lossy(std::string_view text, bool* replaced = nullptr);

// Number of bytes the text takes in CP932, or -1 when it cannot be encoded.
int Cp932Length(std::string_view text);

// Converts UTF-16LE code units to UTF-8. Unpaired surrogates and an odd trailing byte become
// U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace krv
