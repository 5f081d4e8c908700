// The kinds of control, one maker each; MakeControl (ui_control.h) chooses among them.
#pragma once

#include <memory>

#include "platform/win32/ui_control.h"

namespace quenlo::win32 {

// ui_panel.cpp: a rectangle in the button-face colour or white, with an optional lowered bevel,
// that hosts other controls.
std::unique_ptr<ControlImpl> MakePanel(MainWindow& window, const ui::ControlSpec& spec,
                                       ControlImpl* parent);
// ui_picture.cpp: a JPEG or an icon from the resources.
std::unique_ptr<ControlImpl> MakePicture(MainWindow& window, const ui::ControlSpec& spec,
                                         ControlImpl* parent);
// ui_controls.cpp: labels, buttons, group boxes, check boxes and progress bars.
std::unique_ptr<ControlImpl> MakeLabel(MainWindow& window, const ui::ControlSpec& spec,
                                       ControlImpl* parent);
std::unique_ptr<ControlImpl> MakeButton(MainWindow& window, const ui::ControlSpec& spec,
                                        ControlImpl* parent);
std::unique_ptr<ControlImpl> MakeGroupBox(MainWindow& window, const ui::ControlSpec& spec,
                                          ControlImpl* parent);
std::unique_ptr<ControlImpl> MakeCheckBox(MainWindow& window, const ui::ControlSpec& spec,
                                          ControlImpl* parent);
std::unique_ptr<ControlImpl> MakeProgressBar(MainWindow& window, const ui::ControlSpec& spec,
                                             ControlImpl* parent);
// ui_edit_controls.cpp: the single-line edit box and the read-only memo.
std::unique_ptr<ControlImpl> MakeEdit(MainWindow& window, const ui::ControlSpec& spec,
                                      ControlImpl* parent);
std::unique_ptr<ControlImpl> MakeMemo(MainWindow& window, const ui::ControlSpec& spec,
                                      ControlImpl* parent);

}  // namespace quenlo::win32
