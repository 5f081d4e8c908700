// The shell's folder dialog.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quenlo::win32 {

// Shows the shell's folder dialog owned by `owner`, with `caption` above the tree: the whole
// namespace from the desktop, file-system folders only, nothing chosen beforehand. The chosen
// folder's path (GBK, with '?' for a character GBK cannot hold), or nothing when the dialog was
// cancelled or the choice has no path. The thread must have COM initialised.
std::optional<std::string> BrowseForFolder(HWND owner, const std::string& caption);

}  // namespace quenlo::win32
