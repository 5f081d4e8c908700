// Message boxes of another process: finding them, reading text, caption, buttons and icon, and
// telling them apart from other dialogs.
//
// A message box is a dialog of class "#32770" whose text is the static control of ID 0xFFFF; its
// buttons carry the answer IDs (IDOK 1, IDCANCEL 2, ..., IDYES 6, IDNO 7). The icon's handle
// belongs to the other process, so it is recognised by its pixels: the icon control is copied
// from the screen and compared with the system icons as this process draws them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenlo::uidriver {

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;       // GBK
  std::string text;          // GBK
  std::vector<int> buttons;  // answer IDs of the visible buttons, left to right
  // "none", "information", "question", "warning", "error", or "unknown" for an icon that matches
  // no system icon (or could not be seen on the screen).
  std::string icon;
};

// "Yes" for IDYES and so on; "ID<n>" for an ID without a name.
std::string AnswerName(int id);
// The ID for an answer name ("yes", "No", "OK", "cancel", ...: case does not matter).
std::optional<int> AnswerId(std::string_view name);

// A "#32770" window with the text control 0xFFFF and no tree view (the folder dialog has one).
bool IsMessageBox(HWND hwnd);
MessageBoxInfo ReadMessageBox(HWND box);
// The visible button of the box with that ID; throws DriverError (naming the buttons there are)
// when there is none.
HWND MessageBoxButton(HWND box, int id);

}  // namespace quenlo::uidriver
