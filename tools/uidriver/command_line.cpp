#include "tools/uidriver/command_line.h"

#include <algorithm>

#include "platform/windows_argument.h"
#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

std::wstring UpperName(std::wstring_view entry) {
  // "=C:=C:\x" is named "=C:": the name may start with '=', so search from the second character.
  const std::size_t equals = entry.find(L'=', 1);
  std::wstring name(entry.substr(0, equals));
  std::transform(name.begin(), name.end(), name.begin(), UpperAscii);
  return name;
}

}  // namespace

std::wstring QuoteArgument(std::wstring_view argument) {
  return platform::QuoteWindowsArgument(argument);
}

std::wstring BuildCommandLine(std::wstring_view program,
                              const std::vector<std::wstring>& arguments) {
  std::wstring line = QuoteArgument(program);
  for (const auto& argument : arguments) {
    line += L' ';
    line += QuoteArgument(argument);
  }
  return line;
}

std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& base,
                                   const std::vector<std::wstring>& overrides) {
  std::vector<std::wstring> entries;
  for (const auto& entry : base) {
    if (!entry.empty()) entries.push_back(entry);
  }
  for (const auto& setting : overrides) {
    if (setting.find(L'=', 1) == std::wstring::npos || setting.front() == L'=') {
      throw DriverError("an environment setting must read NAME=value");
    }
    const std::wstring name = UpperName(setting);
    std::erase_if(entries, [&](const std::wstring& entry) { return UpperName(entry) == name; });
    entries.push_back(setting);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const bool driveA = a.front() == L'=';
    const bool driveB = b.front() == L'=';
    if (driveA != driveB) return driveA;
    return UpperName(a) < UpperName(b);
  });
  std::wstring block;
  for (const auto& entry : entries) {
    block += entry;
    block += L'\0';
  }
  if (entries.empty()) block += L'\0';
  block += L'\0';
  return block;
}

std::vector<std::wstring> SplitEnvironmentBlock(const wchar_t* block) {
  std::vector<std::wstring> entries;
  if (block == nullptr) return entries;
  while (*block != L'\0') {
    std::wstring entry(block);
    block += entry.size() + 1;
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace quenlo::uidriver
