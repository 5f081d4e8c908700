// Starting another program and waiting for it: how the tools hand work to an outside program
// (quenlo-pack signs through a signing tool found on the search path).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quenlo::platform {

struct ProgramRun {
  bool started = false;  // false: the program could not be found or started at all
  int exitCode = -1;     // its exit status once it ran (-1 when a signal ended it)
  std::string output;    // what it wrote to standard output and standard error, in order
};

// Runs `program` (a name looked up on the search path, or a path) with `arguments`, each handed
// over as one argument whatever it holds (no shell in between), and waits for it to end.
ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::filesystem::path>& arguments);

}  // namespace quenlo::platform
