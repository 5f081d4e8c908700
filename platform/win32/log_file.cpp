// The log file: created (or emptied) when opened, each line written to the system at once as
// UTF-8, so that what is there is there even when the setup does not end normally.
#include <windows.h>

#include <mutex>

#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

class Win32LogFile final : public platform::LogFile {
 public:
  explicit Win32LogFile(HANDLE file) : file_(file) {}
  ~Win32LogFile() override { CloseHandle(file_); }
  Win32LogFile(const Win32LogFile&) = delete;
  Win32LogFile& operator=(const Win32LogFile&) = delete;

  void WriteLine(const std::string& gbk) override {
    const std::wstring wide = Wide(gbk) + L"\r\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
    const std::lock_guard lock(mutex_);
    DWORD written = 0;
    WriteFile(file_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }

 private:
  HANDLE file_;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<platform::LogFile> OpenLogFile(const std::string& path) {
  // Shared for reading, so a deployment tool can follow the log while the setup runs.
  const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32LogFile>(file);
}

}  // namespace quenlo::win32
