#include "tools/uidriver/process.h"

#include "tools/uidriver/command_line.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

std::vector<std::wstring> OwnEnvironment() {
  wchar_t* block = GetEnvironmentStringsW();
  std::vector<std::wstring> entries = SplitEnvironmentBlock(block);
  if (block != nullptr) FreeEnvironmentStringsW(block);
  return entries;
}

}  // namespace

Process::~Process() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

void Process::Start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const StartOptions& options) {
  if (handle_ != nullptr) throw DriverError("a program was already started by this driver");
  std::vector<std::wstring> wideArguments;
  for (const auto& argument : arguments) wideArguments.push_back(GbkToWide(argument));
  std::wstring commandLine = BuildCommandLine(program.native(), wideArguments);

  std::wstring environment;
  if (!options.environment.empty()) {
    std::vector<std::wstring> overrides;
    for (const auto& setting : options.environment) overrides.push_back(GbkToWide(setting));
    environment = BuildEnvironmentBlock(OwnEnvironment(), overrides);
  }
  const wchar_t* folder =
      options.workingFolder.empty() ? nullptr : options.workingFolder.native().c_str();

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(
          nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
          environment.empty() ? nullptr : environment.data(), folder, &startup, &info)) {
    throw DriverError(SystemErrorText("cannot start " + WideToUtf8(commandLine), GetLastError()));
  }
  CloseHandle(info.hThread);
  handle_ = info.hProcess;
  id_ = info.dwProcessId;
}

bool Process::Running() const {
  return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(Milliseconds timeout) const {
  if (handle_ == nullptr) throw DriverError("no program has been started");
  if (WaitForSingleObject(handle_, timeout) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

void Process::Terminate(UINT exitCode) {
  if (!Running()) return;
  TerminateProcess(handle_, exitCode);
  WaitForSingleObject(handle_, 5000);
}

}  // namespace quenlo::uidriver
