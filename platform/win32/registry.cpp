// The registry through advapi32's ANSI calls, one open key per accessor.
#include <windows.h>

#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

HKEY RootKey(platform::RegistryRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<std::uint32_t>(root)));
}

class Win32RegistryKey final : public platform::RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}
  ~Win32RegistryKey() override { RegCloseKey(key_); }

  platform::RegistryValue Read(const std::string& name) override {
    platform::RegistryValue value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      return value;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      value.kind = platform::RegistryValue::Kind::NotString;
      return value;
    }
    std::string data(size, '\0');
    if (size != 0 &&
        RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS) {
      return value;
    }
    data.resize(size);
    value.kind = platform::RegistryValue::Kind::String;
    value.text = data.substr(0, data.find('\0'));
    return value;
  }

  bool WriteString(const std::string& name, const std::string& text) override {
    return RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& name) override {
    const LONG status = RegDeleteValueA(key_, name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }

  bool WriteDword(const std::string& name, std::uint32_t value) override;

 private:
  HKEY key_;
};

class Win32Registry final : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override {
    const std::string subKey = platform::TrimKeyPath(path);
    HKEY key = nullptr;
    const LONG status =
        create ? RegCreateKeyExA(RootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr)
               : RegOpenKeyExA(RootKey(root), subKey.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
  }

  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override;
};

}  // namespace

std::unique_ptr<platform::Registry> MakeRegistry() { return std::make_unique<Win32Registry>(); }

namespace {

bool Win32RegistryKey::WriteDword(const std::string& name, std::uint32_t value) {
  const std::optional<std::wstring> wideName = WideExact(name);
  if (!wideName) return false;
  const DWORD data = value;
  return RegSetValueExW(key_, wideName->c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                        sizeof data) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKey(platform::RegistryRoot root, const std::string& path) {
  const std::string subKey = platform::TrimKeyPath(path);
  const std::optional<std::wstring> wideKey = WideExact(subKey);
  if (subKey.empty() || !wideKey) return false;
  const LONG status = RegDeleteTreeW(RootKey(root), wideKey->c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

}  // namespace quenlo::win32
