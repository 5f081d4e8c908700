// The Win32 user interface: the setup's main window and its controls as real windows, behind
// the portable interface of platform/ui.h.
//
// The main window has a dialog frame with a close box only, a client area of 561 x 371 pixels at
// 96 DPI (the layout scaled to its monitor's density, main_window.h) in the button-face colour,
// and sits in the centre of the screen. Each control is a window of
// its kind (a static text, a button, an edit box, a progress bar, or a panel or picture of our
// own class) carrying its name for the UI driver (control_names.h). The artwork that pictures
// show comes from the executable's resources (resources/setup.rc): a JPEG stored as RCDATA or
// an icon.
//
// Start-up uses it through the application: MakeApplication(builder) creates the main window
// hidden, lets the builder put the setup's content into it, shows it and runs the message loop
// until it is closed.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/application.h"
#include "platform/ui.h"

namespace quenlo::win32 {

// Builds the content of the main window (the wizard) and returns what owns it. The owner lives
// while the window is open and is released after the message loop ends, before the window
// object itself goes; it may be null.
using MainWindowBuilder = std::function<std::shared_ptr<void>(ui::Window& window)>;

// The application of platform/application.h whose RunMainWindow creates the main window, calls
// `buildMainWindow` with it (when given), shows the window and runs the message loop until the
// window has been closed.
std::unique_ptr<platform::Application> MakeApplication(MainWindowBuilder buildMainWindow);

// The main window, created hidden and owned by `owner` (null for none); nullptr when Windows
// cannot create it. Closing it (RequestClose answered true) destroys it and ends the message
// loop of its thread; destroying the object without closing the window first does neither.
std::unique_ptr<ui::Window> MakeMainWindow(HWND owner);
// Shows the main window and gives the keyboard focus to its first control that takes it.
void ShowMainWindow(ui::Window& window);
// Runs the thread's message loop until WM_QUIT, with the keyboard handling of a dialog: Tab and
// the arrow keys move between controls, Alt+letter presses the control of that accelerator,
// Enter presses the focused button or else the window's default button, and Escape its cancel
// button.
void RunMessageLoop(ui::Window& window);

// The windows behind the interface, for tests: null once the window or control is gone, and
// for objects that this backend did not make.
HWND WindowHandle(const ui::Window& window);
HWND ControlHandle(const ui::Control& control);

}  // namespace quenlo::win32
