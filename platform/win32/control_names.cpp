#include "platform/win32/control_names.h"

namespace quenlo::win32 {

void SetControlName(HWND window, const char* name) {
  const ATOM atom = GlobalAddAtomA(name);
  if (atom != 0)
    SetPropA(window, kControlNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

void ClearControlName(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropA(window, kControlNameProperty)));
  if (atom != 0) GlobalDeleteAtom(atom);
}

}  // namespace quenlo::win32
