#include "platform/win32/dpi.h"

#include "platform/ui_scale.h"

namespace quenlo::win32 {
namespace {

// DPI_AWARENESS_CONTEXT values (windef.h of Windows 10), which older headers lack.
const auto kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const auto kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // The cast through a generic function pointer keeps GCC's -Wcast-function-type quiet.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

using SetContextFunction = BOOL(WINAPI*)(HANDLE);
using SetAwareFunction = BOOL(WINAPI*)();
using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

void DeclareDpiAwareness() {
  static const bool declared = [] {
    if (const auto setContext =
            User32Function<SetContextFunction>("SetProcessDpiAwarenessContext")) {
      if (setContext(kPerMonitorAwareV2) || setContext(kPerMonitorAware)) return true;
      // Refused: declared already (by the manifest) or too late; the system keeps its setting.
      return GetLastError() == ERROR_ACCESS_DENIED;
    }
    if (const auto setAware = User32Function<SetAwareFunction>("SetProcessDPIAware")) {
      return setAware() != FALSE;
    }
    return false;
  }();
  (void)declared;
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : ui::kDesignDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : ui::kDesignDpi;
}

int WindowDpi(HWND window) {
  static const auto dpiForWindow = User32Function<DpiForWindowFunction>("GetDpiForWindow");
  if (dpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = dpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
  static const auto adjustForDpi = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  RECT frame = {0, 0, clientWidth, clientHeight};
  if (adjustForDpi == nullptr ||
      !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace quenlo::win32
