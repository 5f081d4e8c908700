// The application object: COM for the main thread, the application window that carries the
// title shown on the taskbar button, and the main window with its message loop. What the main
// window shows is built by the MainWindowBuilder that the program gives (ui_backend.h).
//
// As in the class library the wizard was designed with, the taskbar button belongs to a hidden
// application window whose caption is the application title; the main window is owned by it.
// Until a title is set, the title is the executable's file name without its extension.
#include <objbase.h>
#include <windows.h>

#include <string>
#include <utility>

#include "base/path.h"
#include "platform/win32/backend.h"
#include "platform/win32/control_names.h"
#include "platform/win32/dpi.h"
#include "platform/win32/process.h"
#include "platform/win32/ui_backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

constexpr const wchar_t* kApplicationClass = L"QuenloApplication";

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) ClearControlName(window);
  return DefWindowProcW(window, message, wParam, lParam);
}

std::string DefaultTitle() {
  std::string name = FileNamePart(GbkLossy(OwnProgramFile()));
  const std::string extension = ExtensionPart(name);
  return name.substr(0, name.size() - extension.size());
}

// The program's icon in resources/setup.rc.
constexpr const wchar_t* kProgramIcon = L"MAINICON";

class Win32Application final : public platform::Application {
 public:
  explicit Win32Application(MainWindowBuilder buildMainWindow)
      : buildMainWindow_(std::move(buildMainWindow)) {}
  Win32Application(const Win32Application&) = delete;
  Win32Application& operator=(const Win32Application&) = delete;

  ~Win32Application() override {
    if (window_ != nullptr) DestroyWindow(window_);
    if (comInitialized_) CoUninitialize();
  }

  void Initialize() override {
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    DeclareDpiAwareness();  // before the process's first window
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ApplicationWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, kProgramIcon);
    windowClass.lpszClassName = kApplicationClass;
    RegisterClassW(&windowClass);
    // A visible window of no size: it owns the taskbar button and shows nothing.
    window_ = CreateWindowExW(0, kApplicationClass, Wide(DefaultTitle()).c_str(),
                              WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    if (window_ != nullptr) SetControlName(window_, "Application");
  }

  void SetTitle(const std::string& title) override {
    if (window_ != nullptr) SetWindowTextW(window_, Wide(title).c_str());
  }

  void RunMainWindow() override {
    const std::unique_ptr<ui::Window> mainWindow = MakeMainWindow(window_);
    if (mainWindow == nullptr) return;
    std::shared_ptr<void> content;
    if (buildMainWindow_) content = buildMainWindow_(*mainWindow);
    ShowMainWindow(*mainWindow);
    RunMessageLoop(*mainWindow);
    // The content may still refer to the window: it goes first.
    content.reset();
  }

  void Terminate() override { PostQuitMessage(0); }

 private:
  MainWindowBuilder buildMainWindow_;
  HWND window_ = nullptr;
  bool comInitialized_ = false;
};

}  // namespace

std::unique_ptr<platform::Application> MakeApplication(MainWindowBuilder buildMainWindow) {
  return std::make_unique<Win32Application>(std::move(buildMainWindow));
}

std::unique_ptr<platform::Application> MakeApplication() { return MakeApplication(nullptr); }

}  // namespace quenlo::win32
