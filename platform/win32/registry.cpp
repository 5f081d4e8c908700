// The registry through advapi32's wide calls, one open key per accessor. Values are stored as
// UTF-16 whatever the system's language; a string whose text GBK cannot hold is not one the setup
// can carry, and reads as NotString, so no step copies or compares it with characters lost.
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
    const auto wideName = WideExact(name);
    if (!wideName) return value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, wideName->c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      return value;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      value.kind = platform::RegistryValue::Kind::NotString;
      return value;
    }
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (size != 0 &&
        RegQueryValueExW(key_, wideName->c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
      return value;
    }
    data.resize(size / sizeof(wchar_t));
    const auto text = GbkExact(std::wstring_view(data).substr(0, data.find(L'\0')));
    value.kind =
        text ? platform::RegistryValue::Kind::String : platform::RegistryValue::Kind::NotString;
    if (text) value.text = *text;
    return value;
  }

  bool WriteString(const std::string& name, const std::string& text) override {
    const auto wideName = WideExact(name);
    const auto wide = WideExact(text);
    if (!wideName || !wide) return false;
    return RegSetValueExW(
               key_, wideName->c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide->c_str()),
               static_cast<DWORD>((wide->size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& name) override {
    const auto wideName = WideExact(name);
    if (!wideName) return true;  // a name that is no GBK text names no value of ours
    const LONG status = RegDeleteValueW(key_, wideName->c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }

  bool WriteDword(const std::string& name, std::uint32_t value) override {
    const auto wideName = WideExact(name);
    if (!wideName) return false;
    const DWORD data = value;
    return RegSetValueExW(key_, wideName->c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
  }

  bool Flush() override { return RegFlushKey(key_) == ERROR_SUCCESS; }

 private:
  HKEY key_;
};

class Win32Registry final : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override {
    const auto subKey = WideExact(platform::TrimKeyPath(path));
    if (!subKey) return nullptr;
    HKEY key = nullptr;
    const LONG status =
        create ? RegCreateKeyExW(RootKey(root), subKey->c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr)
               : RegOpenKeyExW(RootKey(root), subKey->c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
  }

  // The key with everything below it; a key that is not there counts as deleted. Never a root.
  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override {
    const std::string subKey = platform::TrimKeyPath(path);
    const auto wideKey = WideExact(subKey);
    if (subKey.empty() || !wideKey) return false;
    const LONG status = RegDeleteTreeW(RootKey(root), wideKey->c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
};

}  // namespace

std::unique_ptr<platform::Registry> MakeRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace quenlo::win32
