// Labels, buttons, group boxes, check boxes and progress bars: standard windows of Windows
// with the behaviour the wizard expects of them.
#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <algorithm>

#include "platform/ui_scale.h"

#include "platform/win32/main_window.h"
#include "platform/win32/ui_control_kinds.h"

namespace quenlo::win32 {
namespace {

// A static text that fits itself to its caption: no word wrap, each carriage return or line
// feed a line break (DrawText, which the static control draws with, breaks at either), "&"
// marking the accelerator. Its background is its parent's. A label with a width that wraps
// breaks its lines at that width, long words too, and fits its height to them. A label that must
// fit its parent (shrinkToFit) keeps the font it was given where the text fits, and otherwise
// draws it in a smaller copy of that font.
class Label final : public ControlImpl {
 public:
  using ControlImpl::ControlImpl;

  HBRUSH OnControlColor(HDC dc) override {
    if (spec().transparent) SetBkMode(dc, TRANSPARENT);
    return ControlImpl::OnControlColor(dc);
  }

 protected:
  WindowKind Kind() const override {
    return {L"Static", static_cast<DWORD>(Wraps() ? SS_LEFT | SS_EDITCONTROL : SS_LEFTNOWORDWRAP),
            0};
  }
  SIZE DefaultSize() const override { return {0, 0}; }  // fitted to the text once it has its font
  void Refit() override {
    if (!spec().shrinkToFit || hwnd() == nullptr) {
      const TextExtent extent = Measure();
      FitOpenSides(extent.width, extent.height);
      return;
    }
    // The margin above the text may go first, then the text gets smaller.
    DrawFontAtPixels(0);
    RECT room = {};
    GetClientRect(GetParent(hwnd()), &room);
    const ui::Place place = PixelPlace();
    const int highestTop = 0;
    const auto fits = [&](const TextExtent& extent) {
      return place.left + extent.width <= room.right && highestTop + extent.height <= room.bottom;
    };
    const int asked = ui::FontPixelHeight(GetFont().points, window().dpi());
    TextExtent extent = Measure();
    for (int pixels = asked - 1; pixels >= asked * 3 / 4 && !fits(extent); --pixels) {
      DrawFontAtPixels(pixels);
      extent = Measure();
    }
    FitOpenSides(extent.width, extent.height);
    const int top = std::max(highestTop, std::min<int>(place.top, room.bottom - extent.height));
    SetWindowPos(hwnd(), nullptr, place.left, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

 private:
  bool Wraps() const { return spec().wrap && spec().place.width > 0; }
  TextExtent Measure() const {
    return MeasureLabelText(fontHandle(), text_, Wraps() ? PixelPlace().width : 0);
  }
};

// A push button. It tells the window when it gains or loses the focus (BS_NOTIFY), since the
// button Enter would press, and which is drawn with the default frame, follows the focus.
class Button final : public ControlImpl {
 public:
  using ControlImpl::ControlImpl;
  void OnCommand(WORD code) override {
    if (code == BN_CLICKED) {
      RunHandler(onClick);
    } else if (code == BN_SETFOCUS || code == BN_KILLFOCUS) {
      window().ShowDefaultButton();
    }
  }

 protected:
  WindowKind Kind() const override {
    return {L"Button", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, 0};
  }
  SIZE DefaultSize() const override { return {75, 25}; }
};

// The frame with a caption. It stays beneath its siblings (a new window goes beneath those
// before it), so the controls laid over its frame (an edit box, a button) are drawn on top of
// it; it takes no part in the tab order.
class GroupBox final : public ControlImpl {
 public:
  using ControlImpl::ControlImpl;
  void OnSiblingCreated() override { SendToBack(); }

 protected:
  WindowKind Kind() const override { return {L"Button", BS_GROUPBOX, 0}; }
  SIZE DefaultSize() const override { return {185, 105}; }
  void ApplySpec() override { SendToBack(); }

 private:
  void SendToBack() {
    if (hwnd() == nullptr) return;
    SetWindowPos(hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
};

// A check box that a click (or BM_CLICK) toggles before it runs onClick. SetChecked only sets
// the state.
class CheckBox final : public ControlImpl {
 public:
  using ControlImpl::ControlImpl;

  void SetChecked(bool checked) override {
    checked_ = checked;
    if (hwnd() != nullptr)
      SendMessageW(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool Checked() const override {
    if (hwnd() == nullptr) return checked_;
    return SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void OnCommand(WORD code) override {
    if (code != BN_CLICKED) return;
    checked_ = Checked();
    RunHandler(onClick);
  }

 protected:
  WindowKind Kind() const override { return {L"Button", BS_AUTOCHECKBOX | WS_TABSTOP, 0}; }
  SIZE DefaultSize() const override { return {97, 17}; }
  void ApplySpec() override { SetChecked(spec().checked); }
  void OnDetach() override { checked_ = Checked(); }

 private:
  bool checked_ = false;
};

// A progress bar whose position is held within its range.
class ProgressBar final : public ControlImpl {
 public:
  using ControlImpl::ControlImpl;

  void SetRange(int minimum, int maximum) override {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    if (hwnd() != nullptr) SendMessageW(hwnd(), PBM_SETRANGE32, minimum_, maximum_);
    SetPosition(position_);
  }
  void SetPosition(int position) override {
    position_ = std::clamp(position, minimum_, maximum_);
    if (hwnd() != nullptr) SendMessageW(hwnd(), PBM_SETPOS, position_, 0);
  }
  int Position() const override { return position_; }

 protected:
  WindowKind Kind() const override { return {PROGRESS_CLASSW, 0, 0}; }
  SIZE DefaultSize() const override { return {150, 16}; }
  void ApplySpec() override { SetRange(minimum_, maximum_); }

 private:
  // A new progress bar's own range, 0 to 100.
  int minimum_ = 0;
  int maximum_ = 100;
  int position_ = 0;
};

}  // namespace

const ControlMaker kMakeLabel = MakeAs<Label>;
const ControlMaker kMakeButton = MakeAs<Button>;
const ControlMaker kMakeGroupBox = MakeAs<GroupBox>;
const ControlMaker kMakeCheckBox = MakeAs<CheckBox>;
const ControlMaker kMakeProgressBar = MakeAs<ProgressBar>;

}  // namespace quenlo::win32
