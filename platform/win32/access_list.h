// The access list of what an elevated program creates where others may write: like Program
// Files', Administrators and SYSTEM have full control, Users may read and run, and nobody else
// anything; it is inherited by what is created inside, and not inherited from the parent (which
// may let every user change what lies in it).
#pragma once

#include <windows.h>

#include <string>

namespace quenlo::win32 {

class AdministratorsOnly {
 public:
  AdministratorsOnly();
  ~AdministratorsOnly();
  AdministratorsOnly(const AdministratorsOnly&) = delete;
  AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;

  // For CreateDirectoryW and CreateFileW; nullptr (the parent's list) when it could not be made.
  SECURITY_ATTRIBUTES* attributes() { return descriptor_ != nullptr ? &attributes_ : nullptr; }
  // Gives an existing file or folder this list in place of the one it has; false when the
  // system refused.
  bool ApplyTo(const std::wstring& path);

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace quenlo::win32
