#include "platform/win32/ui_own_class.h"

namespace quenlo::win32 {
namespace {

LRESULT CALLBACK OwnClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* handler = reinterpret_cast<OwnClassHandler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  LRESULT result = 0;
  if (handler != nullptr && handler->HandleOwnMessage(message, wParam, lParam, &result))
    return result;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

const char* RegisterOwnClass(const char* name) {
  WNDCLASSA windowClass = {};
  if (GetClassInfoA(GetModuleHandleA(nullptr), name, &windowClass)) return name;
  windowClass.lpfnWndProc = OwnClassProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);
  return name;
}

}  // namespace quenlo::win32
