#include <windows.h>

#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

class Win32MessageBoxes final : public platform::MessageBoxes {
 public:
  int Show(const std::string& text, const std::string& caption, unsigned flags) override {
    return MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), flags);
  }
};

}  // namespace

std::unique_ptr<platform::MessageBoxes> MakeMessageBoxes() {
  return std::make_unique<Win32MessageBoxes>();
}

}  // namespace quenlo::win32
