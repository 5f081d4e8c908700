// The user interface as the wizard's logic sees it: a window whose controls are created from
// declared specs, read and changed through one small interface, and destroyed again.
//
// The wizard (page flow, page builders, folder checks, texts) drives only this interface. The
// Win32 backend (platform/win32/) makes real windows of it; the headless backend
// (tests/support/) records the controls so native tests can click through every page and read
// every caption.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quenlo::ui {

enum class ControlKind {
  Panel,
  Label,
  Picture,
  Button,
  Edit,  // single line
  Memo,  // multi-line, read-only, vertical scroll bar
  GroupBox,
  CheckBox,
  ProgressBar,
};

// Left, top, width, height in pixels at 96 pixels per inch, relative to the parent; the window
// scales them to its own density (ui_scale.h). A width or height of 0 means the control's own
// size (a label sized to its caption, a picture to its image, an edit box's height).
struct Place {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Font {
  std::string face;  // GBK, e.g. "宋体"
  int points = 0;
  bool bold = false;
  bool operator==(const Font&) const = default;
};

enum class Bevel { None, Lowered };

// Everything a control is created with. Fields that do not apply to its kind are ignored.
struct ControlSpec {
  std::string name;  // "Next_Btn": also how an outside driver finds the control
  ControlKind kind = ControlKind::Label;
  std::string parent;  // name of the parent control; "" for the window itself
  Place place;
  std::string text;
  bool visible = true;
  bool enabled = true;
  bool transparent = false;
  bool whiteBackground = false;  // panels: white instead of the button face colour
  Bevel bevel = Bevel::None;     // panels
  bool checked = false;          // check boxes
  // Labels with a width: the text wraps at that width (a word too long for a line is broken at
  // its edge), and the height fits the lines when it is left open.
  bool wrap = false;
  std::string picture;  // pictures: the name of an artwork resource ("" for none)
  // Labels sized to their text: where the system's face for the font has taller lines than the
  // layout was made for, so that the text would run past the parent's bottom or right edge, the
  // label moves up into the margin above it and, where that is not enough, draws the text smaller
  // (to three quarters of its size at most) until it fits.
  bool shrinkToFit = false;
};

class Control {
 public:
  virtual ~Control() = default;

  virtual const std::string& name() const = 0;
  virtual ControlKind kind() const = 0;

  // Caption, edit text or memo text. Setting an edit box's text to a different value runs its
  // change handler, as typing does; setting the value it already has does nothing.
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;

  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;

  // The control's own copy of a font.
  virtual void SetFont(const Font& font) = 0;
  virtual Font GetFont() const = 0;

  virtual void SetChecked(bool checked) = 0;  // check boxes
  virtual bool Checked() const = 0;

  virtual void SetRange(int minimum, int maximum) = 0;  // progress bars
  virtual void SetPosition(int position) = 0;           // clamped to the range
  virtual int Position() const = 0;

  // Pictures: shows the artwork resource (a JPEG or an icon stored with the window's layout), sized
  // to it when the place leaves the size open.
  virtual void SetPicture(const std::string& resource) = 0;
  virtual std::string PictureName() const = 0;

  virtual void Focus() = 0;
  // Memos: the caret after `position` characters, nothing selected, the text shown from its top.
  virtual void PlaceCaret(int position) = 0;

  // Event handlers, set by the wizard.
  std::function<void()> onClick;   // buttons, check boxes
  std::function<void()> onChange;  // edit boxes
};

// The window that hosts the controls.
class Window {
 public:
  virtual ~Window() = default;

  // Creates a control with the given settings, as the last child of its parent.
  virtual Control& Create(const ControlSpec& spec) = 0;
  virtual Control* Find(const std::string& name) = 0;
  // The children of a control, first created first.
  virtual std::vector<Control*> Children(const std::string& parent) = 0;
  virtual void Destroy(Control& control) = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;

  // The keyboard's buttons, by name ("" for none). Enter presses the default button, drawn with
  // the default frame, wherever the focus is (a text box, a check box), unless it is on another
  // button, which Enter then presses itself; Escape presses the cancel button. A button that is
  // hidden or disabled is not pressed.
  virtual void SetDefaultButton(const std::string& name) = 0;
  virtual void SetCancelButton(const std::string& name) = 0;

  // A repeating timer on the main thread; one per window.
  virtual void StartTimer(unsigned intervalMs, std::function<void()> onTick) = 0;
  virtual void StopTimer() = 0;

  // A modal message box owned by the window; returns the button pressed (IDOK, IDYES, IDNO).
  virtual int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The shell's folder dialog (whole namespace, file-system folders only, nothing preselected);
  // nothing when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& caption) = 0;

  // A request to close (Cancel or Finish, the close box, the system menu, Alt+F4): the window
  // asks onCloseQuery and closes only when it answers true; closing runs onClose first.
  virtual void RequestClose() = 0;
  virtual bool Closed() const = 0;

  std::function<bool()> onCloseQuery;
  std::function<void()> onClose;
};

}  // namespace quenlo::ui
