// Names on windows, so that an out-of-process driver can find the controls a person sees.
//
// Each named window carries the property "QuenloName" whose value is a global atom holding the
// name ("Next_Btn", "SetupMain_Form"). Another process reads it with GetPropA and
// GlobalGetAtomNameA. The atom is released when the window is destroyed.
#pragma once

#include <windows.h>

#include <string>

namespace quenlo::win32 {

inline constexpr const wchar_t* kControlNameProperty = L"QuenloName";

void SetControlName(HWND window, const char* name);
// The name `window` carries (read as another process reads it); "" when it carries none.
std::string ControlName(HWND window);
// Call from WM_NCDESTROY.
void ClearControlName(HWND window);

}  // namespace quenlo::win32
