#include "tools/uidriver/window_watch.h"

#include "tools/uidriver/text.h"
#include "tools/uidriver/window_query.h"

namespace quenlo::uidriver {
namespace {

constexpr DWORD kPollMs = 2;

// The watch whose thread is running; the hook callback has no context pointer of its own.
thread_local WindowWatch* currentWatch = nullptr;

std::string CaptionOf(HWND hwnd) {
  // For another process's window GetWindowTextW reads the caption without sending a message.
  wchar_t caption[512];
  const int length = GetWindowTextW(hwnd, caption, 512);
  return WideToGbk(std::wstring_view(caption, length > 0 ? length : 0)).value_or("?");
}

}  // namespace

WindowWatch::~WindowWatch() { Stop(); }

void WindowWatch::Start(DWORD processId) {
  Stop();
  processId_ = processId;
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = std::thread([this] { Run(); });
}

void WindowWatch::Stop() {
  if (!thread_.joinable()) return;
  SetEvent(stop_);
  thread_.join();
  CloseHandle(stop_);
  stop_ = nullptr;
}

std::vector<SeenWindow> WindowWatch::Seen() {
  if (processId_ != 0) NoteVisibleWindows();
  std::lock_guard lock(mutex_);
  return seen_;
}

void WindowWatch::Run() {
  currentWatch = this;
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnShow, processId_, 0,
                      WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  while (true) {
    NoteVisibleWindows();
    const DWORD woken = MsgWaitForMultipleObjects(1, &stop_, FALSE, kPollMs, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  if (hook != nullptr) UnhookWinEvent(hook);
  currentWatch = nullptr;
}

void CALLBACK WindowWatch::OnShow(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD,
                                  DWORD) {
  if (currentWatch == nullptr || hwnd == nullptr || object != OBJID_WINDOW ||
      child != CHILDID_SELF) {
    return;
  }
  if (GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow()) return;  // a control, not a window
  currentWatch->Note(hwnd);
}

void WindowWatch::NoteVisibleWindows() {
  for (HWND hwnd : TopLevelWindows(processId_, /*visibleOnly=*/true)) Note(hwnd);
}

void WindowWatch::Note(HWND hwnd) {
  SeenWindow window{hwnd, ClassName(hwnd), CaptionOf(hwnd), ControlName(hwnd)};
  std::lock_guard lock(mutex_);
  for (auto& known : seen_) {
    if (known.hwnd != hwnd) continue;
    // Keep what was read while the window existed; a caption set after showing replaces it.
    if (IsWindow(hwnd)) known = std::move(window);
    return;
  }
  seen_.push_back(std::move(window));
}

}  // namespace quenlo::uidriver
