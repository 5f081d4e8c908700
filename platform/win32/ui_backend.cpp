// The entry points of ui_backend.h around the main window.
#include "platform/win32/ui_backend.h"

#include "platform/win32/main_window.h"

namespace quenlo::win32 {

std::unique_ptr<ui::Window> MakeMainWindow(HWND owner) { return MainWindow::Make(owner); }

void ShowMainWindow(ui::Window& window) {
  if (auto* main = dynamic_cast<MainWindow*>(&window)) main->Show();
}

void RunMessageLoop(ui::Window& window) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The dialog manager's keyboard handling, for the window's controls only.
    HWND main = WindowHandle(window);
    if (main != nullptr && IsDialogMessageW(main, &message)) {
      // The dialog manager's own handling of the default frame follows the focus where it
      // knows the buttons; the window redraws it as it sees it.
      if (auto* mainWindow = dynamic_cast<MainWindow*>(&window)) mainWindow->ShowDefaultButton();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND WindowHandle(const ui::Window& window) {
  const auto* main = dynamic_cast<const MainWindow*>(&window);
  return main != nullptr ? main->hwnd() : nullptr;
}

HWND ControlHandle(const ui::Control& control) {
  const auto* impl = dynamic_cast<const ControlImpl*>(&control);
  return impl != nullptr ? impl->hwnd() : nullptr;
}

}  // namespace quenlo::win32
