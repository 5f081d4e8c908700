// The part every control of the Win32 user interface shares: its window, name, text, enabled
// and visible state, its own font, and the settings it is created with.
//
// A control is created hidden, given every setting of its ControlSpec, and shown last. Its place
// and its font are its ControlSpec's, scaled to the main window's density (ui_scale.h), and are
// made again when the density changes (ApplyDpi). Its window carries the control's name
// (control_names.h) and is subclassed, so the object learns when Windows destroys it (with its
// parent or the main window): the object then keeps its last state, frees its font and picture,
// and its setters only store values.
//
// Notifications (WM_COMMAND, WM_CTLCOLOR*) arrive at the parent's window; the parent (the main
// window or a panel) passes them on through MainWindow::RouteChildMessage to OnCommand and
// OnControlColor. An event handler may destroy its own control: handlers are called on a copy,
// and nothing of the control is touched after the call.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/win32/ui_fonts.h"

namespace quenlo::win32 {

class MainWindow;

// A background: the brush to fill it with and its colour for text drawn over it.
struct Background {
  HBRUSH brush = nullptr;
  COLORREF color = 0;
};

class ControlImpl : public ui::Control {
 public:
  ControlImpl(MainWindow& window, const ui::ControlSpec& spec, ControlImpl* parent);
  ~ControlImpl() override;
  ControlImpl(const ControlImpl&) = delete;
  ControlImpl& operator=(const ControlImpl&) = delete;

  // Creates the window as a child of `parentWindow` with the control ID `id`, applies every
  // setting of the ControlSpec, then shows it if it is to be visible. Without a parent window
  // (the main window is gone) the control keeps its state without a window.
  void Realize(HWND parentWindow, int id);

  const std::string& name() const override { return spec_.name; }
  ui::ControlKind kind() const override { return spec_.kind; }
  // Labels, buttons and the like; edit boxes and memos override it.
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  void SetVisible(bool visible) override;
  bool Visible() const override { return visible_; }
  void SetFont(const ui::Font& font) override;
  ui::Font GetFont() const override { return font_; }
  // What does not apply to a kind does nothing; its kind overrides what does.
  void SetChecked(bool) override {}
  bool Checked() const override { return false; }
  void SetRange(int, int) override {}
  void SetPosition(int) override {}
  int Position() const override { return 0; }
  void SetPicture(const std::string&) override {}
  std::string PictureName() const override { return {}; }
  void Focus() override;
  void PlaceCaret(int) override {}

  HWND hwnd() const { return hwnd_; }
  const std::string& parentName() const { return spec_.parent; }
  ControlImpl* parent() const { return parent_; }
  MainWindow& window() const { return window_; }

  // A notification code of WM_COMMAND from this control's window.
  virtual void OnCommand(WORD code);
  // WM_CTLCOLOR* for this control: prepares `dc` and returns the brush of the control's
  // background, or null for the system's default. By default the parent's background.
  virtual HBRUSH OnControlColor(HDC dc);
  // Called when a control is created beside this one, under the same parent.
  virtual void OnSiblingCreated() {}
  // The main window's density has changed: the place and the font are made again for it.
  void ApplyDpi();
  // The background this control's children are drawn on: a panel's own, else its parent's.
  virtual Background ChildBackground() const;
  // The background of the control's parent (the main window's, or a panel's).
  Background ParentBackground() const;

 protected:
  struct WindowKind {
    const wchar_t* className;
    DWORD style;  // besides WS_CHILD, WS_CLIPSIBLINGS and WS_DISABLED
    DWORD exStyle;
  };
  virtual WindowKind Kind() const = 0;
  // The size a control takes where its place leaves width or height open (0), at 96 DPI.
  virtual SIZE DefaultSize() const = 0;
  // The text the window is created with.
  virtual std::string InitialText() const { return spec_.text; }
  // The lpParam of CreateWindowEx (controls of a window class of our own).
  virtual void* CreationParameter() { return nullptr; }
  // Settings beyond the common ones, applied after creation and before the control shows.
  virtual void ApplySpec() {}
  // Called when the text or the font has changed: labels fit themselves to them.
  virtual void Refit() {}
  // Called while Windows destroys the window, before the object lets go of it.
  virtual void OnDetach() {}
  // A message to the control's window, before the window's own procedure; true when handled,
  // with the result in `result`.
  virtual bool OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

  // Runs an event handler on a copy of it, since the handler may destroy this control; the
  // caller touches nothing of the control afterwards.
  static void RunHandler(const std::function<void()>& handler);
  // Resizes the control's open sides (those its place gives as 0) to `width` and `height`, in
  // pixels.
  void FitOpenSides(int width, int height);
  // Draws the text in the control's font at `pixelHeight` pixels instead of its size (0: at its
  // size again); the font it reports stays the one it was given.
  void DrawFontAtPixels(int pixelHeight);
  // A length of the layout (96 DPI) in pixels at the main window's density.
  int Scaled(int length) const;
  // The spec's place in pixels at the main window's density (open sides stay 0).
  ui::Place PixelPlace() const;
  const ui::ControlSpec& spec() const { return spec_; }
  HFONT fontHandle() const { return fontHandle_.handle(); }

  // The text as last set (or, once the window is gone, as it last was).
  std::string text_;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  void Detach();

  MainWindow& window_;
  ControlImpl* parent_;
  ui::ControlSpec spec_;
  HWND hwnd_ = nullptr;
  bool enabled_;
  bool visible_;
  ui::Font font_;
  OwnedFont fontHandle_;
};

// A control of the kind its ControlSpec names.
std::unique_ptr<ControlImpl> MakeControl(MainWindow& window, const ui::ControlSpec& spec,
                                         ControlImpl* parent);

// The window's text as GBK, read as UTF-16: a character GBK cannot hold (typed or pasted by a
// person) reads as '?', which no folder name accepts.
std::string ReadWindowText(HWND hwnd);

}  // namespace quenlo::win32
