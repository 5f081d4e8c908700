#include "tests/support/headless_window.h"

#include <algorithm>
#include <stdexcept>

namespace quenlo::testing {

HeadlessControl::HeadlessControl(HeadlessWindow& window, const ui::ControlSpec& spec)
    : window_(window),
      spec_(spec),
      text_(spec.text),
      enabled_(spec.enabled),
      visible_(spec.visible),
      checked_(spec.checked),
      picture_(spec.picture) {}

void HeadlessControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  ++textChanges_;
  if (spec_.kind == ui::ControlKind::Edit && onChange) {
    const auto handler = onChange;  // the handler may destroy this control
    handler();
  }
}

void HeadlessControl::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = maximum;
  SetPosition(position_);
}

void HeadlessControl::SetPosition(int position) {
  position_ = std::clamp(position, minimum_, std::max(minimum_, maximum_));
}

HeadlessWindow::HeadlessWindow(int dpi) : dpi_(dpi) {}
HeadlessWindow::~HeadlessWindow() = default;

ui::Control& HeadlessWindow::Create(const ui::ControlSpec& spec) {
  if (spec.name.empty() || Find(spec.name) != nullptr) {
    throw std::logic_error("control name missing or taken: " + spec.name);
  }
  if (!spec.parent.empty() && Find(spec.parent) == nullptr) {
    throw std::logic_error("no parent " + spec.parent + " for " + spec.name);
  }
  controls_.push_back(std::make_unique<HeadlessControl>(*this, spec));
  return *controls_.back();
}

ui::Control* HeadlessWindow::Find(const std::string& name) {
  const auto found = std::find_if(controls_.begin(), controls_.end(),
                                  [&](const auto& control) { return control->name() == name; });
  return found == controls_.end() ? nullptr : found->get();
}

std::vector<ui::Control*> HeadlessWindow::Children(const std::string& parent) {
  std::vector<ui::Control*> children;
  for (const auto& control : controls_) {
    if (control->parent() == parent) children.push_back(control.get());
  }
  return children;
}

void HeadlessWindow::Destroy(ui::Control& control) {
  const std::string name = control.name();
  std::vector<ui::Control*> children = Children(name);
  for (auto child = children.rbegin(); child != children.rend(); ++child) Destroy(**child);
  std::erase_if(controls_, [&](const auto& candidate) { return candidate->name() == name; });
  destroyed_.push_back(name);
  if (focused_ == name) focused_.clear();
}

void HeadlessWindow::StartTimer(unsigned intervalMs, std::function<void()> onTick) {
  timerInterval_ = intervalMs;
  onTick_ = std::move(onTick);
  timerRunning_ = true;
}

void HeadlessWindow::StopTimer() { timerRunning_ = false; }

int HeadlessWindow::ShowMessage(const std::string& text, const std::string& caption,
                                unsigned flags) {
  messages_.push_back({text, caption, flags});
  if (messageAnswers_.empty()) throw std::logic_error("unexpected message box: " + text);
  const int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

std::optional<std::string> HeadlessWindow::BrowseForFolder(const std::string& caption) {
  folderDialogCaptions_.push_back(caption);
  if (folderAnswers_.empty()) throw std::logic_error("unexpected folder dialog");
  std::optional<std::string> answer = folderAnswers_.front();
  folderAnswers_.pop_front();
  return answer;
}

void HeadlessWindow::RequestClose() {
  if (closed_) return;
  const auto query = onCloseQuery;
  if (query && !query()) return;
  const auto close = onClose;
  if (close) close();
  closed_ = true;
  timerRunning_ = false;
}

bool HeadlessWindow::Click(const std::string& name) {
  if (!Usable(name)) return false;
  HeadlessControl& control = Require(name);
  if (control.kind() == ui::ControlKind::CheckBox) control.SetChecked(!control.Checked());
  const auto handler = control.onClick;  // the handler may destroy the control
  if (handler) handler();
  return true;
}

bool HeadlessWindow::Type(const std::string& name, const std::string& text) {
  if (Require(name).kind() != ui::ControlKind::Edit) throw std::logic_error(name + " is no edit");
  if (!Usable(name)) return false;
  Require(name).SetText(text);
  return true;
}

bool HeadlessWindow::Toggle(const std::string& name) {
  if (Require(name).kind() != ui::ControlKind::CheckBox) {
    throw std::logic_error(name + " is no check box");
  }
  return Click(name);
}

bool HeadlessWindow::PressEnter() {
  if (ui::Control* focus = Find(focused_);
      focus != nullptr && focus->kind() == ui::ControlKind::Button) {
    return Click(focused_);
  }
  return !defaultButton_.empty() && Find(defaultButton_) != nullptr && Click(defaultButton_);
}

bool HeadlessWindow::PressEscape() {
  return !cancelButton_.empty() && Find(cancelButton_) != nullptr && Click(cancelButton_);
}

ui::Place HeadlessWindow::PixelPlace(const std::string& name) {
  HeadlessControl& control = Require(name);
  int originLeft = 0;
  int originTop = 0;
  for (std::string up = control.parent(); !up.empty(); up = Require(up).parent()) {
    originLeft += Require(up).spec().place.left;
    originTop += Require(up).spec().place.top;
  }
  return ui::ScalePlace(control.spec().place, dpi_, originLeft, originTop);
}

bool HeadlessWindow::Tick() {
  if (!timerRunning_ || closed_) return false;
  const auto tick = onTick_;
  tick();
  return true;
}

HeadlessControl& HeadlessWindow::Get(const std::string& name) { return Require(name); }

std::vector<std::string> HeadlessWindow::ChildNames(const std::string& parent) {
  std::vector<std::string> names;
  for (const ui::Control* child : Children(parent)) names.push_back(child->name());
  return names;
}

bool HeadlessWindow::IsShowing(const std::string& name) {
  for (HeadlessControl* control = &Require(name);;) {
    if (!control->Visible()) return false;
    if (control->parent().empty()) return true;
    control = &Require(control->parent());
  }
}

HeadlessControl& HeadlessWindow::Require(const std::string& name) {
  ui::Control* control = Find(name);
  if (control == nullptr) throw std::logic_error("no control " + name);
  return static_cast<HeadlessControl&>(*control);
}

bool HeadlessWindow::Usable(const std::string& name) {
  return !closed_ && IsShowing(name) && Require(name).Enabled();
}

}  // namespace quenlo::testing
