#include "tools/uidriver/driver.h"

#include <algorithm>

#include "tools/uidriver/capture.h"
#include "tools/uidriver/dump.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

constexpr Milliseconds kPollInterval = 10;

std::string Describe(std::string_view nameOrCaption) {
  return "\"" + GbkToUtf8(nameOrCaption) + "\"";
}

std::string CaptionOf(HWND hwnd) {
  wchar_t caption[512];
  const int length = GetWindowTextW(hwnd, caption, 512);
  return WideToGbk(std::wstring_view(caption, length > 0 ? length : 0)).value_or("?");
}

bool MatchesNameOrCaption(HWND hwnd, std::string_view nameOrCaption) {
  return nameOrCaption.empty() || ControlName(hwnd) == nameOrCaption ||
         CaptionOf(hwnd) == nameOrCaption;
}

}  // namespace

Driver::Driver(Milliseconds defaultTimeout) : timeout_(defaultTimeout) {}

Driver::~Driver() {
  watch_.Stop();
  if (!leaveRunning_) process_.Terminate(1);
}

void Driver::Start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const StartOptions& options) {
  process_.Start(program, arguments, options);
  watch_.Start(process_.Id());
}

void Driver::RequireStarted() const {
  if (!process_.Started()) throw DriverError("no program has been started");
}

DWORD Driver::ProcessId() const {
  RequireStarted();
  return process_.Id();
}

DWORD Driver::WaitExit(std::optional<Milliseconds> timeout) {
  RequireStarted();
  const auto code = process_.WaitForExit(Or(timeout));
  if (!code) {
    throw DriverError("the program was still running after " + std::to_string(Or(timeout)) + " ms");
  }
  return *code;
}

std::vector<HWND> Driver::Windows() const {
  RequireStarted();
  return TopLevelWindows(process_.Id(), /*visibleOnly=*/true);
}

std::vector<SeenWindow> Driver::WindowsEverShown() {
  RequireStarted();
  return watch_.Seen();
}

HWND Driver::WaitForWindow(const std::function<bool(HWND)>& match, Milliseconds timeout,
                           const std::string& what) {
  RequireStarted();
  const Deadline deadline(timeout);
  while (true) {
    for (HWND hwnd : Windows()) {
      if (!match(hwnd)) continue;
      watch_.Note(hwnd);
      return hwnd;
    }
    if (!process_.Running()) {
      throw DriverError("the program ended (exit code " + std::to_string(*process_.WaitForExit(0)) +
                        ") while waiting for " + what);
    }
    if (deadline.Passed()) {
      throw DriverError("no " + what + " within " + std::to_string(timeout) + " ms");
    }
    Sleep(kPollInterval);
  }
}

HWND Driver::WaitWindow(std::string_view nameOrCaption, std::optional<Milliseconds> timeout) {
  const std::string what = nameOrCaption.empty() ? "window" : "window " + Describe(nameOrCaption);
  return WaitForWindow([&](HWND hwnd) { return MatchesNameOrCaption(hwnd, nameOrCaption); },
                       Or(timeout), what);
}

std::optional<HWND> Driver::TryFind(std::string_view nameOrCaption) const {
  for (HWND hwnd : Windows()) {
    if (MatchesNameOrCaption(hwnd, nameOrCaption)) return hwnd;
  }
  return FindNamedWindow(process_.Id(), nameOrCaption);
}

HWND Driver::Find(std::string_view nameOrCaption) const {
  if (const auto hwnd = TryFind(nameOrCaption)) return *hwnd;
  throw DriverError("no window or control named " + Describe(nameOrCaption));
}

WindowState Driver::Get(std::string_view name) const { return ReadWindowState(Find(name)); }

