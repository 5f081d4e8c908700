// The wizard window's fixed frame as data: a title band with the page title and an icon, a
// picture strip, the page host Father_P, and a footer with Previous, Next and Cancel.
//
// The controls are listed in the order the window declares them; every parent comes before its
// children, so creating them in table order builds the frame. Places are left, top, width,
// height relative to the parent, as they are after the panels' alignment (0 = own size).
#pragma once

#include <span>

#include "platform/ui.h"

namespace quenlo::wizard {

// The window itself (not a control): a fixed dialog frame centred on the screen.
struct WindowFrame {
  int clientWidth;
  int clientHeight;
  const char* fontFace;  // the window's own font, left alone by the texts
  int fontHeight;
};
inline constexpr WindowFrame kMainFormFrame = {561, 371, "MS Sans Serif", -11};

inline constexpr const char* kMainFormName = "SetupMain_Form";

// Names of the frame's controls.
inline constexpr const char* kMainP = "Main_P";
inline constexpr const char* kTitleP = "Title_P";
inline constexpr const char* kFootP = "Foot_P";
inline constexpr const char* kPanel2 = "Panel2";
inline constexpr const char* kPanel1 = "Panel1";
inline constexpr const char* kPreviousBtn = "Previous_Btn";
inline constexpr const char* kNextBtn = "Next_Btn";
inline constexpr const char* kCancelBtn = "Cancel_Btn";
inline constexpr const char* kWelComeP = "WelCome_P";
inline constexpr const char* kFatherP = "Father_P";  // the page host
inline constexpr const char* kLogoL = "Logo_L";
inline constexpr const char* kTitle1L = "Title1_L";
inline constexpr const char* kImage1 = "Image1";
inline constexpr const char* kDaoI = "Dao_I";
inline constexpr const char* kImage2 = "Image2";

// Artwork resources stored with the window's layout.
inline constexpr const char* kWelcomePicture = "WELCOME_JPG";  // 120 x 235 JPEG
inline constexpr const char* kTitleIcon = "TITLE_ICO";         // 32 x 32 icon
inline constexpr const char* kSiteLogoPicture = "DAO_JPG";     // 168 x 65 JPEG

// Install_T, the window's polling timer.
inline constexpr unsigned kInstallTimerIntervalMs = 10;

// The frame's controls in declared order.
std::span<const ui::ControlSpec> MainFormControls();

// Creates every control of MainFormControls() on `window`, in table order.
void CreateMainFormControls(ui::Window& window);

// One of the frame's controls; they exist for the window's whole life, so a missing one is a
// programming error (std::logic_error).
ui::Control& FormControl(ui::Window& window, const char* name);

}  // namespace quenlo::wizard
