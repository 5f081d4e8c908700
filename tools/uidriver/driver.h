// The UI driver: starts a program and uses its windows from outside, as a person would.
//
// One Driver drives one program. It finds controls by the name they carry (the "QuenloName"
// window property, see window_query.h) and top-level windows by name or caption, reads what they
// show, clicks, types, ticks check boxes, answers message boxes, drives the shell's folder dialog
// and asks windows to close. Every action is sent so that a modal box the program opens in
// response does not stop the driver (async_send.h) and returns how the program reacted. Every
// wait has a timeout and fails with a DriverError that says what was awaited.
//
// Texts passed in and returned are GBK, as the program holds them; Dump() gives UTF-8 JSON.
// The driver records every top-level window the program shows from its start (window_watch.h).
// When the Driver ends, a program it started that still runs is ended (exit code 1), unless
// LeaveRunning() was called.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/uidriver/async_send.h"
#include "tools/uidriver/deadline.h"
#include "tools/uidriver/folder_dialog.h"
#include "tools/uidriver/json.h"
#include "tools/uidriver/message_box.h"
#include "tools/uidriver/process.h"
#include "tools/uidriver/window_query.h"
#include "tools/uidriver/window_watch.h"

namespace quenlo::uidriver {

inline constexpr Milliseconds kDefaultTimeout = 5000;

class Driver {
 public:
  explicit Driver(Milliseconds defaultTimeout = kDefaultTimeout);
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  Milliseconds DefaultTimeout() const { return timeout_; }
  void SetDefaultTimeout(Milliseconds timeout) { timeout_ = timeout; }

  // --- The program -------------------------------------------------------------------------
  void Start(const std::filesystem::path& program, const std::vector<std::string>& arguments = {},
             const StartOptions& options = {});
  DWORD ProcessId() const;
  bool Running() const { return process_.Running(); }
  // Waits for the program to end and returns its exit code.
  DWORD WaitExit(std::optional<Milliseconds> timeout = {});
  void LeaveRunning() { leaveRunning_ = true; }

  // --- Windows ---------------------------------------------------------------------------------
  // The program's visible top-level windows now, topmost first.
  std::vector<HWND> Windows() const;
  // Every top-level window the program has shown since it started, in order of first showing.
  std::vector<SeenWindow> WindowsEverShown();
  // Waits for a visible top-level window with that name or caption (any, when empty).
  HWND WaitWindow(std::string_view nameOrCaption = {}, std::optional<Milliseconds> timeout = {});
  // A visible top-level window with that name or caption, or a control with that name; throws
  // DriverError when there is none.
  HWND Find(std::string_view nameOrCaption) const;
  std::optional<HWND> TryFind(std::string_view nameOrCaption) const;
  WindowState Get(std::string_view name) const;
  // Waits until the window's state satisfies `condition`; `description` names the condition
  // in the error.
  WindowState WaitState(std::string_view name,
                        const std::function<bool(const WindowState&)>& condition,
                        std::string_view description, std::optional<Milliseconds> timeout = {});

  // --- Acting ------------------------------------------------------------------------------------
  // Presses a visible, enabled button (BM_CLICK).
  ActionResult Click(std::string_view name);
  // Replaces the text of an edit box (WM_SETTEXT; the edit control itself then notifies its
  // parent with EN_CHANGE, so the program's change handler runs).
  ActionResult Type(std::string_view name, std::string_view text);
  // Clicks a check box when it is not in the wanted state, then requires that state.
  ActionResult SetChecked(std::string_view name, bool checked);
  // The close box (WM_CLOSE) or Alt+F4 and the system menu (WM_SYSCOMMAND SC_CLOSE), for the
  // named window or, when empty, the program's main window (its largest visible window that is
  // not a dialog).
  ActionResult Close(std::string_view nameOrCaption = {});
  ActionResult AltF4(std::string_view nameOrCaption = {});

  // --- Message boxes -----------------------------------------------------------------------------
  MessageBoxInfo WaitMessageBox(std::optional<Milliseconds> timeout = {});
  // Presses the button of that answer ID in the open message box (waiting for one first).
  ActionResult Answer(int answerId);

  // --- The shell's folder dialog -----------------------------------------------------------------
  FolderDialogInfo WaitFolderDialog(std::optional<Milliseconds> timeout = {});
  // Selects the folder at `path` and presses OK.
  ActionResult BrowseTo(std::string_view path);
  ActionResult BrowseCancel();

  // --- Looking
  // ------------------------------------------------------------------------------------- The
  // window tree of the named window, or {"windows":[...]} for all visible top-level ones.
  Json Dump(std::string_view nameOrCaption = {}) const;
  // Saves what the screen shows of the named window (the topmost one that is not empty, when no
  // name is given) as a BMP.
  void Screenshot(const std::filesystem::path& file, std::string_view nameOrCaption = {}) const;

 private:
  void RequireStarted() const;
  Milliseconds Or(std::optional<Milliseconds> timeout) const { return timeout.value_or(timeout_); }
  HWND MainWindow() const;
  HWND WaitForWindow(const std::function<bool(HWND)>& match, Milliseconds timeout,
                     const std::string& what);
  // Sends `message` to `target` so that a modal box cannot block the driver, and waits for the
  // program to settle.
  ActionResult Act(HWND target, UINT message, WPARAM wParam, LPARAM lParam, std::wstring text,
                   const std::string& what);
  // Presses a button of a box or dialog, then waits for the action that opened it to settle.
  ActionResult PressDialogButton(HWND dialog, HWND button, const std::string& what);

  Milliseconds timeout_;
  Process process_;
  WindowWatch watch_;
  bool leaveRunning_ = false;
  std::vector<std::unique_ptr<AsyncSend>> pending_;  // sends held up behind a box
};

}  // namespace quenlo::uidriver
