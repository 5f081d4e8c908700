// The application object: COM for the main thread, the application window that carries the
// title shown on the taskbar button, and the message loop around the main window.
//
// As in the class library the wizard was designed with, the taskbar button belongs to a hidden
// application window whose caption is the application title; the main window is owned by it.
// Until a title is set, the title is the executable's file name without its extension.
#include <objbase.h>
#include <windows.h>

#include <string>

#include "payload/path.h"
#include "platform/win32/backend.h"
#include "platform/win32/control_names.h"
#include "platform/win32/main_window.h"

namespace quenlo::win32 {
namespace {

constexpr const char* kApplicationClass = "QuenloApplication";

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) ClearControlName(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string DefaultTitle() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = FileNamePart(path);
  const std::string extension = ExtensionPart(name);
  return name.substr(0, name.size() - extension.size());
}

class Win32Application final : public platform::Application {
 public:
  ~Win32Application() override {
    if (window_ != nullptr) DestroyWindow(window_);
    if (comInitialized_) CoUninitialize();
  }

  void Initialize() override {
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ApplicationWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kApplicationClass;
    RegisterClassA(&windowClass);
    // A visible window of no size: it owns the taskbar button and shows nothing.
    window_ = CreateWindowExA(0, kApplicationClass, DefaultTitle().c_str(),
                              WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    if (window_ != nullptr) SetControlName(window_, "Application");
  }

  void SetTitle(const std::string& title) override {
    if (window_ != nullptr) SetWindowTextA(window_, title.c_str());
  }

  void RunMainWindow() override {
    if (!CreateMainWindow(window_)) return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  void Terminate() override { PostQuitMessage(0); }

 private:
  HWND window_ = nullptr;
  bool comInitialized_ = false;
};

}  // namespace

std::unique_ptr<platform::Application> MakeApplication() {
  return std::make_unique<Win32Application>();
}

}  // namespace quenlo::win32
