// The program's pixel density. The setup declares itself per-monitor DPI aware (version 2 where
// the system has it, from Windows 10 1703; system-aware before), so the system never stretches
// its window: the window lays itself out at its monitor's density (ui_scale.h) and again on
// WM_DPICHANGED. The calls that only newer systems have are looked up in user32 at run time,
// so the program still starts on Windows Vista and imports nothing new.
#pragma once

#include <windows.h>

namespace quenlo::win32 {

// Makes the process DPI aware, once, before its first window: per-monitor v2, else per-monitor
// (from Windows 8.1), else system-aware. Where the application manifest declared it already,
// the system keeps that and the call changes nothing.
void DeclareDpiAwareness();

// The density `window` is shown at: its monitor's where the system tells it per window, else
// the system's.
int WindowDpi(HWND window);

// The density of the primary monitor, for a window not yet made.
int SystemDpi();

// The size of a window of `style` and `exStyle` whose client area is `clientWidth` x
// `clientHeight` at `dpi` (the caption and borders at that density where the system can say).
SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

}  // namespace quenlo::win32
