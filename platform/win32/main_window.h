// The setup's main window: the Win32 ui::Window that hosts the wizard's controls.
//
// A fixed dialog frame with a caption and a close box (no minimise or maximise box), a client
// area of 561 x 371 pixels at 96 DPI (scaled to the density of its monitor: 842 x 556 at 144) in
// the button-face colour, centred on the screen, owned by the application window. It owns its
// controls (ui_control.h) and keeps them in the order they were created; when it is moved to a
// monitor of another density (WM_DPICHANGED), it lays itself and every control out again for it.
// Every request to close (RequestClose, the close box, the system menu, Alt+F4) asks
// onCloseQuery; when it agrees, onClose runs, the window is destroyed, and the thread's message
// loop is told to end.
//
// The keyboard works it as a dialog (RunMessageLoop): Enter presses the focused button, or the
// default button where the focus is on no button; Escape presses the cancel button. The button
// Enter would press is drawn with the default frame.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/ui_control.h"

namespace quenlo::win32 {

class MainWindow final : public ui::Window {
 public:
  // The window, hidden; nullptr when Windows cannot create it.
  static std::unique_ptr<MainWindow> Make(HWND owner);
  // Destroys the window if it is still open, without onClose and without ending the loop.
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Throws std::invalid_argument for a name that is taken or a parent that does not exist.
  ui::Control& Create(const ui::ControlSpec& spec) override;
  ui::Control* Find(const std::string& name) override;
  std::vector<ui::Control*> Children(const std::string& parent) override;
  // Destroys the control with everything inside it. A control that is no longer there (or not
  // this window's) is left alone.
  void Destroy(ui::Control& control) override;

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetDefaultButton(const std::string& name) override;
  void SetCancelButton(const std::string& name) override;

  void StartTimer(unsigned intervalMs, std::function<void()> onTick) override;
  void StopTimer() override;

  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& caption) override;

  void RequestClose() override;
  bool Closed() const override { return closed_; }

  // Shows the window; the keyboard focus goes to its first control that takes it.
  void Show();
  HWND hwnd() const { return hwnd_; }
  // The background of the client area, behind the controls placed directly on it.
  Background ClientBackground() const;
  // The control whose window is `child`, or null.
  ControlImpl* ControlOf(HWND child) const;
  // Hands WM_COMMAND and WM_CTLCOLOR* from a child window to its control. False when the
  // message is neither or the child is none of ours; the caller then handles it by default.
  bool RouteChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The pixels per inch the window is laid out for.
  int dpi() const { return dpi_; }
  // Draws the default frame on the button Enter would press now, and on no other.
  void ShowDefaultButton();

 private:
  MainWindow() = default;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Close();
  void OnActivate(bool active);
  HWND FocusTarget() const;
  ControlImpl* FindControl(const std::string& name) const;
  // The button Enter presses now (the focused one, else the default), if it can be pressed.
  ControlImpl* EnterButton() const;
  // Presses `button`, when it is visible and enabled.
  static void Press(ControlImpl* button);
  // Sets the client area to the layout's size at the current density, its frame at `left`,
  // `top` (or centred on the screen).
  void FitClientArea(const POINT* topLeft);
  void OnDpiChanged(int dpi, const RECT& suggested);

  HWND hwnd_ = nullptr;
  std::vector<std::unique_ptr<ControlImpl>> controls_;  // in the order they were created
  int nextControlId_ = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send
  int dpi_ = 96;
  std::string caption_;
  std::string defaultButton_;
  std::string cancelButton_;
  std::function<void()> onTick_;
  HWND focusBeforeDeactivation_ = nullptr;
  bool querying_ = false;  // onCloseQuery is running
  bool closing_ = false;   // onClose is running or has run
  bool closed_ = false;    // the window is gone
  bool endsLoop_ = false;  // destroying the window ends the message loop
};

}  // namespace quenlo::win32
