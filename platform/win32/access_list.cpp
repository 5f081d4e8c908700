#include "platform/win32/access_list.h"

// sddl.h and aclapi.h need windows.h first.
#include <aclapi.h>
#include <sddl.h>

namespace quenlo::win32 {
namespace {

// P: protected (not inherited from the parent); OICI: inherited by files and folders inside.
// FA: full control for BUILTIN\Administrators (BA) and SYSTEM (SY); 0x1200A9 (read, run, list):
// BUILTIN\Users (BU).
constexpr const wchar_t* kDescriptor = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200A9;;;BU)";

}  // namespace

AdministratorsOnly::AdministratorsOnly() {
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kDescriptor, SDDL_REVISION_1,
                                                            &descriptor_, nullptr)) {
    descriptor_ = nullptr;
    return;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor_;
  attributes_.bInheritHandle = FALSE;
}

AdministratorsOnly::~AdministratorsOnly() {
  if (descriptor_ != nullptr) LocalFree(descriptor_);
}

bool AdministratorsOnly::ApplyTo(const std::wstring& path) {
  if (descriptor_ == nullptr) return false;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor_, &present, &list, &defaulted) || !present) {
    return false;
  }
  std::wstring name = path;  // the call takes a writable string
  return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
}

}  // namespace quenlo::win32
