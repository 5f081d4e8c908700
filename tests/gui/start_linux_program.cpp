// Starts the Linux program its command line names, with the arguments after it, and ends at once.
// Wine runs a Linux program that CreateProcess is given, but hands back no process and, in doing
// so, closes a handle of the process that started it (a registry key the tests use was one), so
// the GUI tests start their Linux programs (xdotool) through this one, in a process of its own.
//
//   gui_start_linux_program.exe /usr/bin/PROGRAM [ARGS...]
#include <windows.h>

#include <string>

int main() {
  std::wstring line = GetCommandLineW();
  // Past this program's own name (quoted or not) and the blanks after it.
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring::npos ? line.size() : at + 1;
  } else {
    at = line.find(L' ');
    if (at == std::wstring::npos) at = line.size();
  }
  while (at < line.size() && line[at] == L' ') ++at;
  std::wstring command = line.substr(at);
  if (command.empty()) return 2;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &started)) {
    WaitForSingleObject(started.hProcess, 10000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  return 0;
}
