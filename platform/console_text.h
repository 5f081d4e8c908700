// How GBK text is shown on a console, whatever the system: the walk that GbkToConsole
// (platform/text_encoding.h) makes in each implementation, which differ only in how one
// character is converted.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "base/gbk.h"

namespace quenlo::platform {

// A character the console is not shown as itself: the C0 controls and DEL.
constexpr bool IsConsoleControl(unsigned value) { return value < 0x20 || value == 0x7F; }

// Appends "<XX>", the byte's value in hexadecimal.
inline void AppendHexByte(std::string& out, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "<%02X>", value & 0xFFu);
  out += text;
}

// `gbk` for the console, one character at a time: a control byte as "<XX>"; any other character
// as `show(character)` gives it, or, where that is nothing (bytes that are not GBK), its first
// byte as "<XX>", the walk going on at the byte after it.
template <typename Show>
std::string GbkToConsoleText(std::string_view gbk, Show&& show) {
  std::string out;
  for (std::size_t pos = 0; pos < gbk.size();) {
    const auto byte = static_cast<unsigned char>(gbk[pos]);
    const std::size_t length = GbkCharLength(gbk, pos);
    std::optional<std::string> shown;
    if (!IsConsoleControl(byte)) shown = show(gbk.substr(pos, length));
    if (shown) {
      out += *shown;
      pos += length;
    } else {
      AppendHexByte(out, byte);
      ++pos;
    }
  }
  return out;
}

}  // namespace quenlo::platform
