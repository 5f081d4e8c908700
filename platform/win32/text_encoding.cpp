// Windows: native names are UTF-16. GBK is code page 936; WC_NO_BEST_FIT_CHARS together with
// lpUsedDefaultChar tells when a character has no exact GBK encoding.
//
// Console text is converted to the console's output code page (GetConsoleOutputCP), or to the
// ANSI code page when the process has no console; when that code page is 936 the GBK bytes pass
// through unchanged.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "platform/console_text.h"
#include "platform/text_encoding.h"
#include "platform/win32/wide_text.h"

namespace quenlo::platform {
namespace {

constexpr UINT kGbk = 936;

// Conversion for display: characters the code page lacks become its default character.
std::string WideToCodePage(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string(wide.size(), '?');
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

UINT ConsoleCodePage() {
  const UINT codePage = GetConsoleOutputCP();
  return codePage != 0 ? codePage : GetACP();
}

}  // namespace

std::optional<std::string> NativeNameToGbk(const std::filesystem::path& name) {
  return win32::GbkExact(name.native());
}

std::optional<std::filesystem::path> GbkToNativeName(std::string_view gbk) {
  auto wide = win32::WideExact(gbk);
  if (!wide) return std::nullopt;
  return std::filesystem::path(*wide);
}

std::string GbkToConsole(std::string_view gbk) {
  const UINT codePage = ConsoleCodePage();
  return GbkToConsoleText(
      gbk, [codePage](std::string_view character) -> std::optional<std::string> {
        auto wide = win32::WideExact(character);
        if (!wide) return std::nullopt;
        return codePage == kGbk ? std::string(character) : WideToCodePage(*wide, codePage);
      });
}

std::string NativeNameToConsole(const std::filesystem::path& name) {
  const UINT codePage = ConsoleCodePage();
  const std::wstring& wide = name.native();
  std::string out;
  std::size_t runStart = 0;
  for (std::size_t pos = 0; pos <= wide.size(); ++pos) {
    if (pos < wide.size() && !IsConsoleControl(wide[pos])) continue;
    out += WideToCodePage(std::wstring_view(wide).substr(runStart, pos - runStart), codePage);
    if (pos < wide.size()) AppendHexByte(out, wide[pos]);
    runStart = pos + 1;
  }
  return out;
}

std::vector<std::filesystem::path> NativeArguments(int argc, char** argv) {
  std::vector<std::filesystem::path> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
  }
  for (int i = 1; i < count; ++i) arguments.emplace_back(std::wstring(wide[i]));
  LocalFree(wide);
  return arguments;
}

bool StderrIsTerminal() {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace quenlo::platform
