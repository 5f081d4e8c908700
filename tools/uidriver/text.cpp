#include "tools/uidriver/text.h"

#include <windows.h>

#include "platform/win32/wide_text.h"
#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

std::wstring ToWide(std::string_view text, UINT codePage, DWORD flags, bool& ok) {
  ok = true;
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length <= 0) {
    ok = false;
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

// GBK goes through the backend's conversions, so the driver reads and writes texts exactly as the
// setup converts them.
std::wstring GbkToWide(std::string_view gbk) { return win32::Wide(gbk); }

std::optional<std::string> WideToGbk(std::wstring_view wide) { return win32::GbkExact(wide); }

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) {
  bool ok = true;
  std::wstring wide = ToWide(utf8, CP_UTF8, MB_ERR_INVALID_CHARS, ok);
  if (!ok) return std::nullopt;
  return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::string GbkToUtf8(std::string_view gbk) { return WideToUtf8(GbkToWide(gbk)); }

std::string Utf8ToGbk(std::string_view utf8) {
  const auto wide = Utf8ToWide(utf8);
  if (!wide) throw DriverError("text is not valid UTF-8");
  auto gbk = WideToGbk(*wide);
  if (!gbk) throw DriverError("text holds a character that GBK cannot encode");
  return *gbk;
}

}  // namespace quenlo::uidriver
