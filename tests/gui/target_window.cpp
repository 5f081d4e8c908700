// gui_target_window: a window with one control of each kind the setup uses, named the same way,
// for testing the UI driver itself. Its handlers leave their traces in the label Status_L.
//
// Next_Btn counts its clicks in Count_L; Notice_Btn and Ask_Btn open boxes (OK without icon;
// Yes/No with the question icon); Folder_E's change handler writes "changed:<text>" and, for the
// text "full", opens a box before it returns; Browse_Btn opens the shell's folder dialog and puts
// the folder into Folder_E; Fill_Btn fills Install_PB. Closing asks Yes/No first. Exit code 3.
#include <windows.h>
// The others need windows.h first.
#include <commctrl.h>
#include <shlobj.h>

#include <string>

namespace {

constexpr int kExitCode = 3;
constexpr COLORREF kBackground = RGB(0x20, 0x80, 0xC0);
// The notice and low-space handlers go on working a moment after their box is answered, so that a
// driver that does not wait for the rest of the handler sees their effects too early. (The notice
// handler then enables Off_Btn: a state read without a message to the busy window.)
constexpr DWORD kWorkAfterBoxMs = 300;

enum ControlId { kNext = 10, kNotice, kAsk, kBrowse, kFill, kHidden, kOff, kFolder, kCheck };

HWND mainWindow, countLabel, statusLabel, folderEdit, progressBar, offButton;
int clicks = 0;

void Name(HWND hwnd, const char* name) {
  SetPropA(hwnd, "QuenloName",
           reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GlobalAddAtomA(name))));
}

HWND Add(const char* className, const char* text, DWORD style, RECT place, HWND parent, int id,
         const char* name) {
  const HWND hwnd = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, place.left,
                                    place.top, place.right, place.bottom, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    GetModuleHandleA(nullptr), nullptr);
  Name(hwnd, name);
  return hwnd;
}

void SetStatus(const std::string& text) { SetWindowTextA(statusLabel, text.c_str()); }

void Browse() {
  BROWSEINFOA info{};
  info.hwndOwner = mainWindow;
  info.lpszTitle = "请选择一个文件夹";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return SetStatus("browse cancelled");
  char path[MAX_PATH] = "";
  SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  SetWindowTextA(folderEdit, path);
}

void OnCommand(int id, int code) {
  if (id == kFolder && code == EN_CHANGE) {
    char text[512];
    GetWindowTextA(folderEdit, text, sizeof text);
    SetStatus(std::string("changed:") + text);
    if (std::string(text) == "full") {
      MessageBoxA(mainWindow, "C: 盘空间不足", "提示信息", MB_OK);
      Sleep(kWorkAfterBoxMs);
      SetStatus("low space answered");
    }
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kNext:
      SetWindowTextA(countLabel, std::to_string(++clicks).c_str());
      break;
    case kNotice:
      MessageBoxA(mainWindow, "路径中含有非法字符，请检查。", "提示信息", MB_OK);
      Sleep(kWorkAfterBoxMs);
      SetStatus("notice answered");
      EnableWindow(offButton, TRUE);
      break;
    case kAsk:
      SetStatus(MessageBoxA(mainWindow, "继续吗?", "提示信息", MB_YESNO | MB_ICONQUESTION) == IDYES
                    ? "yes"
                    : "no");
      break;
    case kBrowse:
      Browse();
      break;
    case kFill:
      SendMessageA(progressBar, PBM_SETPOS, 570, 0);
      break;
  }
}

// Panels pass their controls' notifications on to the window, as the setup's panels do.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) return SendMessageA(GetParent(hwnd), message, wParam, lParam);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (MessageBoxA(hwnd, "退出吗?", "提示信息", MB_YESNO | MB_ICONINFORMATION) == IDYES) {
        DestroyWindow(hwnd);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(kExitCode);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void CreateControls() {
  const HWND foot = Add("Target_Panel", "", 0, {0, 250, 400, 50}, mainWindow, 0, "Foot_P");
  Add("Button", "下一步>(&N)", BS_PUSHBUTTON, {300, 10, 86, 23}, foot, kNext, "Next_Btn");
  ShowWindow(Add("Button", "hidden", BS_PUSHBUTTON, {200, 10, 86, 23}, foot, kHidden, "Hidden_Btn"),
             SW_HIDE);
  EnableWindow(
      offButton = Add("Button", "off", BS_PUSHBUTTON, {100, 10, 86, 23}, foot, kOff, "Off_Btn"),
      FALSE);
  countLabel = Add("Static", "0", 0, {10, 10, 60, 20}, mainWindow, 0, "Count_L");
  statusLabel = Add("Static", "", 0, {80, 10, 310, 20}, mainWindow, 0, "Status_L");
  folderEdit = Add("Edit", "C:\\", WS_BORDER | ES_AUTOHSCROLL, {10, 40, 280, 22}, mainWindow,
                   kFolder, "Folder_E");
  Add("Edit", "fixed", WS_BORDER | ES_READONLY, {10, 70, 280, 22}, mainWindow, 0, "ReadOnly_E");
  Add("Button", "浏览(&R)...", BS_PUSHBUTTON, {300, 40, 86, 23}, mainWindow, kBrowse, "Browse_Btn");
  Add("Button", "notice", BS_PUSHBUTTON, {10, 100, 86, 23}, mainWindow, kNotice, "Notice_Btn");
  Add("Button", "ask", BS_PUSHBUTTON, {100, 100, 86, 23}, mainWindow, kAsk, "Ask_Btn");
  Add("Button", "fill", BS_PUSHBUTTON, {190, 100, 86, 23}, mainWindow, kFill, "Fill_Btn");
  const HWND check =
      Add("Button", "设置首页", BS_AUTOCHECKBOX, {10, 130, 200, 20}, mainWindow, kCheck, "Task_CB");
  SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  progressBar = Add(PROGRESS_CLASSA, "", 0, {10, 160, 380, 18}, mainWindow, 0, "Install_PB");
  SendMessageA(progressBar, PBM_SETRANGE32, 1, 570);
  SendMessageA(progressBar, PBM_SETPOS, 100, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CoInitialize(nullptr);
  InitCommonControls();
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = CreateSolidBrush(kBackground);
  windowClass.lpszClassName = "Target_Form";
  RegisterClassA(&windowClass);
  windowClass.lpfnWndProc = PanelProc;
  windowClass.lpszClassName = "Target_Panel";
  RegisterClassA(&windowClass);

  const DWORD style = WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, 400, 300};
  AdjustWindowRect(&frame, style, FALSE);
  mainWindow =
      CreateWindowExA(0, "Target_Form", "驱动测试窗口", style, 40, 40, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  Name(mainWindow, "Target_Form");
  CreateControls();
  ShowWindow(mainWindow, SW_SHOW);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  CoUninitialize();
  return static_cast<int>(message.wParam);
}
