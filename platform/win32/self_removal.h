// How the uninstaller removes its own file: a running program's file cannot be deleted, so a copy
// of the program, in a new folder of its own in the temporary folder, waits for the uninstaller to
// end and deletes the file then, with the folders that held it where they are empty. The copy has
// itself and its folder deleted at the next restart. Nothing here shows a window.
#pragma once

#include <string>
#include <vector>

namespace quenlo::win32 {

// Makes the temporary folder the current folder, so that the process holds no folder it is to
// remove (a process's current folder cannot be removed).
void LeaveCurrentFolder();

// The first argument that starts the copy's part.
inline constexpr const char* kFinishRemovalArgument = "/finish-removal";

// Copies the running program into the temporary folder and starts the copy, which waits until
// this process has ended, then deletes `file` and removes `folders` (innermost first) where they
// are empty. False when the copy could not be made or started; nothing is left behind then.
bool StartRemovalAfterExit(const std::string& file, const std::vector<std::string>& folders);

// The copy's part, given the program's arguments after its own name, as GBK
// (kFinishRemovalArgument first). Returns the exit
// code: 0 when the file is gone.
int FinishRemoval(const std::vector<std::string>& arguments);

}  // namespace quenlo::win32
