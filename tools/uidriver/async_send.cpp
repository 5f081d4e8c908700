#include "tools/uidriver/async_send.h"

#include <algorithm>

#include "tools/uidriver/error.h"
#include "tools/uidriver/process.h"
#include "tools/uidriver/window_query.h"

namespace quenlo::uidriver {

struct AsyncSend::Job {
  HWND target;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::wstring text;

  static DWORD WINAPI Run(void* context) {
    std::unique_ptr<Job> job(static_cast<Job*>(context));
    const LPARAM lParam =
        job->message == WM_SETTEXT ? reinterpret_cast<LPARAM>(job->text.c_str()) : job->lParam;
    SendMessageW(job->target, job->message, job->wParam, lParam);
    return 0;
  }
};

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Handled:
      return "handled";
    case Outcome::WindowOpened:
      return "window";
    case Outcome::ProcessEnded:
      return "ended";
  }
  return "?";
}

AsyncSend::AsyncSend(HWND target, UINT message, WPARAM wParam, LPARAM lParam, std::wstring text) {
  auto job = std::make_unique<Job>(Job{target, message, wParam, lParam, std::move(text)});
  thread_ = CreateThread(nullptr, 0, &Job::Run, job.get(), 0, nullptr);
  if (thread_ == nullptr)
    throw DriverError(SystemErrorText("cannot start a thread", GetLastError()));
  job.release();  // the thread owns it now
}

AsyncSend::~AsyncSend() {
  if (thread_ != nullptr) CloseHandle(thread_);
}

bool AsyncSend::Done() const { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }

ActionResult AwaitSettled(const Process& process, const AsyncSend& send,
                          const std::vector<HWND>& before, HWND ignore, Milliseconds timeout,
                          const std::string& what) {
  const auto newWindow = [&]() -> HWND {
    for (HWND hwnd : TopLevelWindows(process.Id(), /*visibleOnly=*/true)) {
      if (hwnd != ignore && std::find(before.begin(), before.end(), hwnd) == before.end()) {
        return hwnd;
      }
    }
    return nullptr;
  };
  const HANDLE waits[] = {send.Thread(), process.Handle()};
  const Deadline deadline(timeout);
  while (true) {
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, 10);
    if (woken == WAIT_OBJECT_0) {
      // Handled; a window the handler opened without waiting for it still counts.
      if (HWND opened = newWindow()) return {Outcome::WindowOpened, opened};
      return {Outcome::Handled, nullptr};
    }
    if (woken == WAIT_OBJECT_0 + 1) return {Outcome::ProcessEnded, nullptr};
    if (HWND opened = newWindow()) return {Outcome::WindowOpened, opened};
    if (deadline.Passed()) {
      throw DriverError(what +
                        ": the program neither finished handling it nor showed a window "
                        "within " +
                        std::to_string(timeout) + " ms");
    }
  }
}

}  // namespace quenlo::uidriver
