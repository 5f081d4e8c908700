// GBK <-> UTF-16 with code page 936. WC_NO_BEST_FIT_CHARS with lpUsedDefaultChar tells when a
// character has no exact GBK encoding; a round trip catches what the flags do not (code page 936
// maps a few bytes one-way).
#include "platform/win32/wide_text.h"

#include <windows.h>

namespace quenlo::win32 {
namespace {

constexpr UINT kGbk = 936;

std::wstring Convert(std::string_view gbk, DWORD flags, bool& valid) {
  valid = true;
  if (gbk.empty()) return {};
  const int length =
      MultiByteToWideChar(kGbk, flags, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  if (length <= 0) {
    valid = false;
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kGbk, flags, gbk.data(), static_cast<int>(gbk.size()), wide.data(), length);
  return wide;
}

// `defaultChar` (none: the code page's own) stands for what GBK lacks; `usedDefault` (if given)
// tells whether it was needed. No best-fit look-alikes.
std::string ToGbk(std::wstring_view wide, const char* defaultChar, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, defaultChar, usedDefault);
  if (length <= 0) return {};
  std::string gbk(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      gbk.data(), length, defaultChar, usedDefault);
  return gbk;
}

}  // namespace

std::wstring Wide(std::string_view gbk) {
  bool valid = true;
  std::wstring wide = Convert(gbk, MB_ERR_INVALID_CHARS, valid);
  if (valid) return wide;
  return Convert(gbk, 0, valid);
}

std::optional<std::wstring> WideExact(std::string_view gbk) {
  bool valid = true;
  std::wstring wide = Convert(gbk, MB_ERR_INVALID_CHARS, valid);
  if (!valid) return std::nullopt;
  // Bytes that decode but do not encode back the same way name no GBK text.
  BOOL usedDefault = FALSE;
  const std::string back = ToGbk(wide, nullptr, &usedDefault);
  if (usedDefault || back != gbk) return std::nullopt;
  return wide;
}

std::optional<std::string> GbkExact(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  BOOL usedDefault = FALSE;
  std::string gbk = ToGbk(wide, nullptr, &usedDefault);
  if (gbk.empty() || usedDefault) return std::nullopt;
  bool valid = true;
  if (Convert(gbk, MB_ERR_INVALID_CHARS, valid) != wide || !valid) return std::nullopt;
  return gbk;
}

std::string GbkLossy(std::wstring_view wide) {
  if (wide.empty()) return {};
  // A character GBK lacks becomes '?', never a look-alike that names something else.
  std::string gbk = ToGbk(wide, "?", nullptr);
  return gbk.empty() ? std::string(wide.size(), '?') : gbk;
}

std::optional<std::string> GbkPathOfExisting(const std::wstring& path) {
  if (auto gbk = GbkExact(path)) return gbk;
  const DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring shortPath(length, L'\0');
  const DWORD copied = GetShortPathNameW(path.c_str(), shortPath.data(), length);
  if (copied == 0 || copied >= length) return std::nullopt;
  shortPath.resize(copied);
  return GbkExact(shortPath);
}

std::wstring WidePath(std::string_view gbk) {
  if (auto wide = WideExact(gbk)) return *wide;
  return L"|not GBK|";
}

}  // namespace quenlo::win32
