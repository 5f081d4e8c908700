// The GBK (code page 936) character rule, in one place.
//
// A GBK character is one byte (0x00-0x80, 0xFF) or a lead byte 0x81-0xFE followed by a trail
// byte; trail bytes include 0x5C, the backslash, and the ASCII letters. Whatever walks a GBK
// string character by character takes its steps from here, so a trail byte is never taken for a
// separator or a letter, and a character is never cut in two.
#pragma once

#include <cstddef>
#include <string_view>

namespace quenlo {

// True for a byte that starts a two-byte GBK character.
constexpr bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Bytes taken by the character that starts at `pos` (< text.size()): 2 for a lead byte with a
// byte after it, else 1 (a lead byte at the very end, a truncated character, counts as one).
constexpr std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

}  // namespace quenlo
