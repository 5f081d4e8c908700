// Text between the encodings the driver meets: the setup's GBK (code page 936), UTF-16 of the
// wide Win32 calls, and UTF-8 of scripts and JSON output. The code page is named explicitly, so
// the driver reads GBK correctly whatever its own ANSI code page is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quenlo::uidriver {

inline constexpr unsigned kGbkCodePage = 936;

// GBK bytes as UTF-16; bytes that are not GBK become U+FFFD.
std::wstring GbkToWide(std::string_view gbk);
// UTF-16 as GBK; nothing when a character has no exact GBK encoding.
std::optional<std::string> WideToGbk(std::wstring_view wide);

// UTF-8 as UTF-16; nothing when the bytes are not valid UTF-8.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

std::string GbkToUtf8(std::string_view gbk);
// UTF-8 as GBK; throws DriverError when it is not valid UTF-8 or holds a character GBK lacks.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace quenlo::uidriver
