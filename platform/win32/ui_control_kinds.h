// The kinds of control: each kind's class lives in the file of its family and is made through
// its entry in the factory table below; MakeControl (ui_control.h) looks the kind up there.
#pragma once

#include <memory>

#include "platform/win32/ui_control.h"

namespace quenlo::win32 {

// Makes the control object of one kind.
using ControlMaker = std::unique_ptr<ControlImpl> (*)(MainWindow& window,
                                                      const ui::ControlSpec& spec,
                                                      ControlImpl* parent);

// The maker of a control class whose constructor takes (window, spec, parent).
template <typename Control>
std::unique_ptr<ControlImpl> MakeAs(MainWindow& window, const ui::ControlSpec& spec,
                                    ControlImpl* parent) {
  return std::make_unique<Control>(window, spec, parent);
}

// Each kind's maker, defined beside its class:
//   ui_panel.cpp          a rectangle in the button-face colour or white, with an optional
//                         lowered bevel, that hosts other controls
//   ui_picture.cpp        a JPEG or an icon from the resources
//   ui_controls.cpp       labels, buttons, group boxes, check boxes and progress bars
//   ui_edit_controls.cpp  the single-line edit box and the read-only memo
extern const ControlMaker kMakePanel, kMakePicture;
extern const ControlMaker kMakeLabel, kMakeButton, kMakeGroupBox, kMakeCheckBox, kMakeProgressBar;
extern const ControlMaker kMakeEdit, kMakeMemo;

}  // namespace quenlo::win32
