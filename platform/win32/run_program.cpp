#include "platform/run_program.h"

#include <windows.h>

#include "platform/windows_argument.h"

namespace quenlo::platform {

ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::filesystem::path>& arguments) {
  ProgramRun run;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  // A name without a folder is looked up on the search path by CreateProcessW itself, with
  // ".exe" added, when it is handed over as the command line's first word only.
  std::wstring line = QuoteWindowsArgument(program.native());
  for (const std::filesystem::path& argument : arguments) {
    line += L" " + QuoteWindowsArgument(argument.native());
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return run;
  }
  run.started = true;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    run.output.append(buffer, got);
  }
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

}  // namespace quenlo::platform
