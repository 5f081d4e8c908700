// A ui::Window without a screen, for native tests of the wizard: it keeps the controls in a tree
// (creation order and every property), runs an edit's change handler when its text changes,
// answers message boxes and the folder dialog from a script (remembering what was shown), runs
// the timer only when a test ticks it, and applies the close query on a close request.
//
// Tests work it as a person would: Click, Type and Toggle refuse a control that is disabled or
// not visible, as the real window does; PressEnter and PressEscape are the keyboard's buttons.
// Made for a pixel density, it gives each control's place in pixels at that density, as the
// real window scales the layout.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/ui_scale.h"

namespace quenlo::testing {

class HeadlessControl;

class HeadlessWindow final : public ui::Window {
 public:
  struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned flags;
  };

  explicit HeadlessWindow(int dpi = ui::kDesignDpi);
  ~HeadlessWindow() override;

  // ui::Window. Create throws std::logic_error for a duplicate name or an unknown parent; a
  // message box or folder dialog without a scripted answer throws too.
  ui::Control& Create(const ui::ControlSpec& spec) override;
  ui::Control* Find(const std::string& name) override;
  std::vector<ui::Control*> Children(const std::string& parent) override;
  void Destroy(ui::Control& control) override;
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void SetDefaultButton(const std::string& name) override { defaultButton_ = name; }
  void SetCancelButton(const std::string& name) override { cancelButton_ = name; }
  void StartTimer(unsigned intervalMs, std::function<void()> onTick) override;
  void StopTimer() override;
  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& caption) override;
  void RequestClose() override;
  bool Closed() const override { return closed_; }

  // Scripting the modal dialogs.
  void AnswerMessage(int button) { messageAnswers_.push_back(button); }
  void AnswerFolderDialog(std::optional<std::string> folder) {
    folderAnswers_.push_back(std::move(folder));
  }
  const std::vector<ShownMessage>& messages() const { return messages_; }
  const std::vector<std::string>& folderDialogCaptions() const { return folderDialogCaptions_; }
  int pendingAnswers() const { return static_cast<int>(messageAnswers_.size()); }

  // Working the controls. Each returns false, doing nothing, when the control is disabled or
  // hidden (itself or a parent); an unknown name throws std::logic_error.
  bool Click(const std::string& name);
  bool Type(const std::string& name, const std::string& text);  // replaces an edit's text
  bool Toggle(const std::string& name);                         // a check box, as a click
  // Enter: the focused button if the focus is on one, else the default button; Escape: the
  // cancel button. False when the button is unusable or there is none.
  bool PressEnter();
  bool PressEscape();

  // One timer tick, when the timer runs and the window is open; false otherwise.
  bool Tick();
  bool TimerRunning() const { return timerRunning_; }
  unsigned timerInterval() const { return timerInterval_; }

  // Inspecting.
  HeadlessControl& Get(const std::string& name);  // throws std::logic_error when absent
  bool Exists(const std::string& name) { return Find(name) != nullptr; }
  // Names of the children of `parent`, first created first.
  std::vector<std::string> ChildNames(const std::string& parent);
  // Names in the order they were destroyed, since the window was made.
  const std::vector<std::string>& destroyed() const { return destroyed_; }
  std::string FocusedName() const { return focused_; }
  const std::string& defaultButton() const { return defaultButton_; }
  const std::string& cancelButton() const { return cancelButton_; }
  int dpi() const { return dpi_; }
  // The control's place in pixels at the window's density (open sides stay 0).
  ui::Place PixelPlace(const std::string& name);
  bool IsShowing(const std::string& name);  // visible itself and every parent

 private:
  friend class HeadlessControl;
  HeadlessControl& Require(const std::string& name);
  bool Usable(const std::string& name);

  std::vector<std::unique_ptr<HeadlessControl>> controls_;  // in creation order
  std::string caption_;
  std::function<void()> onTick_;
  bool timerRunning_ = false;
  unsigned timerInterval_ = 0;
  bool closed_ = false;
  std::deque<int> messageAnswers_;
  std::deque<std::optional<std::string>> folderAnswers_;
  std::vector<ShownMessage> messages_;
  std::vector<std::string> folderDialogCaptions_;
  std::vector<std::string> destroyed_;
  std::string focused_;
  std::string defaultButton_;
  std::string cancelButton_;
  int dpi_;
};

class HeadlessControl final : public ui::Control {
 public:
  HeadlessControl(HeadlessWindow& window, const ui::ControlSpec& spec);

  const std::string& name() const override { return spec_.name; }
  ui::ControlKind kind() const override { return spec_.kind; }
  void SetText(const std::string& text) override;
  std::string Text() const override { return text_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Visible() const override { return visible_; }
  void SetFont(const ui::Font& font) override { font_ = font; }
  ui::Font GetFont() const override { return font_; }
  void SetChecked(bool checked) override { checked_ = checked; }
  bool Checked() const override { return checked_; }
  void SetRange(int minimum, int maximum) override;
  void SetPosition(int position) override;
  int Position() const override { return position_; }
  void SetPicture(const std::string& resource) override { picture_ = resource; }
  std::string PictureName() const override { return picture_; }
  void Focus() override { window_.focused_ = spec_.name; }
  void PlaceCaret(int position) override { caret_ = position; }

  // As created, and what a backend would draw.
  const ui::ControlSpec& spec() const { return spec_; }
  const std::string& parent() const { return spec_.parent; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  int caret() const { return caret_; }
  bool hasFont() const { return font_ != ui::Font{}; }
  int textChanges() const { return textChanges_; }  // SetText calls that changed the text

 private:
  HeadlessWindow& window_;
  ui::ControlSpec spec_;
  std::string text_;
  bool enabled_;
  bool visible_;
  bool checked_;
  ui::Font font_;
  int minimum_ = 0;
  int maximum_ = 100;
  int position_ = 0;
  std::string picture_;
  int caret_ = 0;
  int textChanges_ = 0;
};

}  // namespace quenlo::testing
