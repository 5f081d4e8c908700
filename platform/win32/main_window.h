// The setup's main window.
#pragma once

#include <windows.h>

namespace quenlo::win32 {

// Creates and shows the main window, owned by `owner`; closing it ends the message loop.
bool CreateMainWindow(HWND owner);

}  // namespace quenlo::win32
