#include "platform/win32/main_window.h"
#include "platform/win32/wide_text.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "platform/ui_scale.h"
#include "platform/win32/control_names.h"
#include "platform/win32/dpi.h"
#include "platform/win32/ui_folder_dialog.h"

namespace quenlo::win32 {
namespace {

constexpr const wchar_t* kMainWindowClass = L"TSetupMain_Form";
constexpr const char* kMainWindowName = "SetupMain_Form";
constexpr int kClientWidth = 561;
constexpr int kClientHeight = 371;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr UINT_PTR kTimerId = 1;

bool IsWithin(HWND window, HWND ancestor) {
  return window != nullptr && ancestor != nullptr && IsChild(ancestor, window);
}

bool IsPushButton(const ControlImpl* control) {
  return control != nullptr && control->kind() == ui::ControlKind::Button &&
         control->hwnd() != nullptr;
}

bool CanPress(const ControlImpl* button) {
  return IsPushButton(button) && IsWindowVisible(button->hwnd()) && IsWindowEnabled(button->hwnd());
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Make(HWND owner) {
  INITCOMMONCONTROLSEX commonControls = {sizeof commonControls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&commonControls);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass = {};
  if (!GetClassInfoW(instance, kMainWindowClass, &windowClass)) {
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassW(&windowClass);
  }

  // Made at the primary monitor's density, then laid out for the density of the monitor it
  // came up on.
  DeclareDpiAwareness();
  const int systemDpi = SystemDpi();
  const SIZE frame =
      FrameSizeForClient(ui::ScaleLength(kClientWidth, systemDpi),
                         ui::ScaleLength(kClientHeight, systemDpi), kStyle, kExStyle, systemDpi);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2;

  std::unique_ptr<MainWindow> window(new MainWindow());
  // WM_NCCREATE stores the object with the window and sets hwnd_.
  CreateWindowExW(kExStyle, kMainWindowClass, L"", kStyle, left, top, frame.cx, frame.cy, owner,
                  nullptr, instance, window.get());
  if (window->hwnd_ == nullptr) return nullptr;
  window->dpi_ = WindowDpi(window->hwnd_);
  window->FitClientArea(nullptr);
  window->endsLoop_ = true;
  SetControlName(window->hwnd_, kMainWindowName);
  return window;
}

MainWindow::~MainWindow() {
  endsLoop_ = false;
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  // Every control's window is gone now; the objects go with controls_.
}

ui::Control& MainWindow::Create(const ui::ControlSpec& spec) {
  if (FindControl(spec.name) != nullptr) {
    throw std::invalid_argument("a control named \"" + spec.name + "\" exists already");
  }
  ControlImpl* parent = nullptr;
  HWND parentWindow = hwnd_;
  if (!spec.parent.empty()) {
    parent = FindControl(spec.parent);
    if (parent == nullptr) {
      throw std::invalid_argument("control \"" + spec.name + "\": no parent named \"" +
                                  spec.parent + "\"");
    }
    parentWindow = parent->hwnd();
  }
  // Listed before its window exists, so that the notifications of its creation find it.
  controls_.push_back(MakeControl(*this, spec, parent));
  ControlImpl& control = *controls_.back();
  control.Realize(parentWindow, nextControlId_++);
  for (const auto& sibling : controls_) {
    if (sibling.get() != &control && sibling->parent() == parent) sibling->OnSiblingCreated();
  }
  return control;
}

ui::Control* MainWindow::Find(const std::string& name) { return FindControl(name); }

ControlImpl* MainWindow::FindControl(const std::string& name) const {
  for (const auto& control : controls_) {
    if (control->name() == name) return control.get();
  }
  return nullptr;
}

std::vector<ui::Control*> MainWindow::Children(const std::string& parent) {
  std::vector<ui::Control*> children;
  for (const auto& control : controls_) {
    if (control->parentName() == parent) children.push_back(control.get());
  }
  return children;
}

void MainWindow::Destroy(ui::Control& control) {
  const auto isTarget = [&control](const std::unique_ptr<ControlImpl>& c) {
    return c.get() == &control;
  };
  const auto found = std::find_if(controls_.begin(), controls_.end(), isTarget);
  if (found == controls_.end()) return;
  ControlImpl* const root = found->get();
  const HWND focus = GetFocus();
  const bool hadFocus =
      root->hwnd() != nullptr && (focus == root->hwnd() || IsWithin(focus, root->hwnd()));
  // Its window takes the windows inside it along.
  if (root->hwnd() != nullptr) DestroyWindow(root->hwnd());
  const auto inside = [root](const std::unique_ptr<ControlImpl>& c) {
    for (const ControlImpl* up = c.get(); up != nullptr; up = up->parent()) {
      if (up == root) return true;
    }
    return false;
  };
  controls_.erase(std::remove_if(controls_.begin(), controls_.end(), inside), controls_.end());
  // The focus left with the control (a page was cleared): it goes where Enter would go, so a
  // person sees it and the keys keep working.
  if (hadFocus && hwnd_ != nullptr && !closing_) {
    const ControlImpl* button = EnterButton();
    HWND target = button != nullptr ? button->hwnd() : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target != nullptr) SetFocus(target);
  }
}

void MainWindow::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Wide(caption).c_str());
}

