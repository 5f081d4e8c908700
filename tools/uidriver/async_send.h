// Acting on another program without being stopped by its modal loops.
//
// A click, a text change or a close request makes the program run a handler, and a handler may
// open a modal message box or dialog: a plain SendMessage would then not return until a person
// answered the box, and the driver could never answer it. So the driver sends each such message
// on a thread of its own (SendMessageW, so the message is handled exactly as if sent inline)
// and waits until one of three things happens: the handler has returned, the program shows a new
// top-level window (the box), or the program ends. A send left waiting behind a box finishes
// when the box is answered; AwaitSettled then waits for what the program does next.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/uidriver/deadline.h"

namespace quenlo::uidriver {

class Process;

enum class Outcome {
  Handled,       // the program handled the message and is waiting for input again
  WindowOpened,  // the program showed a new top-level window (a box or dialog) meanwhile
  ProcessEnded,  // the program ended
};

const char* OutcomeName(Outcome outcome);  // "handled", "window", "ended"

struct ActionResult {
  Outcome outcome = Outcome::Handled;
  HWND window = nullptr;  // the new window, for WindowOpened
};

// One message on its way to a window, sent from a thread of the driver.
class AsyncSend {
 public:
  // Starts sending. For WM_SETTEXT pass the text in `text`; lParam then points at it.
  AsyncSend(HWND target, UINT message, WPARAM wParam, LPARAM lParam, std::wstring text = {});
  ~AsyncSend();  // does not wait: the thread keeps what it needs and ends on its own
  AsyncSend(const AsyncSend&) = delete;
  AsyncSend& operator=(const AsyncSend&) = delete;

  bool Done() const;
  HANDLE Thread() const { return thread_; }

 private:
  struct Job;
  HANDLE thread_ = nullptr;
};

// Waits until `send` is handled, the process shows a visible top-level window that is not in
// `before` (nor `ignore`), or the process ends. Throws DriverError naming `what` when none of
// that happens within `timeout`.
ActionResult AwaitSettled(const Process& process, const AsyncSend& send,
                          const std::vector<HWND>& before, HWND ignore, Milliseconds timeout,
                          const std::string& what);

}  // namespace quenlo::uidriver
