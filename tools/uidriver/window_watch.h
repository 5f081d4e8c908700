// A record of every top-level window a process has shown, from the moment the driver started it,
// so a test can tell that a window was never shown (not merely that none is shown now).
//
// A thread of the driver takes note of the process's visible top-level windows twice: through an
// out-of-context EVENT_OBJECT_SHOW hook, which Windows calls for every window shown, and by
// listing them every 2 ms. Wine (8.0) delivers no such event from another process, so there the
// listing alone sees the windows: one shown for less than 2 ms could be missed.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quenlo::uidriver {

struct SeenWindow {
  HWND hwnd = nullptr;
  std::string className;  // GBK
  std::string caption;    // GBK; the last caption seen while it was visible
  std::string name;       // the control name, "" when it carries none
};

class WindowWatch {
 public:
  WindowWatch() = default;
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  void Start(DWORD processId);
  void Stop();
  // Takes note of the process's visible windows now, then returns every window seen so far, in
  // the order they were first seen.
  std::vector<SeenWindow> Seen();
  // Takes note of a window the driver itself found shown. The show event of a box that is open
  // only briefly can reach the watch after the box is gone, too late to tell what it was.
  void Note(HWND hwnd);

 private:
  void Run();
  void NoteVisibleWindows();
  static void CALLBACK OnShow(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG object, LONG child,
                              DWORD thread, DWORD time);

  DWORD processId_ = 0;
  HANDLE stop_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<SeenWindow> seen_;
};

}  // namespace quenlo::uidriver
