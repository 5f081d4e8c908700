#include "platform/win32/ui_own_class.h"

namespace quenlo::win32 {
namespace {

LRESULT CALLBACK OwnClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* handler = reinterpret_cast<OwnClassHandler*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  LRESULT result = 0;
  if (handler != nullptr && handler->HandleOwnMessage(message, wParam, lParam, &result))
    return result;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

const wchar_t* RegisterOwnClass(const wchar_t* name) {
  WNDCLASSW windowClass = {};
  if (GetClassInfoW(GetModuleHandleW(nullptr), name, &windowClass)) return name;
  windowClass.lpfnWndProc = OwnClassProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = name;
  RegisterClassW(&windowClass);
  return name;
}

}  // namespace quenlo::win32
