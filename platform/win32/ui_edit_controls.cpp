// The single-line edit box and the read-only memo: edit controls whose text is read from the
// window, since a person types into them.
#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include "platform/win32/ui_control_kinds.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

// Every line break (carriage return, line feed, or the pair) as the pair, which is the only
// one a multi-line edit control shows as a break.
std::string WithWindowsLineBreaks(const std::string& text) {
  std::string result;
  result.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      result += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += c;
    }
  }
  return result;
}

class EditBase : public ControlImpl {
 public:
  using ControlImpl::ControlImpl;

  std::string Text() const override { return hwnd() != nullptr ? ReadWindowText(hwnd()) : text_; }

 protected:
  void SetWindowTextIfChanged(const std::string& text) {
    if (hwnd() == nullptr) {
      text_ = text;
    } else if (text != ReadWindowText(hwnd())) {
      SetWindowTextW(hwnd(), Wide(text).c_str());
    }
  }
};

// The edit box sends EN_CHANGE whenever its text is set, to the same text too; onChange runs
// only when the text differs from what it last was, whoever changed it.
class Edit final : public EditBase {
 public:
  using EditBase::EditBase;

  void SetText(const std::string& text) override { SetWindowTextIfChanged(text); }
  void OnCommand(WORD code) override {
    if (code != EN_CHANGE) return;
    std::string text = ReadWindowText(hwnd());
    if (text == text_) return;
    text_ = std::move(text);
    RunHandler(onChange);
  }

 protected:
  WindowKind Kind() const override {
    return {L"Edit", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
  }
  SIZE DefaultSize() const override { return {121, 21}; }
  // An open height fits the font: a line and the sunken border with its margins.
  void Refit() override {
    const int height = LineHeight(fontHandle()) + Scaled(8);
    FitOpenSides(Scaled(DefaultSize().cx), height);
  }
};

// Read-only, wrapping at its width, with a vertical scroll bar; white like an editable box.
class Memo final : public EditBase {
 public:
  using EditBase::EditBase;

  void SetText(const std::string& text) override {
    SetWindowTextIfChanged(WithWindowsLineBreaks(text));
  }
  void PlaceCaret(int position) override {
    if (hwnd() == nullptr) return;
    SendMessageW(hwnd(), EM_SETSEL, position, position);
    const auto firstLine = SendMessageW(hwnd(), EM_GETFIRSTVISIBLELINE, 0, 0);
    if (firstLine > 0) SendMessageW(hwnd(), EM_LINESCROLL, 0, -firstLine);
  }
  // A multi-line edit control wants every key; a read-only one has no use for Tab, Enter and
  // Escape, which move between the controls, press the default button and cancel, as they do
  // everywhere else in the window.
  bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message != WM_GETDLGCODE) return false;
    *result = DefSubclassProc(hwnd(), message, wParam, lParam);
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    if (key != nullptr && key->message == WM_KEYDOWN &&
        (key->wParam == VK_TAB || key->wParam == VK_RETURN || key->wParam == VK_ESCAPE)) {
      *result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB);
    }
    return true;
  }
  // A read-only edit control asks with WM_CTLCOLORSTATIC and would take the parent's colour.
  HBRUSH OnControlColor(HDC dc) override {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }

 protected:
  WindowKind Kind() const override {
    return {L"Edit",
            ES_LEFT | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
            WS_EX_CLIENTEDGE};
  }
  SIZE DefaultSize() const override { return {185, 89}; }
  std::string InitialText() const override { return WithWindowsLineBreaks(spec().text); }
};

}  // namespace

const ControlMaker kMakeEdit = MakeAs<Edit>;
const ControlMaker kMakeMemo = MakeAs<Memo>;

}  // namespace quenlo::win32