WindowState Driver::WaitState(std::string_view name,
                              const std::function<bool(const WindowState&)>& condition,
                              std::string_view description, std::optional<Milliseconds> timeout) {
  const Deadline deadline(Or(timeout));
  std::string last = "it did not exist";
  while (true) {
    if (const auto hwnd = TryFind(name)) {
      try {
        WindowState state = ReadWindowState(*hwnd);
        if (condition(state)) return state;
        last = "text \"" + GbkToUtf8(state.text) + "\", " +
               (state.enabled ? "enabled" : "disabled") + ", " +
               (state.visible ? "visible" : "hidden");
      } catch (const DriverError&) {
        last = "it was destroyed";  // a page rebuilt under our feet: look again
      }
    }
    if (deadline.Passed()) {
      throw DriverError(Describe(name) + " did not become " + std::string(description) +
                        " within " + std::to_string(Or(timeout)) + " ms (last: " + last + ")");
    }
    Sleep(kPollInterval);
  }
}

ActionResult Driver::Act(HWND target, UINT message, WPARAM wParam, LPARAM lParam, std::wstring text,
                         const std::string& what) {
  RequireStarted();
  std::erase_if(pending_, [](const auto& send) { return send->Done(); });
  const std::vector<HWND> before = Windows();
  auto send = std::make_unique<AsyncSend>(target, message, wParam, lParam, std::move(text));
  const ActionResult result = AwaitSettled(process_, *send, before, nullptr, timeout_, what);
  if (result.outcome == Outcome::WindowOpened) watch_.Note(result.window);
  if (!send->Done()) pending_.push_back(std::move(send));
  return result;
}

ActionResult Driver::Click(std::string_view name) {
  const HWND button = Find(name);
  if (!IsWindowVisible(button)) throw DriverError(Describe(name) + " is not visible");
  if (!IsUsable(button)) throw DriverError(Describe(name) + " is disabled");
  return Act(button, BM_CLICK, 0, 0, {}, "click on " + Describe(name));
}

ActionResult Driver::Type(std::string_view name, std::string_view text) {
  const HWND edit = Find(name);
  if (!IsWindowVisible(edit)) throw DriverError(Describe(name) + " is not visible");
  if (!IsUsable(edit)) throw DriverError(Describe(name) + " is disabled");
  if (HasClass(edit, "Edit") && (GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY) != 0) {
    throw DriverError(Describe(name) + " is read-only");
  }
  return Act(edit, WM_SETTEXT, 0, 0, GbkToWide(text), "typing into " + Describe(name));
}

ActionResult Driver::SetChecked(std::string_view name, bool checked) {
  const HWND box = Find(name);
  const auto state = CheckState(box);
  if (!state) throw DriverError(Describe(name) + " is not a check box");
  if (*state == checked) return {Outcome::Handled, nullptr};
  const ActionResult result = Click(name);
  if (result.outcome == Outcome::Handled && CheckState(box) != checked) {
    throw DriverError(Describe(name) + " stayed " + (checked ? "unticked" : "ticked") +
                      " after a click");
  }
  return result;
}

HWND Driver::MainWindow() const {
  // The largest visible window that is not a dialog: a framework may keep a small visible
  // application window besides the main one.
  HWND main = nullptr;
  long largest = -1;
  for (HWND hwnd : Windows()) {
    if (HasClass(hwnd, "#32770")) continue;
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const long area = static_cast<long>(rect.right - rect.left) * (rect.bottom - rect.top);
    if (area > largest) {
      largest = area;
      main = hwnd;
    }
  }
  if (main == nullptr) throw DriverError("the program shows no main window");
  return main;
}

ActionResult Driver::Close(std::string_view nameOrCaption) {
  const HWND window = nameOrCaption.empty() ? MainWindow() : Find(nameOrCaption);
  if (!IsWindowEnabled(window)) throw DriverError("the window is disabled (is a box open?)");
  return Act(window, WM_CLOSE, 0, 0, {}, "closing the window");
}

ActionResult Driver::AltF4(std::string_view nameOrCaption) {
  const HWND window = nameOrCaption.empty() ? MainWindow() : Find(nameOrCaption);
  if (!IsWindowEnabled(window)) throw DriverError("the window is disabled (is a box open?)");
  return Act(window, WM_SYSCOMMAND, SC_CLOSE, 0, {}, "Alt+F4 on the window");
}

