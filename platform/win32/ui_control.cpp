#include "platform/win32/ui_control.h"
#include "platform/win32/wide_text.h"

#include <commctrl.h>

#include <utility>

#include "platform/ui_scale.h"
#include "platform/win32/control_names.h"
#include "platform/win32/main_window.h"
#include "platform/win32/ui_control_kinds.h"

namespace quenlo::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

std::string ReadWindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return GbkLossy(text);
}

ControlImpl::ControlImpl(MainWindow& window, const ui::ControlSpec& spec, ControlImpl* parent)
    : text_(spec.text),
      window_(window),
      parent_(parent),
      spec_(spec),
      enabled_(spec.enabled),
      visible_(spec.visible),
      font_(DefaultControlFont()) {}

ControlImpl::~ControlImpl() {
  // The main window destroys every window before it lets go of its controls; a window still
  // here is only let go, so that no message reaches the part of the object already gone.
  if (hwnd_ != nullptr) {
    RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ClearControlName(hwnd_);
    DestroyWindow(hwnd_);
  }
}

void ControlImpl::Realize(HWND parentWindow, int id) {
  if (parentWindow == nullptr) return;
  const WindowKind windowKind = Kind();
  const SIZE size = DefaultSize();
  const ui::Place place = PixelPlace();
  const DWORD style = windowKind.style | WS_CHILD | WS_CLIPSIBLINGS | (enabled_ ? 0 : WS_DISABLED);
  hwnd_ =
      CreateWindowExW(windowKind.exStyle, windowKind.className, Wide(InitialText()).c_str(), style,
                      place.left, place.top, place.width != 0 ? place.width : Scaled(size.cx),
                      place.height != 0 ? place.height : Scaled(size.cy), parentWindow,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                      CreationParameter());
  if (hwnd_ == nullptr) return;
  SetControlName(hwnd_, spec_.name.c_str());
  SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  // The focus and the accelerator letters are always marked, not only once a key was pressed:
  // the wizard is as much a keyboard's as a mouse's.
  SendMessageW(hwnd_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  fontHandle_ = OwnedFont(font_, window_.dpi());
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle_.handle()), FALSE);
  ApplySpec();
  Refit();
  if (visible_) ShowWindow(hwnd_, SW_SHOWNA);
}

void ControlImpl::SetText(const std::string& text) {
  // A status line set on every timer tick redraws only when it changes.
  if (text == text_) return;
  text_ = text;
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Wide(text_).c_str());
  Refit();
}

std::string ControlImpl::Text() const { return text_; }

void ControlImpl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (hwnd_ != nullptr) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void ControlImpl::SetVisible(bool visible) {
  visible_ = visible;
  if (hwnd_ != nullptr) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void ControlImpl::SetFont(const ui::Font& font) {
  font_ = font;
  if (hwnd_ == nullptr) return;
  OwnedFont replacement(font_, window_.dpi());
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(replacement.handle()), TRUE);
  // The window uses the new font now; the old one goes with the assignment.
  fontHandle_ = std::move(replacement);
  Refit();
}

void ControlImpl::ApplyDpi() {
  if (hwnd_ == nullptr) return;
  const ui::Place place = PixelPlace();
  const SIZE size = DefaultSize();
  SetWindowPos(hwnd_, nullptr, place.left, place.top,
               place.width != 0 ? place.width : Scaled(size.cx),
               place.height != 0 ? place.height : Scaled(size.cy), SWP_NOZORDER | SWP_NOACTIVATE);
  SetFont(font_);  // made again at the new density; the open sides fit it
}

void ControlImpl::DrawFontAtPixels(int pixelHeight) {
  if (hwnd_ == nullptr) return;
  OwnedFont replacement(font_, window_.dpi(), pixelHeight);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(replacement.handle()), TRUE);
  fontHandle_ = std::move(replacement);
}

int ControlImpl::Scaled(int length) const { return ui::ScaleLength(length, window_.dpi()); }

ui::Place ControlImpl::PixelPlace() const {
  int originLeft = 0;
  int originTop = 0;
  for (const ControlImpl* up = parent_; up != nullptr; up = up->parent_) {
    originLeft += up->spec_.place.left;
    originTop += up->spec_.place.top;
  }
  return ui::ScalePlace(spec_.place, window_.dpi(), originLeft, originTop);
}

void ControlImpl::Focus() {
  if (hwnd_ != nullptr) SetFocus(hwnd_);
}

void ControlImpl::OnCommand(WORD) {}

HBRUSH ControlImpl::OnControlColor(HDC dc) {
  const Background background = ParentBackground();
  SetBkColor(dc, background.color);
  return background.brush;
}

Background ControlImpl::ChildBackground() const { return ParentBackground(); }

Background ControlImpl::ParentBackground() const {
  return parent_ != nullptr ? parent_->ChildBackground() : window_.ClientBackground();
}

void ControlImpl::RunHandler(const std::function<void()>& handler) {
  if (!handler) return;
  const std::function<void()> call = handler;
  call();
}

void ControlImpl::FitOpenSides(int width, int height) {
  if (hwnd_ == nullptr) return;
  RECT bounds = {};
  GetWindowRect(hwnd_, &bounds);
  const int newWidth = spec_.place.width != 0 ? bounds.right - bounds.left : width;
  const int newHeight = spec_.place.height != 0 ? bounds.bottom - bounds.top : height;
  SetWindowPos(hwnd_, nullptr, 0, 0, newWidth, newHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlImpl::Detach() {
  RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  ClearControlName(hwnd_);
  OnDetach();
  text_ = ReadWindowText(hwnd_);
  hwnd_ = nullptr;
  fontHandle_ = OwnedFont();
}

LRESULT CALLBACK ControlImpl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<ControlImpl*>(self);
  if (message == WM_NCDESTROY) {
    control->Detach();
  } else if (LRESULT result = 0; control->OnWindowMessage(message, wParam, lParam, &result)) {
    return result;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::unique_ptr<ControlImpl> MakeControl(MainWindow& window, const ui::ControlSpec& spec,
                                         ControlImpl* parent) {
  // The factory table: every kind and its maker.
  static const std::pair<ui::ControlKind, const ControlMaker*> kFactory[] = {
      {ui::ControlKind::Panel, &kMakePanel},
      {ui::ControlKind::Label, &kMakeLabel},
      {ui::ControlKind::Picture, &kMakePicture},
      {ui::ControlKind::Button, &kMakeButton},
      {ui::ControlKind::Edit, &kMakeEdit},
      {ui::ControlKind::Memo, &kMakeMemo},
      {ui::ControlKind::GroupBox, &kMakeGroupBox},
      {ui::ControlKind::CheckBox, &kMakeCheckBox},
      {ui::ControlKind::ProgressBar, &kMakeProgressBar},
  };
  for (const auto& [kind, make] : kFactory) {
    if (kind == spec.kind) return (*make)(window, spec, parent);
  }
  return kMakeLabel(window, spec, parent);
}

}  // namespace quenlo::win32
