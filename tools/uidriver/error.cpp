#include "tools/uidriver/error.h"

#include <windows.h>

#include "tools/uidriver/text.h"

namespace quenlo::uidriver {

std::string SystemErrorText(const std::string& what, unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  std::string text = what + ": ";
  if (!message.empty()) text += WideToUtf8(message) + " ";
  return text + "(code " + std::to_string(code) + ")";
}

}  // namespace quenlo::uidriver