MessageBoxInfo Driver::WaitMessageBox(std::optional<Milliseconds> timeout) {
  return ReadMessageBox(WaitForWindow(IsMessageBox, Or(timeout), "message box"));
}

ActionResult Driver::PressDialogButton(HWND dialog, HWND button, const std::string& what) {
  std::erase_if(pending_, [](const auto& send) { return send->Done(); });
  std::vector<HWND> before = Windows();
  std::erase(before, dialog);
  AsyncSend press(button, BM_CLICK, 0, 0);
  ActionResult result = AwaitSettled(process_, press, before, dialog, timeout_, what);
  if (result.outcome != Outcome::Handled || pending_.empty()) return result;
  // The box is answered: the handler that opened it goes on. Wait for it to return, or for the
  // next box it opens.
  const auto& origin = pending_.back();
  before = Windows();
  std::erase(before, dialog);
  result = AwaitSettled(process_, *origin, before, dialog, timeout_, what);
  if (result.outcome == Outcome::WindowOpened) watch_.Note(result.window);
  if (origin->Done()) pending_.pop_back();
  return result;
}

ActionResult Driver::Answer(int answerId) {
  const MessageBoxInfo box = WaitMessageBox();
  return PressDialogButton(box.hwnd, MessageBoxButton(box.hwnd, answerId),
                           "answering " + AnswerName(answerId));
}

FolderDialogInfo Driver::WaitFolderDialog(std::optional<Milliseconds> timeout) {
  return ReadFolderDialog(process_, WaitForWindow(IsFolderDialog, Or(timeout), "folder dialog"));
}

ActionResult Driver::BrowseTo(std::string_view path) {
  const FolderDialogInfo dialog = WaitFolderDialog();
  SelectFolder(process_, dialog.hwnd, path);
  const HWND ok = GetDlgItem(dialog.hwnd, IDOK);
  if (ok == nullptr || !IsWindowEnabled(ok)) {
    throw DriverError("the folder dialog does not accept " + GbkToUtf8(path) + " (OK is disabled)");
  }
  return PressDialogButton(dialog.hwnd, ok, "OK in the folder dialog");
}

ActionResult Driver::BrowseCancel() {
  const FolderDialogInfo dialog = WaitFolderDialog();
  const HWND cancel = GetDlgItem(dialog.hwnd, IDCANCEL);
  if (cancel == nullptr) throw DriverError("the folder dialog has no Cancel button");
  return PressDialogButton(dialog.hwnd, cancel, "Cancel in the folder dialog");
}

Json Driver::Dump(std::string_view nameOrCaption) const {
  if (!nameOrCaption.empty()) return DumpWindowTree(Find(nameOrCaption));
  Json windows = Json::MakeArray();
  for (HWND hwnd : Windows()) windows.Push(DumpWindowTree(hwnd));
  return Json::MakeObject().Set("windows", std::move(windows));
}

void Driver::Screenshot(const std::filesystem::path& file, std::string_view nameOrCaption) const {
  HWND window = nullptr;
  if (!nameOrCaption.empty()) {
    window = Find(nameOrCaption);
  } else {
    // The topmost window that covers any pixels.
    for (HWND hwnd : Windows()) {
      RECT rect{};
      GetWindowRect(hwnd, &rect);
      if (rect.right > rect.left && rect.bottom > rect.top) {
        window = hwnd;
        break;
      }
    }
    if (window == nullptr) throw DriverError("the program shows no window to capture");
  }
  // Let the program paint what it shows now: a window just shown may not have painted yet, and
  // under Wine its pixels reach the screen once its thread is back in its message loop. Then take
  // the picture when two captures in a row agree.
  QueryWindow(window, WM_NULL);
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  QueryWindow(window, WM_NULL);
  Image image = CaptureWindow(window);
  for (int attempt = 0; attempt < 10; ++attempt) {
    Sleep(kPollInterval * 2);
    Image again = CaptureWindow(window);
    const bool stable = again.bgr == image.bgr;
    image = std::move(again);
    if (stable) break;
  }
  SaveBmp(image, file);
}

}  // namespace quenlo::uidriver
