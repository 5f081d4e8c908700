// Modal message boxes: questions (Yes/No with the information icon) and notices (OK only).
#pragma once

#include <string>

namespace quenlo::platform {

inline constexpr unsigned kQuestionFlags = 0x44;  // MB_YESNO | MB_ICONINFORMATION
inline constexpr unsigned kNoticeFlags = 0x00;    // MB_OK, no icon

inline constexpr int kAnswerOk = 1;   // IDOK
inline constexpr int kAnswerYes = 6;  // IDYES
inline constexpr int kAnswerNo = 7;   // IDNO

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows a box owned by the active window and returns the button pressed.
  virtual int Show(const std::string& text, const std::string& caption, unsigned flags) = 0;
};

}  // namespace quenlo::platform
