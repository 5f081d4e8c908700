// The shell: special folders through item-ID lists, links through the shell-link object.
//
// The link object is created, used and released within one SaveLink call, on the calling
// thread, which must have initialised COM (the program's main thread does at start-up).
#include <windows.h>
// shlobj.h and shobjidl.h need windows.h first.
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

// Folder paths are taken into buffers of MAX_PATH + 1 characters.
constexpr std::size_t kPathBuffer = MAX_PATH + 1;

std::string SpecialFolder(int csidl) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || items == nullptr) return {};
  wchar_t path[kPathBuffer] = {};
  const bool found = SHGetPathFromIDListW(items, path) != FALSE;
  CoTaskMemFree(items);
  // A folder GBK cannot name (a user name in another script) is named by its short form; where
  // there is none, no link is made there rather than one with characters lost.
  return found ? GbkPathOfExisting(path).value_or(std::string()) : std::string();
}

// Releases a COM interface on every way out.
template <typename Interface>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }
  void** out() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

class Win32Shell final : public platform::Shell {
 public:
  std::string DesktopFolder() override { return SpecialFolder(CSIDL_DESKTOPDIRECTORY); }
  std::string ProgramsFolder() override { return SpecialFolder(CSIDL_PROGRAMS); }

  void SaveLink(const std::string& linkPath, const std::string& target,
                const std::string& workingFolder) override {
    Held<IUnknown> object;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                object.out())) ||
        object.get() == nullptr) {
      throw platform::ShellLinkUnavailable("the shell-link object cannot be created");
    }
    Held<IShellLinkW> link;
    Held<IPersistFile> file;
    if (FAILED(object->QueryInterface(IID_IShellLinkW, link.out())) || link.get() == nullptr ||
        FAILED(object->QueryInterface(IID_IPersistFile, file.out())) || file.get() == nullptr) {
      throw platform::ShellLinkUnavailable("the shell-link object lacks its interfaces");
    }
    // The results are not looked at: a link that cannot be written is simply not there.
    link->SetPath(WidePath(target).c_str());
    link->SetWorkingDirectory(WidePath(workingFolder).c_str());
    file->Save(WidePath(linkPath).c_str(), FALSE);
  }
};

}  // namespace

std::unique_ptr<platform::Shell> MakeShell() { return std::make_unique<Win32Shell>(); }

}  // namespace quenlo::win32
