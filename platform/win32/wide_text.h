// Text at the system boundary. Every text and path in the portable code is GBK (code page 936);
// the Win32 backend hands it to the wide ("W") functions as UTF-16 converted with code page 936
// named explicitly, never through the ANSI code page, so the setup behaves the same on a Windows
// of any language.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quenlo::win32 {

// UTF-16 for GBK text. Bytes that are not valid GBK (a lone lead byte, say) become U+FFFD, so a
// text shown on screen never disappears; a name such text forms matches no file.
std::wstring Wide(std::string_view gbk);

// Exact UTF-16 for GBK text; nothing when the bytes are not valid GBK.
std::optional<std::wstring> WideExact(std::string_view gbk);

// The GBK bytes of UTF-16 text; nothing when a character has no exact GBK encoding (no best-fit
// substitution) or the text holds a lone surrogate.
std::optional<std::string> GbkExact(std::wstring_view wide);

// The GBK bytes of UTF-16 text as the portable code sees what the system shows or a person
// typed: every character GBK cannot hold becomes '?' (no best-fit look-alike). '?' is in no
// valid file or folder name, so such a text, taken for a path, is refused as an invalid name
// instead of naming some other file.
std::string GbkLossy(std::wstring_view wide);

// GBK for the path of a file or folder that exists: exact, or else, where the long path holds a
// character GBK lacks (the setup started from the Downloads folder of a user whose name is written
// in another script), its short 8.3 form, which names the same file in ASCII. Nothing when
// neither can be had.
std::optional<std::string> GbkPathOfExisting(const std::wstring& path);

// UTF-16 for a GBK path. A path whose bytes are not GBK text becomes one that every file call
// refuses (it holds '|'), so it never names some other file. (Registry names may hold '|': the
// registry takes WideExact and refuses such a name itself.)
std::wstring WidePath(std::string_view gbk);

}  // namespace quenlo::win32
