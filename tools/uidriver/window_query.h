// Reading another process's windows: which top-level windows it has, their descendants, the name
// each control carries, and the state a person sees (text, enabled, visible, checked, place).
//
// Controls of the setup carry their name as the window property "QuenloName", whose value is a
// global atom holding the name; properties and global atoms are shared between processes, so
// GetPropA and GlobalGetAtomNameA read them from outside. Messages that read state (WM_GETTEXT,
// BM_GETCHECK, PBM_GETPOS) are sent with a timeout, so a hung program gives an error, not a hang.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenlo::uidriver {

inline constexpr const wchar_t* kNameProperty = L"QuenloName";

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// What a person sees of one window; texts are GBK.
struct WindowState {
  HWND hwnd = nullptr;
  std::string name;             // "" when the window carries no name
  std::string className;        // as registered, e.g. "Button", "#32770"
  std::string text;             // WM_GETTEXT
  int id = 0;                   // control ID (0 for top-level windows)
  bool visible = false;         // IsWindowVisible: itself and every parent visible
  bool enabled = false;         // the window's own WS_DISABLED bit clear
  std::optional<bool> checked;  // check boxes and radio buttons only
  std::optional<int> progressPos, progressMin, progressMax;  // progress bars only
  Rect rect;    // relative to the parent's client area; screen position for top-level windows
  Rect client;  // client area size (x and y are 0)
};

// Top-level windows of the process, in Z order (topmost first).
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly);
// The direct children of a window, in Z order.
std::vector<HWND> ChildWindows(HWND parent);
// Every descendant of a window, depth first.
std::vector<HWND> DescendantWindows(HWND parent);

std::string ControlName(HWND hwnd);
std::string ClassName(HWND hwnd);
bool HasClass(HWND hwnd, std::string_view className);  // without regard to case
// The window's text (GBK) by WM_GETTEXT.
std::string WindowText(HWND hwnd);
// True when the window and all its ancestors are enabled, so that a person could use it.
bool IsUsable(HWND hwnd);
std::optional<bool> CheckState(HWND hwnd);
WindowState ReadWindowState(HWND hwnd);

// The first visible window of the process named `name` (a top-level window or a descendant);
// a hidden one only when no visible one has the name. Nothing when none has it.
std::optional<HWND> FindNamedWindow(DWORD processId, std::string_view name);

// Sends a message that only reads and returns its result; throws DriverError when the window
// does not answer in time.
LRESULT QueryWindow(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// "0x1234ABCD", for messages.
std::string HandleText(HWND hwnd);

}  // namespace quenlo::uidriver
