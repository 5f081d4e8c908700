#include "platform/win32/ui_folder_dialog.h"

#include <shlobj.h>

#include "platform/win32/wide_text.h"

namespace quenlo::win32 {

std::optional<std::string> BrowseForFolder(HWND owner, const std::string& caption) {
  wchar_t displayName[MAX_PATH] = L"";
  const std::wstring title = Wide(caption);
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop: the whole namespace
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  const bool hasPath = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!hasPath) return std::nullopt;
  // A character GBK cannot hold shows as '?', which the folder page refuses as an invalid name.
  return GbkLossy(path);
}

}  // namespace quenlo::win32
