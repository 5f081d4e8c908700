#include "tools/uidriver/folder_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "tools/uidriver/deadline.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/process.h"
#include "tools/uidriver/text.h"
#include "tools/uidriver/window_query.h"

namespace quenlo::uidriver {
namespace {

constexpr int kLabelCapacity = 520;

// Memory in another process, freed again at the end of the scope.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ == nullptr) {
      throw DriverError(SystemErrorText("cannot reserve memory in the program", GetLastError()));
    }
  }
  ~RemoteBuffer() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  char* Address() const { return static_cast<char*>(address_); }
  void Write(std::size_t offset, const void* data, std::size_t size) const {
    if (!WriteProcessMemory(process_, Address() + offset, data, size, nullptr)) {
      throw DriverError(SystemErrorText("cannot write into the program's memory", GetLastError()));
    }
  }
  void Read(std::size_t offset, void* data, std::size_t size) const {
    if (!ReadProcessMemory(process_, Address() + offset, data, size, nullptr)) {
      throw DriverError(SystemErrorText("cannot read the program's memory", GetLastError()));
    }
  }

 private:
  HANDLE process_;
  void* address_ = nullptr;
};

void RequireSameBitness(const Process& process) {
  BOOL own = FALSE;
  BOOL other = FALSE;
  IsWow64Process(GetCurrentProcess(), &own);
  IsWow64Process(process.Handle(), &other);
  if (own != other) {
    throw DriverError(
        "the folder dialog's program and the driver differ in bitness; build the "
        "driver for the program's architecture");
  }
}

HWND TreeOf(HWND dialog) {
  for (HWND child : DescendantWindows(dialog)) {
    if (HasClass(child, "SysTreeView32")) return child;
  }
  throw DriverError("window " + HandleText(dialog) + " has no folder tree");
}

HTREEITEM SelectedItem(HWND tree) {
  return reinterpret_cast<HTREEITEM>(QueryWindow(tree, TVM_GETNEXTITEM, TVGN_CARET));
}

std::wstring ItemLabel(const Process& process, HWND tree, HTREEITEM item) {
  if (item == nullptr) return {};
  RemoteBuffer remote(process.Handle(), sizeof(TVITEMW) + kLabelCapacity * sizeof(wchar_t));
  TVITEMW request{};
  request.mask = TVIF_TEXT | TVIF_HANDLE;
  request.hItem = item;
  request.pszText = reinterpret_cast<LPWSTR>(remote.Address() + sizeof(TVITEMW));
  request.cchTextMax = kLabelCapacity;
  remote.Write(0, &request, sizeof request);
  if (!QueryWindow(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.Address()))) return {};
  std::wstring label(kLabelCapacity, L'\0');
  remote.Read(sizeof(TVITEMW), label.data(), label.size() * sizeof(wchar_t));
  label.resize(std::min(label.find(L'\0'), label.size()));
  return label;
}

}  // namespace

bool IsFolderDialog(HWND hwnd) {
  if (!HasClass(hwnd, "#32770")) return false;
  const auto descendants = DescendantWindows(hwnd);
  return std::any_of(descendants.begin(), descendants.end(),
                     [](HWND child) { return HasClass(child, "SysTreeView32"); });
}

FolderDialogInfo ReadFolderDialog(const Process& process, HWND dialog) {
  if (!IsFolderDialog(dialog)) {
    throw DriverError("window " + HandleText(dialog) + " is not a folder dialog");
  }
  RequireSameBitness(process);
  FolderDialogInfo info;
  info.hwnd = dialog;
  info.caption = WindowText(dialog);
  for (HWND child : DescendantWindows(dialog)) {
    if (HasClass(child, "Static") && IsWindowVisible(child) && info.title.empty()) {
      info.title = WindowText(child);
    }
  }
  const HWND tree = TreeOf(dialog);
  info.selected = WideToGbk(ItemLabel(process, tree, SelectedItem(tree))).value_or("?");
  const HWND ok = GetDlgItem(dialog, IDOK);
  info.okEnabled = ok != nullptr && IsWindowEnabled(ok);
  return info;
}

constexpr Milliseconds kSelectTimeoutMs = 3000;

void SelectFolder(const Process& process, HWND dialog, std::string_view path) {
  RequireSameBitness(process);
  const HWND tree = TreeOf(dialog);
  const HTREEITEM before = SelectedItem(tree);
  const std::wstring wide = GbkToWide(path);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  RemoteBuffer remote(process.Handle(), bytes);
  remote.Write(0, wide.c_str(), bytes);

  // The label is the folder's display name: normally the last part of the path (split on the
  // UTF-16 text, where no backslash hides in a double-byte character). A special folder shows
  // another name, so a moved selection is accepted as well.
  std::wstring_view last = wide;
  while (!last.empty() && (last.back() == L'\\' || last.back() == L'/')) last.remove_suffix(1);
  const std::size_t cut = last.find_last_of(L"\\/");
  if (cut != std::wstring_view::npos) last.remove_prefix(cut + 1);

  // Right after the dialog opens, its tree may still be filling, and a selection asked for then
  // can come to nothing: ask again until it takes or the time is up.
  const Deadline deadline(kSelectTimeoutMs);
  HTREEITEM after = nullptr;
  std::wstring label;
  for (;;) {
    QueryWindow(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote.Address()));
    after = SelectedItem(tree);
    label = ItemLabel(process, tree, after);
    const bool sameName = CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, label.data(),
                                         static_cast<int>(label.size()), last.data(),
                                         static_cast<int>(last.size())) == CSTR_EQUAL;
    if (sameName || (after != before && after != nullptr)) return;
    if (deadline.Passed()) break;
    Sleep(100);
  }
  throw DriverError("the folder dialog did not select " + GbkToUtf8(path) + " (selected: \"" +
                    WideToUtf8(label) + "\")");
}

}  // namespace quenlo::uidriver
