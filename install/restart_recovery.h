// Who finishes an install cut off by a power cut when nobody starts the setup again: the next
// start of Windows. Before its first change the install puts a copy of the setup program (its
// image, without the payload: the downloaded file may be gone by then) in a folder of Program
// Files, which only administrators may write, and registers it to run once at the next start:
//
//   HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce  "QuenloSetupRecovery"
//       = "<Common Files>\QuenloSetup\QuenloSetup.exe" /RECOVER
//
// Both are announced in the install journal like every other change, so an undo removes them
// too; a complete install removes them after its commit. Run with /RECOVER, the copy finishes
// what the journal says (RecoverUnfinishedInstall) and leaves nothing behind: its own file goes at
// the restart after.
#pragma once

#include <string>
#include <vector>

#include "install/install_journal.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace quenlo {

inline constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kRunOnceValue = "QuenloSetupRecovery";
inline constexpr const char* kRecoverArgument = "/RECOVER";

// Where the copy lives: "<CommonFilesDir>\QuenloSetup\QuenloSetup.exe" ("<ProgramFilesDir>\Common
// Files" where the system names no CommonFilesDir); "" when neither is known.
std::string RecoveryProgramPath(platform::Registry& registry);

// Announces the copy and its RunOnce entry in `journal`, then makes them: the image of the running
// setup file `setupFile` copied, the entry written. Throws IoError (nothing of it is made when the
// journal cannot be written); an install without them goes on, as the next start of the setup
// finishes a cut-off install too.
void PrepareRecoveryAtRestart(platform::FileSystem& files, platform::Registry& registry,
                              InstallJournal& journal, const std::string& setupFile);

// Removes the RunOnce entry and the copy (the copy at the next restart while it runs). Never
// throws.
void RemoveRecoveryAtRestart(platform::FileSystem& files, platform::Registry& registry);

}  // namespace quenlo
