// The shell's folder dialog (SHBrowseForFolder) of another process: a "#32770" dialog with a
// tree view of the shell namespace, a title text, and OK and Cancel.
//
// The dialog selects a folder given as a path when sent BFFM_SETSELECTIONW with the path's
// address. The path must lie in the dialog's own process, so the driver writes it there
// (VirtualAllocEx, WriteProcessMemory); it reads the selected item's label the same way, through
// a TVITEMW in the other process. Both assume the other process has the driver's bitness, which
// is checked.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quenlo::uidriver {

class Process;

struct FolderDialogInfo {
  HWND hwnd = nullptr;
  std::string caption;   // GBK
  std::string title;     // the text shown above the tree (GBK), "" when there is none
  std::string selected;  // label of the selected tree item (GBK), "" when none is selected
  bool okEnabled = false;
};

// A "#32770" window with a tree view among its descendants.
bool IsFolderDialog(HWND hwnd);
FolderDialogInfo ReadFolderDialog(const Process& process, HWND dialog);

// Selects the folder at `path` (GBK) in the dialog's tree. Throws DriverError when the dialog
// does not move its selection (no such folder), naming what stays selected.
void SelectFolder(const Process& process, HWND dialog, std::string_view path);

}  // namespace quenlo::uidriver
