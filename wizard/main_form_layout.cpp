#include "wizard/main_form_layout.h"

#include <array>
#include <stdexcept>
#include <string>

namespace quenlo::wizard {
namespace {

using ui::Bevel;
using ui::ControlKind;
using ui::ControlSpec;

ControlSpec Spec(const char* name, ControlKind kind, const char* parent, ui::Place place) {
  ControlSpec spec;
  spec.name = name;
  spec.kind = kind;
  spec.parent = parent;
  spec.place = place;
  return spec;
}

ControlSpec Panel(const char* name, const char* parent, ui::Place place, Bevel bevel = Bevel::None,
                  bool white = false) {
  ControlSpec spec = Spec(name, ControlKind::Panel, parent, place);
  spec.bevel = bevel;
  spec.whiteBackground = white;
  return spec;
}

ControlSpec Button(const char* name, ui::Place place) {
  return Spec(name, ControlKind::Button, kFootP, place);
}

ControlSpec Picture(const char* name, const char* parent, ui::Place place, const char* resource,
                    bool transparent, bool visible) {
  ControlSpec spec = Spec(name, ControlKind::Picture, parent, place);
  spec.picture = resource;
  spec.transparent = transparent;
  spec.visible = visible;
  return spec;
}

ControlSpec Label(const char* name, const char* parent, ui::Place place, bool enabled,
                  bool transparent) {
  ControlSpec spec = Spec(name, ControlKind::Label, parent, place);
  spec.enabled = enabled;
  spec.transparent = transparent;
  return spec;
}

const std::array<ControlSpec, 15>& Table() {
  static const std::array<ControlSpec, 15> table = {
      Panel(kMainP, "", {0, 50, 561, 273}),
      Panel(kTitleP, "", {0, 0, 561, 50}, Bevel::None, /*white=*/true),
      Panel(kFootP, "", {0, 323, 561, 48}),
      Panel(kPanel2, kFootP, {0, 0, 561, 2}, Bevel::Lowered),
      Panel(kPanel1, kTitleP, {0, 48, 561, 2}, Bevel::Lowered),
      // Tab order follows creation: Previous, Next, Cancel. The form makes Next the default
      // button and Cancel the cancel button of the window.
      Button(kPreviousBtn, {275, 9, 86, 23}),
      Button(kNextBtn, {364, 9, 86, 23}),
      Button(kCancelBtn, {466, 9, 86, 23}),
      Panel(kWelComeP, kMainP, {0, 0, 145, 273}),
      Panel(kFatherP, kMainP, {145, 0, 416, 273}),
      // Disabled so that the product name is drawn greyed.
      Label(kLogoL, kFootP, {8, 8, 0, 0}, /*enabled=*/false, /*transparent=*/true),
      Label(kTitle1L, kTitleP, {64, 16, 0, 0}, /*enabled=*/true, /*transparent=*/false),
      Picture(kImage1, kWelComeP, {19, 16, 120, 235}, kWelcomePicture, /*transparent=*/true,
              /*visible=*/true),
      // Never shown: the source of the tasks page's site logo.
      Picture(kDaoI, kFootP, {88, 8, 105, 26}, kSiteLogoPicture, /*transparent=*/false,
              /*visible=*/false),
      Picture(kImage2, kTitleP, {9, 8, 32, 32}, kTitleIcon, /*transparent=*/true, /*visible=*/true),
  };
  return table;
}

}  // namespace

std::span<const ui::ControlSpec> MainFormControls() { return Table(); }

void CreateMainFormControls(ui::Window& window) {
  for (const ControlSpec& spec : MainFormControls()) window.Create(spec);
}

ui::Control& FormControl(ui::Window& window, const char* name) {
  ui::Control* control = window.Find(name);
  if (control == nullptr) throw std::logic_error(std::string("no control ") + name);
  return *control;
}

}  // namespace quenlo::wizard
