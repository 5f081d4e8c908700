#include "wizard/page_builders.h"

#include <utility>
#include <vector>

#include "wizard/long_texts.h"
#include "wizard/main_form_layout.h"

namespace quenlo::wizard {
namespace {

using ui::ControlKind;

// One page control as its builder makes it. A width or height of 0 is the control's own size.
struct PageControl {
  const char* name;
  ControlKind kind;
  ui::Place place;
  bool transparent;
  bool interfaceFont;  // gets a copy of the interface font
  int extraPoints;     // added to the font's size
  bool wrap = false;   // labels: wraps at its width
  bool shrinkToFit = false;
};

// Sixteen lines in a font a point larger than the others fill the page: where the system's face
// has taller lines than SimSun's, the text moves up, or is drawn smaller, rather than being cut
// off at the bottom.
constexpr PageControl kWelcomeText = {
    kWelcomeL, ControlKind::Label, {30, 20, 0, 0}, false, true, 1, false, /*shrinkToFit=*/true};
constexpr PageControl kAgreementMemo = {
    kAgreementM, ControlKind::Memo, {30, 30, 360, 190}, false, true, 0};
constexpr PageControl kPgDnHint = {kPgDnHintL, ControlKind::Label, {30, 10, 0, 0}, true, true, 0};
constexpr PageControl kAcceptHint = {
    kAcceptHintL, ControlKind::Label, {30, 230, 0, 0}, true, true, 0};
constexpr PageControl kFolderHint = {
    kFolderHintL, ControlKind::Label, {30, 10, 0, 0}, true, true, 0};
constexpr PageControl kFolderGroup = {
    kFolderGB, ControlKind::GroupBox, {25, 150, 370, 60}, false, true, 0};
constexpr PageControl kFolderEdit = {kFolderE, ControlKind::Edit, {40, 172, 265, 0}, false, true,
                                     0};
constexpr PageControl kBrowseButton = {
    kBrowseBtn, ControlKind::Button, {307, 171, 75, 23}, false, true, 0};
constexpr PageControl kNeedSpace = {
    kNeedSpaceL, ControlKind::Label, {25, 215, 0, 0}, true, true, 0};
constexpr PageControl kFreeSpace = {
    kFreeSpaceL, ControlKind::Label, {25, 235, 0, 0}, true, true, 0};
constexpr PageControl kStatus = {kStatusL, ControlKind::Label, {30, 20, 0, 0}, true, true, 0};
constexpr PageControl kFailure = {kStatusL, ControlKind::Label, {30, 20, 360, 0}, true, true,
                                  0,        /*wrap=*/true};
constexpr PageControl kHomePage = {
    kHomePageCB, ControlKind::CheckBox, {50, 50, 340, 0}, false, true, 0};
constexpr PageControl kSiteImage = {kSiteI, ControlKind::Picture, {50, 80, 0, 0}, false, false, 0};
constexpr PageControl kSlogan = {kSloganL, ControlKind::Label, {30, 20, 0, 0}, true, true, 0};
constexpr PageControl kProgressBar = {
    kInstallPB, ControlKind::ProgressBar, {30, 40, 350, 0}, false, false, 0};

// Creates the control on the page host with its caption and settings; the font, when it gets
// one, is set right after.
ui::Control& Build(ui::Window& window, const PageControl& control, const ui::Font* font,
                   const std::string& text = {}, bool checked = false) {
  ui::ControlSpec spec;
  spec.name = control.name;
  spec.kind = control.kind;
  spec.parent = kFatherP;
  spec.place = control.place;
  spec.text = text;
  spec.transparent = control.transparent;
  spec.checked = checked;
  spec.wrap = control.wrap;
  spec.shrinkToFit = control.shrinkToFit;
  ui::Control& created = window.Create(spec);
  if (control.interfaceFont && font != nullptr) {
    ui::Font own = *font;
    own.points += control.extraPoints;
    created.SetFont(own);
  }
  return created;
}

}  // namespace

void ClearPage(ui::Window& window) {
  std::vector<ui::Control*> children = window.Children(kFatherP);
  for (auto child = children.rbegin(); child != children.rend(); ++child) window.Destroy(**child);
}

ui::Control& AddWelcomeText(ui::Window& window, const ui::Font& font) {
  return Build(window, kWelcomeText, &font, WelcomeText());
}

ui::Control& AddAgreementMemo(ui::Window& window, const ui::Font& font) {
  return Build(window, kAgreementMemo, &font);
}

ui::Control& AddPgDnHint(ui::Window& window, const ui::Font& font, const std::string& caption) {
  return Build(window, kPgDnHint, &font, caption);
}

ui::Control& AddAcceptHint(ui::Window& window, const ui::Font& font, const std::string& caption) {
  return Build(window, kAcceptHint, &font, caption);
}

ui::Control& AddFolderHint(ui::Window& window, const ui::Font& font, const std::string& caption) {
  return Build(window, kFolderHint, &font, caption);
}

ui::Control& AddFolderGroup(ui::Window& window, const ui::Font& font, const std::string& caption) {
  return Build(window, kFolderGroup, &font, caption);
}

ui::Control& AddFolderEdit(ui::Window& window, const ui::Font& font,
                           std::function<void()> onChange) {
  ui::Control& edit = Build(window, kFolderEdit, &font);
  edit.onChange = std::move(onChange);
  return edit;
}

ui::Control& AddBrowseButton(ui::Window& window, const ui::Font& font, const std::string& caption,
                             std::function<void()> onClick) {
  ui::Control& button = Build(window, kBrowseButton, &font, caption);
  button.onClick = std::move(onClick);
  return button;
}

ui::Control& AddNeedSpaceLabel(ui::Window& window, const ui::Font& font) {
  return Build(window, kNeedSpace, &font);
}

ui::Control& AddFreeSpaceLabel(ui::Window& window, const ui::Font& font) {
  return Build(window, kFreeSpace, &font);
}

ui::Control& AddSloganLabel(ui::Window& window, const ui::Font& font) {
  return Build(window, kSlogan, &font, SloganText());
}

ui::Control& AddHomePageCheckBox(ui::Window& window, const ui::Font& font) {
  return Build(window, kHomePage, &font, StartPageTaskText(), /*checked=*/true);
}

ui::Control& AddSiteImage(ui::Window& window) { return Build(window, kSiteImage, nullptr); }

ui::Control& AddStatusLabel(ui::Window& window, const ui::Font& font) {
  return Build(window, kStatus, &font, kInitialStatusCaption);
}

ui::Control& AddProgressBar(ui::Window& window) { return Build(window, kProgressBar, nullptr); }

ui::Control& AddFailureText(ui::Window& window, const ui::Font& font, const std::string& text) {
  return Build(window, kFailure, &font, text);
}

}  // namespace quenlo::wizard
