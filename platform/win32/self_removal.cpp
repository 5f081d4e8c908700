// The uninstaller's removal of its own file, through a copy in the temporary folder.
#include "platform/win32/self_removal.h"

#include <windows.h>
// objbase.h needs windows.h first.
#include <objbase.h>

#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <optional>

#include "platform/win32/access_list.h"
#include "platform/win32/process.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_argument.h"

namespace quenlo::win32 {
namespace {

constexpr DWORD kWaitForUninstallerMs = 60000;
constexpr int kDeleteAttempts = 50;  // a just-ended process's image may stay mapped a moment
constexpr DWORD kDeleteRetryMs = 100;

// 32 hex digits from the system's random numbers (a new GUID's).
std::wstring UnforeseeableName() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid)))
    return std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(GetCurrentProcessId());
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  std::wstring name;
  for (const wchar_t c : std::wstring(text)) {
    if (iswxdigit(c)) name += c;
  }
  return name;
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace

void LeaveCurrentFolder() {
  const std::wstring temporary = TemporaryFolder();
  if (!temporary.empty()) SetCurrentDirectoryW(temporary.c_str());
}

bool StartRemovalAfterExit(const std::string& file, const std::vector<std::string>& folders) {
  const std::wstring self = OwnProgramFile();
  const std::wstring temporary = TemporaryFolder();
  const std::optional<std::wstring> wideFile = WideExact(file);
  if (self.empty() || temporary.empty() || !wideFile) return false;
  // A folder of its own, new, of a name nobody can foresee, that only administrators may write:
  // the copy runs with the uninstaller's rights, and a program loads libraries from its own
  // folder, into which nobody may put one (the temporary folder of SYSTEM, where deployment tools
  // run the uninstaller, is open to every user).
  AdministratorsOnly access;
  std::wstring ownFolder;
  for (unsigned attempt = 0; attempt < 100 && ownFolder.empty(); ++attempt) {
    const std::wstring candidate = temporary + L"QuenloUninstall-" + UnforeseeableName() + L"\\";
    if (CreateDirectoryW(candidate.c_str(), access.attributes())) ownFolder = candidate;
  }
  if (ownFolder.empty()) return false;
  const std::wstring copy = ownFolder + L"UnInstall.exe";
  if (!CopyFileW(self.c_str(), copy.c_str(), TRUE)) {
    RemoveDirectoryW(ownFolder.c_str());
    return false;
  }
  const auto giveUp = [&] {
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(ownFolder.c_str());
    return false;
  };

  // The copy learns of this process's end through a handle it inherits.
  HANDLE me = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me,
                       SYNCHRONIZE, TRUE, 0)) {
    return giveUp();
  }
  std::wstring line = platform::QuoteWindowsArgument(copy) + L" " + Wide(kFinishRemovalArgument) +
                      L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(me)) + L" " +
                      platform::QuoteWindowsArgument(*wideFile);
  for (const std::string& folder : folders) {
    if (const std::optional<std::wstring> wide = WideExact(folder))
      line += L" " + platform::QuoteWindowsArgument(*wide);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      temporary.c_str(), &startup, &process);
  CloseHandle(me);
  if (!started) return giveUp();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

int FinishRemoval(const std::vector<std::string>& arguments) {
  if (arguments.size() < 3) return 2;
  // The uninstaller's own handle, inherited; the uninstaller has ended once it is signalled.
  const auto uninstaller = reinterpret_cast<HANDLE>(
      static_cast<std::uintptr_t>(std::strtoull(arguments[1].c_str(), nullptr, 10)));
  WaitForSingleObject(uninstaller, kWaitForUninstallerMs);
  CloseHandle(uninstaller);

  const std::wstring file = Wide(arguments[2]);
  bool deleted = false;
  for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
    deleted = DeleteFileW(file.c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
    if (!deleted) Sleep(kDeleteRetryMs);
  }
  if (!deleted) MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  for (std::size_t i = 3; i < arguments.size(); ++i) {
    const std::wstring folder = Wide(arguments[i]);
    if (!RemoveDirectoryW(folder.c_str()) && !deleted) {
      MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
  }
  // The copy itself goes at the next restart, and then its folder.
  const std::wstring self = OwnProgramFile();
  if (!self.empty()) {
    MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    const std::size_t separator = self.find_last_of(L'\\');
    if (separator != std::wstring::npos) {
      MoveFileExW(self.substr(0, separator).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
  }
  return deleted ? 0 : 1;
}

}  // namespace quenlo::win32
