// The GUI application object that start-up drives: it initialises the framework (and COM for the
// main thread), names the taskbar button, creates the main window and runs the message loop.
#pragma once

#include <string>

namespace quenlo::platform {

class Application {
 public:
  virtual ~Application() = default;
  // Initialises the application; on Windows this initialises COM for the main thread.
  virtual void Initialize() = 0;
  // The text of the taskbar button.
  virtual void SetTitle(const std::string& title) = 0;
  // Creates the main window and runs the message loop until it has closed.
  virtual void RunMainWindow() = 0;
  // Ends the application without creating a window.
  virtual void Terminate() = 0;
};

}  // namespace quenlo::platform
