// Window classes of our own (panels, pictures): registered once per process, their window
// procedure hands each message to the control object given as CreateWindowEx's lpParam.
#pragma once

#include <windows.h>

namespace quenlo::win32 {

class OwnClassHandler {
 public:
  // Handles a message of the control's own window; false passes it to DefWindowProc.
  virtual bool HandleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;

 protected:
  ~OwnClassHandler() = default;
};

// Registers the class `name` (once) with the shared window procedure and no background brush;
// the handler paints. Pass a pointer to the OwnClassHandler as lpParam when creating a window.
const wchar_t* RegisterOwnClass(const wchar_t* name);

}  // namespace quenlo::win32
