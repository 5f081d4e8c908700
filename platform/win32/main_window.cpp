// The main window's frame: a fixed dialog frame with a close box, centred on the screen, with a
// client area of 561 x 371. The wizard's pages are built into it.
#include "platform/win32/main_window.h"

#include "platform/win32/control_names.h"

namespace quenlo::win32 {
namespace {

constexpr const char* kMainWindowClass = "TSetupMain_Form";
constexpr const char* kCaption = "安装 Quenlo播放 v2.0 Tesmar版";
constexpr int kClientWidth = 561;
constexpr int kClientHeight = 371;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      ClearControlName(window);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool CreateMainWindow(HWND owner) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  RegisterClassA(&windowClass);

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  HWND window = CreateWindowExA(exStyle, kMainWindowClass, kCaption, style, left, top, width,
                                height, owner, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return false;
  SetControlName(window, "SetupMain_Form");
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return true;
}

}  // namespace quenlo::win32
