// A program the driver starts and watches: CreateProcessW with an optional working folder and
// extra environment variables, its exit and exit code.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/uidriver/deadline.h"

namespace quenlo::uidriver {

struct StartOptions {
  std::filesystem::path workingFolder;   // empty: the driver's own current folder
  std::vector<std::string> environment;  // "NAME=value" (GBK), set over the driver's environment
};

class Process {
 public:
  Process() = default;
  ~Process();  // closes the handles; the program keeps running
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `program` (found as CreateProcess finds a program named without a folder) with the
  // arguments (GBK). Throws DriverError when it cannot be started.
  void Start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
             const StartOptions& options);

  bool Started() const { return handle_ != nullptr; }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return handle_; }
  bool Running() const;
  // The exit code once the program has ended, or nothing when it still runs after `timeout`.
  std::optional<DWORD> WaitForExit(Milliseconds timeout) const;
  // Ends the program (only one this object started) and waits for it.
  void Terminate(UINT exitCode);

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace quenlo::uidriver
