// The demo player: a window that shows the command line it was started with and what the player
// would do with it, so that the setup's "/o" (open and play) and "/a" (add to the play list)
// commands can be seen working.
//
// For drivers that read the window from outside, the controls carry their names in the window
// property "QuenloName" (a global atom):
//   Player_Form    the main window; its caption is "Quenlo播放 演示" and the arguments
//   CommandLine_L  the whole command line, exactly as the process received it
//   Arguments_L    the arguments after the program, one per line, numbered from 1
//   Request_L      the request in words
//   Close_Btn      closes the player
#include <windows.h>

#include <string>
#include <vector>

#include "demo/player/command_line.h"
#include "platform/win32/wide_text.h"

namespace {

constexpr const wchar_t* kNameProperty = L"QuenloName";
constexpr const wchar_t* kWindowClass = L"QuenloDemoPlayer";
constexpr int kCloseId = 100;

struct Texts {
  std::string caption;
  std::string commandLine;
  std::string arguments;
  std::string request;
};

struct Control {
  const char* name;
  const wchar_t* className;
  DWORD style;
  int x, y, width, height;
  int id;
  const char* fixedText;               // the text of a caption or button, or
  std::string Texts::*text = nullptr;  // the text that comes from the command line
};

// The window's layout: one row per control, in client coordinates.
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
const Control kControls[] = {
    {"Caption1_L", L"Static", kLabel, 12, 12, 80, 16, 0, "命令行："},
    {"CommandLine_L", L"Static", kLabel | SS_EDITCONTROL, 96, 12, 480, 48, 0, nullptr,
     &Texts::commandLine},
    {"Caption2_L", L"Static", kLabel, 12, 68, 80, 16, 0, "参数："},
    {"Arguments_L", L"Static", kLabel, 96, 68, 480, 96, 0, nullptr, &Texts::arguments},
    {"Caption3_L", L"Static", kLabel, 12, 172, 80, 16, 0, "请求："},
    {"Request_L", L"Static", kLabel, 96, 172, 480, 80, 0, nullptr, &Texts::request},
    {"Close_Btn", L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 496, 264, 80,
     24, kCloseId, "关闭"},
};

Texts TextsFor(const std::string& commandLine) {
  namespace demo = quenlo::demo;
  const demo::SplitLine split = demo::SplitCommandLine(commandLine);
  Texts texts;
  texts.caption = "Quenlo播放 演示";
  if (!split.rest.empty()) texts.caption += " - " + split.rest;
  texts.commandLine = commandLine;
  for (std::size_t i = 0; i < split.arguments.size(); ++i) {
    if (i > 0) texts.arguments += "\r\n";
    texts.arguments += std::to_string(i + 1) + ": " + split.arguments[i];
  }
  if (split.arguments.empty()) texts.arguments = "（无）";
  texts.request = demo::DescribeRequest(demo::ParseRequest(split.arguments));
  return texts;
}

void Name(HWND window, const char* name) {
  const ATOM atom = GlobalAddAtomW(quenlo::win32::Wide(name).c_str());
  SetPropW(window, kNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

void Unname(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropW(window, kNameProperty)));
  if (atom != 0) GlobalDeleteAtom(atom);
}

BOOL CALLBACK UnnameChild(HWND child, LPARAM) {
  Unname(child);
  return TRUE;
}

void CreateControls(HWND window, const Texts& texts) {
  const auto font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const Control& control : kControls) {
    const char* text = control.text != nullptr ? (texts.*control.text).c_str() : control.fixedText;
    HWND child = CreateWindowExW(0, control.className, quenlo::win32::Wide(text).c_str(),
                                 control.style, control.x, control.y, control.width, control.height,
                                 window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (child == nullptr) continue;
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Name(child, control.name);
  }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      CreateControls(window, *static_cast<const Texts*>(create->lpCreateParams));
      Name(window, "Player_Form");
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kCloseId || LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      EnumChildWindows(window, UnnameChild, 0);
      Unname(window);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  // The command line as GBK whatever the system's language; '?' stands for a character GBK lacks.
  const Texts texts = TextsFor(quenlo::win32::GbkLossy(GetCommandLineW()));

  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (RegisterClassExW(&windowClass) == 0) return 1;

  RECT frame = {0, 0, 588, 300};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowExW(0, kWindowClass, quenlo::win32::Wide(texts.caption).c_str(), style,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance,
                                const_cast<Texts*>(&texts));
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
