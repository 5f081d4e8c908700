#include "platform/win32/ui_folder_dialog.h"

#include <shlobj.h>

namespace quenlo::win32 {

std::optional<std::string> BrowseForFolder(HWND owner, const std::string& caption) {
  char displayName[MAX_PATH] = "";
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop: the whole namespace
  info.pszDisplayName = displayName;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return std::nullopt;
  char path[MAX_PATH] = "";
  const bool hasPath = SHGetPathFromIDListA(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!hasPath) return std::nullopt;
  return std::string(path);
}

}  // namespace quenlo::win32