std::string MainWindow::Caption() const { return caption_; }

void MainWindow::SetDefaultButton(const std::string& name) {
  defaultButton_ = name;
  // Where the focus was lost (the focused button was disabled), it goes to the new default.
  const HWND focus = GetFocus();
  if (hwnd_ != nullptr && !closing_ && (focus == nullptr || focus == hwnd_) &&
      GetActiveWindow() == hwnd_) {
    if (const ControlImpl* button = FindControl(name); CanPress(button)) SetFocus(button->hwnd());
  }
  ShowDefaultButton();
}

void MainWindow::SetCancelButton(const std::string& name) { cancelButton_ = name; }

ControlImpl* MainWindow::EnterButton() const {
  ControlImpl* focused = ControlOf(GetFocus());
  if (IsPushButton(focused)) return CanPress(focused) ? focused : nullptr;
  ControlImpl* byDefault = FindControl(defaultButton_);
  return CanPress(byDefault) ? byDefault : nullptr;
}

void MainWindow::Press(ControlImpl* button) {
  // As the dialog manager presses a button for a key: its handler runs, the focus stays where
  // it is (a click would take it to the button).
  if (CanPress(button)) button->OnCommand(BN_CLICKED);
}

void MainWindow::ShowDefaultButton() {
  const ControlImpl* pressed = EnterButton();
  for (const auto& control : controls_) {
    if (!IsPushButton(control.get())) continue;
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(control->hwnd(), GWL_STYLE));
    const DWORD wanted = control.get() == pressed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != wanted) SendMessageW(control->hwnd(), BM_SETSTYLE, wanted, TRUE);
  }
}

