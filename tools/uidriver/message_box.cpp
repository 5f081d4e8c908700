#include "tools/uidriver/message_box.h"

#include <algorithm>
#include <cstdlib>

#include "tools/uidriver/capture.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/window_query.h"

namespace quenlo::uidriver {
namespace {

constexpr int kTextControlId = 0xFFFF;

struct Answer {
  int id;
  const char* name;
};
constexpr Answer kAnswers[] = {{IDOK, "OK"},
                               {IDCANCEL, "Cancel"},
                               {IDABORT, "Abort"},
                               {IDRETRY, "Retry"},
                               {IDIGNORE, "Ignore"},
                               {IDYES, "Yes"},
                               {IDNO, "No"},
                               {IDCLOSE, "Close"},
                               {IDHELP, "Help"},
                               {IDTRYAGAIN, "TryAgain"},
                               {IDCONTINUE, "Continue"}};

bool SameAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
           return lower(x) == lower(y);
         });
}

std::vector<HWND> VisibleButtons(HWND box) {
  std::vector<HWND> buttons;
  for (HWND child : DescendantWindows(box)) {
    if (HasClass(child, "Button") && IsWindowVisible(child)) buttons.push_back(child);
  }
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    RECT ra{}, rb{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return buttons;
}

// Share of pixels of `reference` that differ clearly from the same pixels of `shot`.
double Mismatch(const Image& shot, const Image& reference) {
  int differing = 0;
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      const std::uint32_t a = shot.Pixel(x, y);
      const std::uint32_t b = reference.Pixel(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > 48) {
          ++differing;
          break;
        }
      }
    }
  }
  return static_cast<double>(differing) / (reference.width * reference.height);
}

std::string IdentifyIcon(HWND box) {
  HWND iconControl = nullptr;
  for (HWND child : DescendantWindows(box)) {
    if (HasClass(child, "Static") &&
        (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
      iconControl = child;
      break;
    }
  }
  if (iconControl == nullptr || QueryWindow(iconControl, STM_GETICON) == 0) return "none";

  const int width = GetSystemMetrics(SM_CXICON);
  const int height = GetSystemMetrics(SM_CYICON);
  RECT rect{};
  GetWindowRect(iconControl, &rect);
  if (rect.right - rect.left < width || rect.bottom - rect.top < height) return "unknown";
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
  const Image shot = CaptureScreen(rect);
  const std::uint32_t background = shot.Pixel(0, 0);

  struct Candidate {
    LPCWSTR resource;
    const char* name;
  };
  const Candidate candidates[] = {{IDI_ASTERISK, "information"},
                                  {IDI_QUESTION, "question"},
                                  {IDI_EXCLAMATION, "warning"},
                                  {IDI_HAND, "error"}};
  std::string best = "unknown";
  double bestMismatch = 0.1;  // more than a tenth of the pixels off is no match
  for (const auto& candidate : candidates) {
    const HICON icon = LoadIconW(nullptr, candidate.resource);
    if (icon == nullptr) continue;
    const double mismatch = Mismatch(shot, RenderIcon(icon, width, height, background));
    if (mismatch < bestMismatch) {
      bestMismatch = mismatch;
      best = candidate.name;
    }
  }
  return best;
}

}  // namespace

std::string AnswerName(int id) {
  for (const auto& answer : kAnswers) {
    if (answer.id == id) return answer.name;
  }
  return "ID" + std::to_string(id);
}

std::optional<int> AnswerId(std::string_view name) {
  for (const auto& answer : kAnswers) {
    if (SameAscii(name, answer.name)) return answer.id;
  }
  return std::nullopt;
}

bool IsMessageBox(HWND hwnd) {
  if (!HasClass(hwnd, "#32770") || GetDlgItem(hwnd, kTextControlId) == nullptr) return false;
  const auto descendants = DescendantWindows(hwnd);
  return std::none_of(descendants.begin(), descendants.end(),
                      [](HWND child) { return HasClass(child, "SysTreeView32"); });
}

MessageBoxInfo ReadMessageBox(HWND box) {
  if (!IsMessageBox(box)) throw DriverError("window " + HandleText(box) + " is not a message box");
  MessageBoxInfo info;
  info.hwnd = box;
  info.caption = WindowText(box);
  info.text = WindowText(GetDlgItem(box, kTextControlId));
  for (HWND button : VisibleButtons(box)) info.buttons.push_back(GetDlgCtrlID(button));
  // The icon is read off the screen: a box that has only just appeared may not be painted (or
  // uncovered) yet, so an unknown picture is looked at again for a moment.
  info.icon = IdentifyIcon(box);
  for (int attempt = 0; attempt < 20 && info.icon == "unknown"; ++attempt) {
    Sleep(50);
    info.icon = IdentifyIcon(box);
  }
  return info;
}

HWND MessageBoxButton(HWND box, int id) {
  std::string present;
  for (HWND button : VisibleButtons(box)) {
    if (GetDlgCtrlID(button) == id) return button;
    present += (present.empty() ? "" : ", ") + AnswerName(GetDlgCtrlID(button));
  }
  throw DriverError("the box has no " + AnswerName(id) + " button (it has: " + present + ")");
}

}  // namespace quenlo::uidriver
