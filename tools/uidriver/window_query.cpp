#include "tools/uidriver/window_query.h"

#include <commctrl.h>

#include <cstdio>

#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

constexpr UINT kQueryTimeoutMs = 5000;

struct TopLevelSearch {
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND>* found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM context) {
  const auto& search = *reinterpret_cast<TopLevelSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search.processId && (!search.visibleOnly || IsWindowVisible(hwnd))) {
    search.found->push_back(hwnd);
  }
  return TRUE;
}

BOOL CALLBACK CollectDescendant(HWND hwnd, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(hwnd);
  return TRUE;
}

bool IsCheckStyle(LONG_PTR style) {
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly) {
  std::vector<HWND> found;
  TopLevelSearch search{processId, visibleOnly, &found};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return found;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

std::vector<HWND> DescendantWindows(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectDescendant, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string ControlName(HWND hwnd) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(hwnd, kNameProperty)));
  if (atom == 0) return {};
  wchar_t name[256];
  const UINT length = GlobalGetAtomNameW(atom, name, 256);
  return WideToGbk(std::wstring_view(name, length)).value_or(std::string());
}

std::string ClassName(HWND hwnd) {
  wchar_t name[256];
  const int length = GetClassNameW(hwnd, name, 256);
  return WideToGbk(std::wstring_view(name, length > 0 ? length : 0)).value_or("?");
}

bool HasClass(HWND hwnd, std::string_view className) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  const std::string actual = ClassName(hwnd);
  if (actual.size() != className.size()) return false;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (upper(actual[i]) != upper(className[i])) return false;
  }
  return true;
}

LRESULT QueryWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kQueryTimeoutMs,
                          &result) == 0) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "window %s did not answer message 0x%04X within %u ms (gone or busy)",
                  HandleText(hwnd).c_str(), message, kQueryTimeoutMs);
    throw DriverError(text);
  }
  return static_cast<LRESULT>(result);
}

std::string WindowText(HWND hwnd) {
  // The text may grow between the two messages: read again until it fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const auto length = static_cast<std::size_t>(QueryWindow(hwnd, WM_GETTEXTLENGTH));
    std::wstring text(length + 16, L'\0');
    const auto copied = static_cast<std::size_t>(
        QueryWindow(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    if (copied < text.size() - 1) {
      text.resize(copied);
      return WideToGbk(text).value_or(std::string());
    }
  }
  throw DriverError("text of window " + HandleText(hwnd) + " keeps changing");
}

bool IsUsable(HWND hwnd) {
  for (HWND window = hwnd; window != nullptr; window = GetAncestor(window, GA_PARENT)) {
    if (!IsWindowEnabled(window)) return false;
    if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return true;
}

std::optional<bool> CheckState(HWND hwnd) {
  if (!HasClass(hwnd, "Button") || !IsCheckStyle(GetWindowLongPtrW(hwnd, GWL_STYLE))) {
    return std::nullopt;
  }
  return QueryWindow(hwnd, BM_GETCHECK) == BST_CHECKED;
}

WindowState ReadWindowState(HWND hwnd) {
  if (!IsWindow(hwnd)) throw DriverError("window " + HandleText(hwnd) + " no longer exists");
  WindowState state;
  state.hwnd = hwnd;
  state.name = ControlName(hwnd);
  state.className = ClassName(hwnd);
  state.text = WindowText(hwnd);
  const bool child = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0;
  state.id = child ? GetDlgCtrlID(hwnd) : 0;
  state.visible = IsWindowVisible(hwnd) != FALSE;
  state.enabled = IsWindowEnabled(hwnd) != FALSE;
  state.checked = CheckState(hwnd);
  if (HasClass(hwnd, "msctls_progress32")) {
    state.progressPos = static_cast<int>(QueryWindow(hwnd, PBM_GETPOS));
    state.progressMin = static_cast<int>(QueryWindow(hwnd, PBM_GETRANGE, TRUE));
    state.progressMax = static_cast<int>(QueryWindow(hwnd, PBM_GETRANGE, FALSE));
  }
  RECT window{};
  GetWindowRect(hwnd, &window);
  if (child) {
    MapWindowPoints(nullptr, GetAncestor(hwnd, GA_PARENT), reinterpret_cast<POINT*>(&window), 2);
  }
  state.rect = ToRect(window);
  RECT client{};
  GetClientRect(hwnd, &client);
  state.client = ToRect(client);
  return state;
}

std::optional<HWND> FindNamedWindow(DWORD processId, std::string_view name) {
  std::optional<HWND> hidden;
  for (HWND top : TopLevelWindows(processId, /*visibleOnly=*/false)) {
    std::vector<HWND> candidates{top};
    for (HWND descendant : DescendantWindows(top)) candidates.push_back(descendant);
    for (HWND candidate : candidates) {
      if (ControlName(candidate) != name) continue;
      if (IsWindowVisible(candidate)) return candidate;
      if (!hidden) hidden = candidate;
    }
  }
  return hidden;
}

std::string HandleText(HWND hwnd) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08lX",
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwnd)));
  return text;
}

}  // namespace quenlo::uidriver
