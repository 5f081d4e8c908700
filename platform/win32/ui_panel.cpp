// Panels: rectangles of the button-face colour or white, with an optional lowered bevel (a
// one-pixel sunken edge, which makes a two-pixel panel a separator line). A panel hosts other
// controls and passes their notifications on to them; Tab moves into and out of it.
#include "platform/win32/main_window.h"
#include "platform/win32/ui_control_kinds.h"
#include "platform/win32/ui_own_class.h"

namespace quenlo::win32 {
namespace {

constexpr const wchar_t* kPanelClass = L"QuenloPanel";

class Panel final : public ControlImpl, private OwnClassHandler {
 public:
  using ControlImpl::ControlImpl;

  Background ChildBackground() const override {
    if (spec().whiteBackground) {
      return {static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), RGB(255, 255, 255)};
    }
    return {GetSysColorBrush(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE)};
  }

 protected:
  WindowKind Kind() const override {
    return {RegisterOwnClass(kPanelClass), 0, WS_EX_CONTROLPARENT};
  }
  SIZE DefaultSize() const override { return {185, 41}; }
  void* CreationParameter() override { return static_cast<OwnClassHandler*>(this); }

 private:
  bool HandleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    switch (message) {
      case WM_ERASEBKGND:
        Paint(reinterpret_cast<HDC>(wParam));
        *result = 1;
        return true;
      case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return true;
      default:
        return window().RouteChildMessage(message, wParam, lParam, result);
    }
  }

  void Paint(HDC dc) const {
    RECT area = {};
    GetClientRect(hwnd(), &area);
    FillRect(dc, &area, ChildBackground().brush);
    if (spec().bevel == ui::Bevel::Lowered) DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
  }
};

}  // namespace

const ControlMaker kMakePanel = MakeAs<Panel>;

}  // namespace quenlo::win32
