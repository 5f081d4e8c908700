#include "platform/win32/control_names.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {

void SetControlName(HWND window, const char* name) {
  const ATOM atom = GlobalAddAtomW(Wide(name).c_str());
  if (atom != 0)
    SetPropW(window, kControlNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

std::string ControlName(HWND window) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, "QuenloName")));
  char name[256] = "";
  return atom != 0 ? std::string(name, GlobalGetAtomNameA(atom, name, sizeof name)) : "";
}

void ClearControlName(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropW(window, kControlNameProperty)));
  if (atom != 0) GlobalDeleteAtom(atom);
}

}  // namespace quenlo::win32