void MainWindow::FitClientArea(const POINT* topLeft) {
  const int width = ui::ScaleLength(kClientWidth, dpi_);
  const int height = ui::ScaleLength(kClientHeight, dpi_);
  SIZE frame = FrameSizeForClient(width, height, kStyle, kExStyle, dpi_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    int left = 0;
    int top = 0;
    if (topLeft != nullptr) {
      left = topLeft->x;
      top = topLeft->y;
    } else {
      // Centred; on a screen too small for it, from its top left corner, so that the caption
      // and the buttons stay within reach.
      left = std::max<int>(0, (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2);
      top = std::max<int>(0, (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2);
    }
    SetWindowPos(hwnd_, nullptr, left, top, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    // The system's own frame may differ from what it said it would be: once more with the
    // difference.
    RECT client = {};
    GetClientRect(hwnd_, &client);
    if (client.right == width && client.bottom == height) return;
    frame.cx += width - client.right;
    frame.cy += height - client.bottom;
  }
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  const POINT topLeft = {suggested.left, suggested.top};
  FitClientArea(&topLeft);
  // Parents before their children, as they were created.
  for (const auto& control : controls_) control->ApplyDpi();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::StartTimer(unsigned intervalMs, std::function<void()> onTick) {
  onTick_ = std::move(onTick);
  if (hwnd_ != nullptr) SetTimer(hwnd_, kTimerId, intervalMs, nullptr);
}

void MainWindow::StopTimer() {
  if (hwnd_ != nullptr) KillTimer(hwnd_, kTimerId);
  onTick_ = nullptr;
}

int MainWindow::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
  return MessageBoxW(hwnd_, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

std::optional<std::string> MainWindow::BrowseForFolder(const std::string& caption) {
  return win32::BrowseForFolder(hwnd_, caption);
}

void MainWindow::RequestClose() {
  // A request while the question is open (a second click on the close box) is not asked again.
  if (hwnd_ == nullptr || querying_ || closing_) return;
  querying_ = true;
  const std::function<bool()> query = onCloseQuery;
  const bool allowed = !query || query();
  querying_ = false;
  if (allowed && hwnd_ != nullptr && !closing_) Close();
}

void MainWindow::Close() {
  closing_ = true;
  const std::function<void()> handler = onClose;
  if (handler) handler();
  StopTimer();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void MainWindow::Show() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  if (!IsWithin(GetFocus(), hwnd_)) {
    if (HWND target = FocusTarget()) SetFocus(target);
  }
  ShowDefaultButton();
}

Background MainWindow::ClientBackground() const {
  return {GetSysColorBrush(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE)};
}

ControlImpl* MainWindow::ControlOf(HWND child) const {
  if (child == nullptr) return nullptr;
  for (const auto& control : controls_) {
    if (control->hwnd() == child) return control.get();
  }
  return nullptr;
}

bool MainWindow::RouteChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND: {
      ControlImpl* control = ControlOf(reinterpret_cast<HWND>(lParam));
      if (control == nullptr) return false;
      // The control may be destroyed by its handler: nothing of it is used afterwards.
      control->OnCommand(HIWORD(wParam));
      *result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
      ControlImpl* control = ControlOf(reinterpret_cast<HWND>(lParam));
      if (control == nullptr) return false;
      HBRUSH brush = control->OnControlColor(reinterpret_cast<HDC>(wParam));
      if (brush == nullptr) return false;
      *result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default:
      return false;
  }
}

// The control to give the focus to: the one that had it when the window was last deactivated
// (a message box came up), or else the first that takes it.
HWND MainWindow::FocusTarget() const {
  HWND saved = focusBeforeDeactivation_;
  if (IsWithin(saved, hwnd_) && IsWindowVisible(saved) && IsWindowEnabled(saved)) return saved;
  return GetNextDlgTabItem(hwnd_, nullptr, FALSE);
}

void MainWindow::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (IsWithin(focus, hwnd_)) focusBeforeDeactivation_ = focus;
    return;
  }
  HWND target = FocusTarget();
  SetFocus(target != nullptr ? target : hwnd_);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:  // the close box, the system menu's Close, Alt+F4
      RequestClose();
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) {
        const std::function<void()> tick = onTick_;  // the tick may stop or replace the timer
        if (tick) tick();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case DM_GETDEFID: {
      // Asked by the dialog manager on Enter: the button to press.
      const ControlImpl* button = EnterButton();
      if (button == nullptr) return 0;
      return MAKELRESULT(GetDlgCtrlID(button->hwnd()), DC_HASDEFID);
    }
    case WM_COMMAND:
      // What the dialog keys send without a control's window: Enter (IDOK, or the default
      // button's ID where the system did not find its window among ours) and Escape (IDCANCEL).
      if (lParam == 0) {
        const WORD id = LOWORD(wParam);
        if (id == IDCANCEL) {
          Press(FindControl(cancelButton_));
        } else if (ControlImpl* button = EnterButton();
                   button != nullptr && (id == IDOK || id == GetDlgCtrlID(button->hwnd()))) {
          Press(button);
        }
        return 0;
      }
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kTimerId);
      if (endsLoop_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      ClearControlName(hwnd);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      closed_ = true;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
      break;
  }
  LRESULT result = 0;
  if (RouteChildMessage(message, wParam, lParam, &result)) return result;
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace quenlo::win32
