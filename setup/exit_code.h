// What QuenloSetup.exe's exit code says, the same with and without /S.
#pragma once

#include "install/session.h"

namespace quenlo {

enum ExitCode : int {
  kExitInstalled = 0,
  kExitBadCommandLine = 1,
  kExitCancelled = 2,      // the user cancelled, or answered No at the start
  kExitDamagedSetup = 3,   // the setup file is damaged; nothing was changed
  kExitInstallFailed = 4,  // the install failed and was undone (as far as the log says)
  kExitFolderRefused = 5,  // the folder is invalid or has too little free space; nothing changed
};

// An install that did not finish: a damaged setup file that changed nothing (found by the check
// before the install, or by the extraction, which undid itself) is 3; anything else 4.
inline ExitCode ExitCodeOf(const InstallFailure& failure) {
  return failure.cause == FailureCause::DamagedSetupFile && failure.undone ? kExitDamagedSetup
                                                                           : kExitInstallFailed;
}

}  // namespace quenlo
